#include "scene/Icon.h"

#include "model/Model.h"
#include "scene/IconSettings.h"
#include "scene/RowLayout.h"
#include "scene/SymbolLibrary.h"
#include "support/BlockPool.h"

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
    drawAt(RowLayout::standard().placement(index));
}

void Icon::drawAt(const RowLayout::Placement& placement)
{
    drawModelAt(*model, placement);
}

void Icon::drawModelAt(Model& model, const RowLayout::Placement& placement)
{
    model.translate(placement.x, placement.y, placement.z);
    if (placement.heightScale == placement.scale)
        model.scale(placement.scale);
    else
        model.scale(placement.scale, placement.heightScale, placement.scale);
    model.draw();
}
