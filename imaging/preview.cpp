// The preview copy: the period wrapped around the origin and transposed into a square buffer,
// texture row j holding quilt column (j + halfWidth − S/2) mod W, texture column i quilt row
// (halfHeight + i) mod H.
#include <cstring>

#include "imaging/imaging.h"

namespace tessalume {

namespace {
// Texture rows filled together: their source pixels lie side by side in one quilt row.
constexpr uint32_t rowsPerBand = 16;
}  // namespace

void TilePreview(const Quilt& quilt, uint8_t* previewPixels)
{
    const uint32_t side = quilt.textureSize;
    const int32_t width = quilt.periodWidth;
    const int32_t height = quilt.periodHeight;
    const int32_t halfWidth = quilt.halfWidth;
    const int32_t halfHeight = quilt.halfHeight;
    const uint8_t* const image = quilt.image.data();
    if (side == 0 || side > maxTextureSize || side % rowsPerBand != 0 || width <= 0 || height <= 0) return;
    const size_t rowBytes = static_cast<size_t>(side) * 3;

    // A transpose: reading quilt rows and writing texture rows both want to be sequential, so
    // a band of texture rows is filled column by column, each column one short run of a quilt
    // row written into the band's rows at once. Only part of it is transposed: S = 2H, so the
    // second half of every texture row repeats its first, and texture row j + W repeats row j.
    const uint32_t columns = side == 2u * static_cast<uint32_t>(height) ? static_cast<uint32_t>(height) : side;
    const uint32_t bandedWidth = (static_cast<uint32_t>(width) + rowsPerBand - 1) / rowsPerBand * rowsPerBand;
    const uint32_t rows = bandedWidth < side ? bandedWidth : side;
    for (uint32_t bandStart = 0; bandStart < rows; bandStart += rowsPerBand) {
        size_t sourceOffsets[rowsPerBand];
        for (uint32_t k = 0; k < rowsPerBand; ++k) {
            const int64_t column = (static_cast<int64_t>(bandStart + k) + halfWidth - side / 2 + width) % width;
            sourceOffsets[k] = static_cast<size_t>(column) * 3;
        }
        uint8_t* band = previewPixels + bandStart * rowBytes;
        int32_t row = halfHeight % height;
        for (uint32_t i = 0; i < columns; ++i) {
            const uint8_t* source = image + static_cast<size_t>(row) * width * 3;
            uint8_t* target = band + static_cast<size_t>(i) * 3;
            for (uint32_t k = 0; k < rowsPerBand; ++k) std::memcpy(target + k * rowBytes, source + sourceOffsets[k], 3);
            if (++row == height) row = 0;
        }
        if (columns != side)
            for (uint32_t k = 0; k < rowsPerBand; ++k)
                std::memcpy(band + k * rowBytes + columns * 3, band + k * rowBytes, (side - columns) * 3);
    }
    for (uint32_t j = rows; j < side; ++j)
        std::memcpy(previewPixels + j * rowBytes, previewPixels + (j - width) * rowBytes, rowBytes);
}

}  // namespace tessalume
