#include "scene/SymbolLibrary.h"

#include "model/Model.h"

SymbolLibrary* SymbolLibrary::instance()
{
    static SymbolLibrary library;
    return &library;
}

Model* SymbolLibrary::get(std::string typeName)
{
    // At most two types exist, so a linear search is all it takes.
    for (Model* model : models)
        if (model->name == typeName)
            return model;
    Model* model = new Model(typeName);
    models.push_back(model);
    return model;
}
