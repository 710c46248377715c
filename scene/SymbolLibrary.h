#pragma once

#include <string>
#include <vector>

class Model;

// Loaded symbol models by type name: each type's file is read and compiled
// once, on its first request, and then shared by every icon of that type.
class SymbolLibrary {
public:
    SymbolLibrary() = default;
    SymbolLibrary(const SymbolLibrary&) = delete;
    SymbolLibrary& operator=(const SymbolLibrary&) = delete;

    // The process-wide library the icons use.
    static SymbolLibrary* instance();

    // The model for typeName (exact, case-sensitive), loading it on first
    // request. Never null: a model that cannot be loaded ends the process.
    Model* get(std::string typeName);
    // The same for a type whose file may be missing: null when the symbol
    // folder holds no regular file of that name (looked for once).
    Model* getIfPresent(const std::string& typeName);

    // In the order of first request. The models are never released.
    std::vector<Model*> models;

private:
    std::vector<std::string> missing;
};
