#pragma once

#include "scene/RowLayout.h"

#include <cstddef>
#include <string>

class IconSettings;
class Model;
class SymbolLibrary;

// A node's symbol: its type's shared model, placed at a slot of the row.
class Icon {
public:
    // Takes the model for typeName from the library, loading it if it is new.
    explicit Icon(std::string typeName);

    // Icons come from a pool of their own: a tree has one per entry.
    static void* operator new(std::size_t size);
    static void operator delete(void* icon, std::size_t size);

    // Draws the model at slot index of the row along x (y 1, z 1), scaled by
    // the icon size, as RowLayout::standard() places it; leaves the matrix stack as it found it.
    void draw(int index);
    // Draws the model as `placement` says (see RowLayout::Placement).
    void drawAt(const RowLayout::Placement& placement);
    // The same for any model: a tree scanned beside the window has no icons.
    static void drawModelAt(Model& model, const RowLayout::Placement& placement);

    SymbolLibrary* library = nullptr;
    IconSettings* settings = nullptr;
    Model* model = nullptr;
};
