// The imaging rules that the pinned renderer results cannot show: rounding at exact halves,
// stamps that fall outside, negative intensity ratios, an empty period,
// stamps held back across a clear, and the preview's wrap and transpose.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// The 444 x 256 period at one pixel per world unit, where only translate 12, the point
// itself, lands.
class Imaging : public ::testing::Test {
protected:
    void SetUp() override
    {
        quilt.pixelScale = quilt.design.inverseStepRange = 1;
        for (int i = 0; i < 12; ++i) quilt.design.latticeOffsetX[i] = quilt.design.latticeOffsetY[i] = 1e7;
        quilt.design.latticeOffsetX[12] = quilt.design.latticeOffsetY[12] = 0;
    }
    // One still step onto the pixel (px, py).
    void StepTo(double px, double py)
    {
        Orbit& orbit = quilt.orbit;
        orbit.pointX = orbit.nextX = px - quilt.halfWidth;
        orbit.pointY = orbit.nextY = py - quilt.halfHeight;
        PlotDistance(quilt);
        FlushPlotQueue(quilt);
    }
    int64_t TotalHits() const
    {
        int64_t total = 0;
        for (const AccumulatorCell& cell : quilt.accumulators) total += cell.hitCount;
        return total;
    }
    AccumulatorCell& At(int32_t x, int32_t y) { return quilt.accumulators[y * quilt.periodWidth + x]; }
    bool Refresh(int32_t intensity)
    {
        quilt.intensity = intensity;
        return ToneQuilt(quilt, 1);
    }
    const uint8_t* Pixel(int32_t x, int32_t y) { return quilt.image.data() + (y * quilt.periodWidth + x) * 3; }

    Quilt quilt = FreshQuilt();
};

TEST_F(Imaging, HalvesRoundUpInSinglePrecisionAndPositionsOutsideOrHeldAcrossAClearAreDropped)
{
    // {px, py, column, row}; just below 4.5 in double is 4.5 in single precision.
    const double lands[][4] = {
        {2.5, 7.5, 3, 8}, {-0.5, 0, 0, 0}, {10, -0.5, 10, 0}, {443.49, 255.49, 443, 255}, {4.4999999999, 20, 5, 20}};
    for (const auto& c : lands) {
        ClearQuilt(quilt, 1);
        StepTo(c[0], c[1]);
        EXPECT_EQ(At(c[2], c[3]).hitCount, 1) << c[0] << ", " << c[1];
        EXPECT_EQ(TotalHits(), 1);
    }
    ClearQuilt(quilt, 1);
    StepTo(443.5, 5);  // rounds to column 444
    StepTo(5, 255.5);
    for (double wild : {-0.51, nan, inf, -inf, 1e300, -1e300, 3e9, -3e9}) StepTo(wild, 5), StepTo(5, wild);
    quilt.orbit.pointX = quilt.orbit.pointY = quilt.orbit.nextX = quilt.orbit.nextY = 0;
    PlotDistance(quilt);  // held back, not yet added: a clear drops it
    ClearQuilt(quilt, 1);
    FlushPlotQueue(quilt);
    EXPECT_EQ(TotalHits(), 0);
}

TEST_F(Imaging, NoPositiveMappingSumLeavesThePictureAlone)
{
    for (size_t i = 0; i < quilt.image.size(); ++i) quilt.image[i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> image = quilt.image;
    At(3, 0) = {4, -2, 100, 100, 100};  // hit, but no positive mapping sum anywhere
    At(9, 0) = {1, 0, 100, 100, 100};
    for (int32_t intensity = 0; intensity < 9; ++intensity) {
        EXPECT_FALSE(Refresh(intensity)) << intensity;
        EXPECT_EQ(quilt.image, image) << intensity;
    }
}

TEST_F(Imaging, NegativeRatiosGoDarkExceptWhereTheCurveSquaresThem)
{
    At(0, 0) = {1, 10, 0, 0, 0};
    At(1, 0) = {1, -1, 1000, 1000, 1000};  // a = −0.1
    At(2, 0) = {1, 1, 1000, 1000, 1000};   // a = +0.1
    for (int32_t intensity = 1; intensity < 9; ++intensity) {
        std::memset(quilt.image.data(), 77, 9);
        Refresh(intensity);
        EXPECT_EQ(Pixel(1, 0)[0], 0) << intensity;
    }
    Refresh(0);
    EXPECT_EQ(Pixel(1, 0)[0], 10);
    EXPECT_EQ(Pixel(2, 0)[0], 10);
}

// Quilt pixel (c, r) holds c | r << 11, so that every texel names the pixel it was copied from.
TEST(TilePreview, WrapsAndTransposesThePeriodAtEverySizeAndWritesNothingBeyond)
{
    const auto code = [](int32_t column, int32_t row) { return static_cast<uint32_t>(column) | static_cast<uint32_t>(row) << 11; };
    Quilt quilt;
    const size_t previewPixelBytes = size_t{maxTextureSize} * maxTextureSize * 3;
    std::vector<uint8_t> preview(previewPixelBytes);
    uint8_t* const previewPixels = preview.data();
    for (int32_t resolution = 0; resolution < resolutionCount; ++resolution) {
        SetResolution(quilt, resolution, 0);
        const int32_t periodWidth = quilt.periodWidth, periodHeight = quilt.periodHeight;
        const int32_t halfWidth = quilt.halfWidth, halfHeight = quilt.halfHeight;
        for (int32_t r = 0; r < periodHeight; ++r)
            for (int32_t c = 0; c < periodWidth; ++c) {
                uint8_t* pixel = quilt.image.data() + (static_cast<size_t>(r) * periodWidth + c) * 3;
                pixel[0] = static_cast<uint8_t>(code(c, r));
                pixel[1] = static_cast<uint8_t>(code(c, r) >> 8);
                pixel[2] = static_cast<uint8_t>(code(c, r) >> 16);
            }
        std::memset(previewPixels, 0xAB, previewPixelBytes);
        TilePreview(quilt, previewPixels);
        const int32_t side = static_cast<int32_t>(quilt.textureSize);
        size_t wrong = 0;
        for (int32_t j = 0; j < side; ++j)
            for (int32_t i = 0; i < side; ++i) {
                const uint8_t* texel = previewPixels + (static_cast<size_t>(j) * side + i) * 3;
                wrong += static_cast<uint32_t>(texel[0] | texel[1] << 8 | texel[2] << 16) !=
                         code((j + halfWidth - side / 2 + periodWidth) % periodWidth, (halfHeight + i) % periodHeight);
            }
        EXPECT_EQ(wrong, 0u) << side;
        const size_t used = static_cast<size_t>(side) * side * 3;
        EXPECT_EQ(std::count(previewPixels + used, previewPixels + previewPixelBytes, 0xAB), previewPixelBytes - used);
    }
}

}  // namespace
}  // namespace tessalume
