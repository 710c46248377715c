#pragma once

#include <string>

class IconSettings;
class Model;
class SymbolLibrary;

// A node's symbol: its type's shared model, placed at a slot of the row.
class Icon {
public:
    // Takes the model for typeName from the library, loading it if it is new.
    explicit Icon(std::string typeName);

    // Draws the model at slot index of the row along x (y 1, z 1), scaled by
    // the icon size; leaves the matrix stack as it found it.
    void draw(int index);

    SymbolLibrary* library = nullptr;
    IconSettings* settings = nullptr;
    Model* model = nullptr;
};
