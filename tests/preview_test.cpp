#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

// Quilt pixel (c, r) holds c | r << 11 in its three bytes, so every copied pixel names its source.
uint32_t SourceOf(const uint8_t* pixel) { return pixel[0] | pixel[1] << 8 | pixel[2] << 16; }

void PaintCoordinates()
{
    for (int32_t r = 0; r < periodHeight; ++r)
        for (int32_t c = 0; c < periodWidth; ++c) {
            const uint32_t code = static_cast<uint32_t>(c) | static_cast<uint32_t>(r) << 11;
            uint8_t* pixel = QuiltImage + (static_cast<size_t>(r) * periodWidth + c) * 3;
            pixel[0] = static_cast<uint8_t>(code);
            pixel[1] = static_cast<uint8_t>(code >> 8);
            pixel[2] = static_cast<uint8_t>(code >> 16);
        }
}

uint32_t Code(int32_t column, int32_t row) { return static_cast<uint32_t>(column) | static_cast<uint32_t>(row) << 11; }

TEST(TilePreview, WrapsAndTransposesThePeriodAtEverySize)
{
    for (const ResolutionRow& row : resolutionTable) {
        textureSize = row.textureSize;
        SetPeriodFromTextureSize();
        PaintCoordinates();
        std::memset(previewPixels, 0xAB, previewPixelBytes);
        TilePreview();

        const int32_t side = static_cast<int32_t>(textureSize);
        auto texel = [side](int32_t j, int32_t i) { return SourceOf(previewPixels + (static_cast<size_t>(j) * side + i) * 3); };
        // Texture row S/2 holds the origin's column; texture columns 0 and S/2 hold its row.
        for (int32_t i = 0; i < side; ++i)
            ASSERT_EQ(texel(side / 2, i), Code(halfWidth, (halfHeight + i) % periodHeight)) << side;
        for (int32_t j = 0; j < side; ++j) {
            const int32_t column = (j + halfWidth - side / 2 + periodWidth) % periodWidth;
            ASSERT_EQ(texel(j, 0), Code(column, halfHeight)) << side;
            ASSERT_EQ(texel(j, side / 2), Code(column, halfHeight)) << side;
        }
        // Every texel against the copy rule.
        size_t wrong = 0;
        for (int32_t j = 0; j < side; ++j)
            for (int32_t i = 0; i < side; ++i)
                wrong += texel(j, i) != Code((j + halfWidth - side / 2 + periodWidth) % periodWidth,
                                             (halfHeight + i) % periodHeight);
        EXPECT_EQ(wrong, 0u) << side;
        // Nothing past the S x S texels is written.
        const size_t used = static_cast<size_t>(side) * side * 3;
        if (used < previewPixelBytes) {
            EXPECT_EQ(previewPixels[used], 0xAB);
            EXPECT_EQ(previewPixels[previewPixelBytes - 1], 0xAB);
        }
    }
    textureSize = 512;
    SetPeriodFromTextureSize();
}

}  // namespace
}  // namespace tessalume
