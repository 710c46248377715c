#include "scene/Icon.h"

#include "model/Model.h"
#include "support/BlockPool.h"
#include "scene/IconSettings.h"
#include "scene/SymbolLibrary.h"

#include <cstdlib>

void* Icon::operator new(std::size_t size)
{
    return blockPoolFor<Icon>().allocate(size);
}

void Icon::operator delete(void* icon, std::size_t size)
{
    blockPoolFor<Icon>().release(icon, size);
}

Icon::Icon(std::string typeName)
{
    settings = IconSettings::instance();
    library = SymbolLibrary::instance();
    model = library->get(typeName);
}

void Icon::draw(int index)
{
    const double size = std::atof(settings->get("iconsize").c_str());
    const double spaceX = std::atof(settings->get("iconspace_x").c_str());
    // Summed in double and rounded once, so slot i sits at float(0.5 i + 0.8 i).
    const float x = static_cast<float>(size * index + spaceX * index);

    model->translate(x, 1.0f, 1.0f);
    model->scale(static_cast<float>(std::atof(settings->get("iconsize").c_str())));
    model->draw();
}
