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

TiledPicture WholePicture(const RgbPicture& picture)
{
    return {&picture, picture.width, picture.height, 0, 0};
}

// Picture pixel (x, y) shows period column x − ox and quilt row height − 1 − y − oy, which is
// tile line y + oy − height: ox and oy centre the period.
TiledPicture CentredTiling(const RgbPicture& tile, const Quilt& quilt, int32_t width, int32_t height)
{
    const int32_t ox = width / 2 - quilt.halfWidth;
    const int32_t oy = height / 2 - quilt.halfHeight;
    return {&tile, width, height, NonNegativeRemainder(-ox, tile.width), NonNegativeRemainder(oy - height, tile.height)};
}

// Runs of the tile's line, no per-pixel modulo.
void CopyPictureLine(const TiledPicture& picture, int32_t y, uint8_t* line)
{
    const RgbPicture& tile = *picture.tile;
    const std::size_t lineBytes = static_cast<std::size_t>(picture.width) * 3;
    const std::size_t tileRowBytes = static_cast<std::size_t>(tile.width) * 3;
    const int32_t tileLine = static_cast<int32_t>((static_cast<int64_t>(picture.firstLine) + y) % tile.height);
    const uint8_t* source = tile.pixels.data() + static_cast<std::size_t>(tileLine) * tileRowBytes;
    std::size_t done = 0;
    std::size_t column = static_cast<std::size_t>(picture.firstColumn) * 3;
    while (done < lineBytes) {
        const std::size_t run = std::min(tileRowBytes - column, lineBytes - done);
        std::memcpy(line + done, source + column, run);
        done += run;
        column = 0;
    }
}

RgbPicture MakeTiledPicture(const Quilt& quilt, int32_t width, int32_t height)
{
    RgbPicture picture;
    if (width < 1 || height < 1 || width > maxTiledPictureSide || height > maxTiledPictureSide)
        return picture;
    const RgbPicture tile = MakeTilePicture(quilt);
    const TiledPicture tiling = CentredTiling(tile, quilt, width, height);
    picture.width = width;
    picture.height = height;
    const std::size_t lineBytes = static_cast<std::size_t>(width) * 3;
    picture.pixels.resize(lineBytes * static_cast<std::size_t>(height));
    for (int32_t y = 0; y < height; ++y) CopyPictureLine(tiling, y, picture.pixels.data() + y * lineBytes);
    return picture;
}

}  // namespace tessalume
