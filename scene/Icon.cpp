#include "scene/Icon.h"

#include "model/Model.h"
#include "scene/BlockPool.h"
#include "scene/IconSettings.h"
#include "scene/SymbolLibrary.h"

#include <cstdlib>

namespace {

// Never destroyed: icons are kept until the process ends.
BlockPool& iconPool()
{
    static BlockPool* pool = new BlockPool(sizeof(Icon), alignof(Icon));
    return *pool;
}

} // namespace

void* Icon::operator new(std::size_t size)
{
    return size == sizeof(Icon) ? iconPool().allocate() : ::operator new(size);
}

void Icon::operator delete(void* icon, std::size_t size)
{
    if (size == sizeof(Icon))
        iconPool().release(icon);
    else
        ::operator delete(icon);
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
