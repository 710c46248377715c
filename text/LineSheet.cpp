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
        int x = 0;
        int y = 0;
        if (!texture.add(bitmap.width, bitmap.rows, bitmap.coverage.data(), x, y))
            return nullptr;
        const float scale = 1.0f / static_cast<float>(texture.size());
        placed.width = bitmap.width;
        placed.rows = bitmap.rows;
        placed.u0 = static_cast<float>(x) * scale;
        placed.v0 = static_cast<float>(y) * scale;
        placed.u1 = static_cast<float>(x + bitmap.width) * scale;
        placed.v1 = static_cast<float>(y + bitmap.rows) * scale;
    }
    return &lines.put(key, placed);
}

void LineSheet::reset()
{
    lines.clear();
    texture.clear();
    ++resets;
}
