// The pictures that the exports write: the period itself, and the period centred and repeated
// over a picture of any size.
#include <algorithm>
#include <cstring>

#include "files/files.h"

namespace tessalume {

namespace {

int32_t NonNegativeRemainder(int32_t value, int32_t divisor)
{
    int32_t remainder = value % divisor;
    return remainder < 0 ? remainder + divisor : remainder;
}

}  // namespace

RgbPicture MakeTilePicture(const Quilt& quilt)
{
    const int32_t periodWidth = quilt.periodWidth, periodHeight = quilt.periodHeight;
    RgbPicture picture;
    picture.width = periodWidth;
    picture.height = periodHeight;
    const std::size_t rowBytes = static_cast<std::size_t>(periodWidth) * 3;
    picture.pixels.resize(rowBytes * static_cast<std::size_t>(periodHeight));
    // The quilt keeps row 0 at the bottom, a picture keeps line 0 at the top.
    for (int32_t r = 0; r < periodHeight; ++r)
        std::memcpy(picture.pixels.data() + static_cast<std::size_t>(periodHeight - 1 - r) * rowBytes,
                    quilt.image.data() + static_cast<std::size_t>(r) * rowBytes, rowBytes);
    return picture;
}

RgbPicture MakeTiledPicture(const Quilt& quilt, int32_t width, int32_t height)
{
    const int32_t periodWidth = quilt.periodWidth, periodHeight = quilt.periodHeight;
    RgbPicture picture;
    if (width < 1 || height < 1 || width > maxTiledPictureSide || height > maxTiledPictureSide)
        return picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);

    const std::size_t lineBytes = static_cast<std::size_t>(width) * 3;
    const std::size_t periodRowBytes = static_cast<std::size_t>(periodWidth) * 3;
    const int32_t ox = width / 2 - quilt.halfWidth;
    const int32_t oy = height / 2 - quilt.halfHeight;
    const int32_t firstColumn = NonNegativeRemainder(-ox, periodWidth);
    uint8_t* const pixels = picture.pixels.data();

    // A line depends only on its source row, and the source rows repeat every periodHeight
    // lines: the first period of lines is assembled from runs of the quilt's rows, every later
    // line is a copy of the line one period above it. No per-pixel modulo.
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* line = pixels + static_cast<std::size_t>(y) * lineBytes;
        if (y >= periodHeight) {
            std::memcpy(line, line - static_cast<std::size_t>(periodHeight) * lineBytes, lineBytes);
            continue;
        }
        const int32_t row = NonNegativeRemainder(height - 1 - y - oy, periodHeight);
        const uint8_t* source = quilt.image.data() + static_cast<std::size_t>(row) * periodRowBytes;
        std::size_t done = 0;
        std::size_t column = static_cast<std::size_t>(firstColumn) * 3;
        while (done < lineBytes) {
            std::size_t run = std::min(periodRowBytes - column, lineBytes - done);
            std::memcpy(line + done, source + column, run);
            done += run;
            column = 0;
        }
    }
    return picture;
}

}  // namespace tessalume
