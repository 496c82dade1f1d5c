#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

// Every QuiltImage pixel carries its own column and row, so a picture pixel tells where it
// came from: red and green the low bytes, blue the high nibbles of column and row.
struct Origin {
    int32_t column, row;
    bool operator==(const Origin&) const = default;
};

Origin OriginOf(const RgbPicture& picture, int32_t x, int32_t y)
{
    const uint8_t* p = picture.pixels.data() + (static_cast<std::size_t>(y) * picture.width + x) * 3;
    return {p[0] | (p[2] & 0x0f) << 8, p[1] | (p[2] >> 4) << 8};
}

class Pictures : public ::testing::Test {
protected:
    void SetUp() override { saved = {"", textureSize, periodWidth, periodHeight, halfWidth, halfHeight, 1.0}; }
    void TearDown() override
    {
        periodWidth = saved.periodWidth;
        periodHeight = saved.periodHeight;
        halfWidth = saved.halfWidth;
        halfHeight = saved.halfHeight;
    }

    static void UseResolution(const ResolutionRow& row)
    {
        periodWidth = row.periodWidth;
        periodHeight = row.periodHeight;
        halfWidth = row.halfWidth;
        halfHeight = row.halfHeight;
        for (int32_t r = 0; r < periodHeight; ++r)
            for (int32_t c = 0; c < periodWidth; ++c) {
                uint8_t* p = QuiltImage + (static_cast<std::size_t>(r) * periodWidth + c) * 3;
                p[0] = static_cast<uint8_t>(c);
                p[1] = static_cast<uint8_t>(r);
                p[2] = static_cast<uint8_t>((c >> 8) | (r >> 8) << 4);
            }
    }

    // The pixel rule written out plainly, one modulo per pixel.
    static void ExpectTiledByRule(const RgbPicture& picture, int32_t width, int32_t height)
    {
        ASSERT_EQ(picture.width, width);
        ASSERT_EQ(picture.height, height);
        ASSERT_EQ(picture.pixels.size(), static_cast<std::size_t>(width) * height * 3);
        const int32_t ox = width / 2 - halfWidth;
        const int32_t oy = height / 2 - halfHeight;
        int32_t mismatches = 0;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const Origin expected{((x - ox) % periodWidth + periodWidth) % periodWidth,
                                      ((height - 1 - y - oy) % periodHeight + periodHeight) % periodHeight};
                if (!(OriginOf(picture, x, y) == expected) && ++mismatches <= 3)
                    ADD_FAILURE() << width << "x" << height << " at " << x << "," << y;
            }
        EXPECT_EQ(mismatches, 0);
    }

    ResolutionRow saved{};
};

TEST_F(Pictures, TileTurnsTheRowsAndEqualsThePeriodSizedTiledPicture)
{
    for (const ResolutionRow& row : resolutionTable) {
        UseResolution(row);
        const RgbPicture tile = MakeTilePicture();
        ASSERT_EQ(tile.width, row.periodWidth);
        ASSERT_EQ(tile.height, row.periodHeight);
        EXPECT_EQ(OriginOf(tile, 0, 0), (Origin{0, row.periodHeight - 1}));
        EXPECT_EQ(OriginOf(tile, row.periodWidth - 1, row.periodHeight - 1), (Origin{row.periodWidth - 1, 0}));
        EXPECT_EQ(OriginOf(tile, 5, 7), (Origin{5, row.periodHeight - 8}));

        const RgbPicture tiled = MakeTiledPicture(row.periodWidth, row.periodHeight);
        EXPECT_EQ(tiled.width, tile.width);
        EXPECT_EQ(tiled.height, tile.height);
        EXPECT_TRUE(tiled.pixels == tile.pixels) << row.periodWidth;
    }
}

TEST_F(Pictures, TwoByTwoIsTheCentreOfThePeriodAndOddSidesGrowRightAndDown)
{
    UseResolution(resolutionTable[0]);
    const RgbPicture centre = MakeTiledPicture(2, 2);
    ASSERT_EQ(centre.pixels.size(), 12u);
    EXPECT_EQ(OriginOf(centre, 0, 0), (Origin{halfWidth - 1, halfHeight}));
    EXPECT_EQ(OriginOf(centre, 1, 0), (Origin{halfWidth, halfHeight}));
    EXPECT_EQ(OriginOf(centre, 0, 1), (Origin{halfWidth - 1, halfHeight - 1}));
    EXPECT_EQ(OriginOf(centre, 1, 1), (Origin{halfWidth, halfHeight - 1}));

    // ox rounds down: the column added by an odd width is the next one on the right.
    const RgbPicture odd = MakeTiledPicture(3, 2);
    EXPECT_EQ(OriginOf(odd, 0, 0), (Origin{halfWidth - 1, halfHeight}));
    EXPECT_EQ(OriginOf(odd, 2, 0), (Origin{halfWidth + 1, halfHeight}));
    const RgbPicture wider = MakeTiledPicture(periodWidth + 1, periodHeight);
    EXPECT_EQ(OriginOf(wider, 0, 0).column, 0);
    EXPECT_EQ(OriginOf(wider, periodWidth, 0).column, 0);
}

TEST_F(Pictures, EverySizeFollowsThePixelRule)
{
    const int32_t sizes[][2] = {{1, 1}, {2, 3}, {5, 7}, {445, 257}, {443, 255}, {1000, 3}, {3, 1000}, {2048, 777}};
    for (const ResolutionRow& row : resolutionTable) {
        UseResolution(row);
        for (const auto& size : sizes)
            ExpectTiledByRule(MakeTiledPicture(size[0], size[1]), size[0], size[1]);
    }
}

TEST_F(Pictures, LargestPictureRepeatsThePeriodEverywhere)
{
    UseResolution(resolutionTable[0]);
    const RgbPicture picture = MakeTiledPicture(maxTiledPictureSide, maxTiledPictureSide);
    ExpectTiledByRule(picture, maxTiledPictureSide, maxTiledPictureSide);
    // Line by line: each equals the one 256 above, and within a line 444 columns repeat.
    const std::size_t lineBytes = static_cast<std::size_t>(maxTiledPictureSide) * 3;
    const std::size_t periodBytes = static_cast<std::size_t>(periodWidth) * 3;
    for (int32_t y = 0; y < maxTiledPictureSide; ++y) {
        const uint8_t* line = picture.pixels.data() + y * lineBytes;
        ASSERT_EQ(std::memcmp(line + periodBytes, line, lineBytes - periodBytes), 0) << y;
        if (y >= periodHeight) {
            ASSERT_EQ(std::memcmp(line, line - periodHeight * lineBytes, lineBytes), 0) << y;
        }
    }
}

TEST_F(Pictures, SidesOutsideTheRangeGiveAnEmptyPicture)
{
    UseResolution(resolutionTable[0]);
    const int32_t sizes[][2] = {{0, 5}, {5, 0}, {-2, 5}, {maxTiledPictureSide + 1, 5}, {5, maxTiledPictureSide + 1}};
    for (const auto& size : sizes) {
        const RgbPicture picture = MakeTiledPicture(size[0], size[1]);
        EXPECT_EQ(picture.width, 0);
        EXPECT_EQ(picture.height, 0);
        EXPECT_TRUE(picture.pixels.empty());
    }
}

}  // namespace
}  // namespace tessalume
