#include "text/LineSheet.h"

LineSheet::LineSheet(int atlasSize, std::size_t lineCount) : texture(atlasSize, false), lines(lineCount)
{
    texture.setNearest(true);
}

const LineSheet::Placed* LineSheet::find(const std::string& key)
{
    const Placed* placed = lines.find(key);
    return placed != nullptr && placed->generation == resets ? placed : nullptr;
}

const LineSheet::Placed* LineSheet::add(const std::string& key, const LineRaster::Bitmap& bitmap)
{
    Placed placed;
    placed.left = bitmap.left;
    placed.top = bitmap.top;
    placed.generation = resets;
    if (bitmap.width > 0 && bitmap.rows > 0) {
        GlyphAtlas::Region where;
        if (!texture.add(bitmap.width, bitmap.rows, bitmap.coverage.data(), where))
            return nullptr;
        placed.width = bitmap.width;
        placed.rows = bitmap.rows;
        placed.u0 = where.u0;
        placed.v0 = where.v0;
        placed.u1 = where.u1;
        placed.v1 = where.v1;
    }
    return &lines.put(key, placed);
}

void LineSheet::reset()
{
    lines.clear();
    texture.clear();
    ++resets;
}
