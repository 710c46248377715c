#include "app/WindowPicture.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

RgbImage WindowPicture::readBackBuffer(int width, int height)
{
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    // GL's rows run bottom to top.
    RgbImage picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel
                = &rows[(static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) + x) * 3];
            picture.setPixel(x, y, Rgb{pixel[0], pixel[1], pixel[2]});
        }
    return picture;
}
