#include "scene/SymbolLibrary.h"

#include "model/Model.h"

#include <sys/stat.h>

#include <algorithm>

SymbolLibrary* SymbolLibrary::instance()
{
    static SymbolLibrary library;
    return &library;
}

Model* SymbolLibrary::get(std::string typeName)
{
    // A handful of types exist, so a linear search is all it takes.
    for (Model* model : models)
        if (model->name == typeName)
            return model;
    Model* model = new Model(typeName);
    models.push_back(model);
    return model;
}

Model* SymbolLibrary::getIfPresent(const std::string& typeName)
{
    for (Model* model : models)
        if (model->name == typeName)
            return model;
    if (std::find(missing.begin(), missing.end(), typeName) != missing.end())
        return nullptr;
    struct stat facts {};
    if (::stat(Model::symbolPath(typeName).c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) {
        missing.push_back(typeName);
        return nullptr;
    }
    return get(typeName);
}
