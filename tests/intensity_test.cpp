#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

// The 444 x 256 period, brightness 1, antialiasing "Off"; cells are written directly.
class IntensityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        textureSize = 512;
        SetPeriodFromTextureSize();
        activeResolution = 0;
        brightness = 1;
        antialiasingList.selected = 0;
        intensityList.selected = 0;
        ClearAccumulators();
    }
    static void SetCell(int32_t cell, int32_t hits, float mapping, float red, float green = 0, float blue = 0)
    {
        Accumulators[cell] = {hits, mapping, red, green, blue};
    }
    static void Run(int32_t selection)
    {
        intensityList.selected = selection;
        SelectIntensityFunction();
        intensitySlot.load()();
    }
    static const uint8_t* Pixel(int32_t cell) { return QuiltImage + cell * 3; }
};

TEST_F(IntensityTest, TheSevenCurvesOnBlackInListOrder)
{
    // a = 1/10 in cell 1; trunc(250 · curve(0.1)) and trunc(120 · curve(0.1)) for the seven curves.
    constexpr int expectedRed[7] = {2, 25, 39, 51, 109, 79, 98};
    constexpr int expectedGreen[7] = {1, 12, 18, 24, 52, 37, 47};
    for (int32_t selection = 0; selection < 7; ++selection) {
        SetCell(0, 1, 10, 0);
        SetCell(1, 1, 1, 250, 120, -5);
        Run(selection);
        EXPECT_EQ(Pixel(1)[0], expectedRed[selection]) << selection;
        EXPECT_EQ(Pixel(1)[1], expectedGreen[selection]) << selection;
        EXPECT_EQ(Pixel(1)[2], 0) << selection;
    }
    // Averages: the sums divided by the hit count.
    SetCell(1, 4, 1, 1000, 480, 0);
    Run(1);
    EXPECT_EQ(Pixel(1)[0], 25);
    EXPECT_EQ(Pixel(1)[1], 12);
}

TEST_F(IntensityTest, TheTwoFunctionsOnWhiteBlendSmallRatiosTowardWhite)
{
    brightness = 2;  // b = 2 · 1 · 0.25
    SetCell(0, 1, 10, 0);
    SetCell(1, 1, 1, 100, 100, 100);
    Run(7);
    EXPECT_EQ(Pixel(1)[0], 141);
    Run(8);
    EXPECT_EQ(Pixel(1)[0], 190);
}

TEST_F(IntensityTest, GainFollowsResolutionAndAntialiasingWhereTheFunctionSaysSo)
{
    brightness = 2;
    SetCell(5, 2, 4, 20, 200, 200);  // a = 1, average colour 10 and 100
    struct Row {
        int32_t selection;
        int expected[2][3];  // [antialiasing off, on][resolution]
        int channel;
    };
    const Row rows[] = {
        {1, {{20, 30, 45}, {30, 45, 67}}, 0},      // "Low Brightness": brightness · factor · h
        {0, {{20, 20, 20}, {30, 30, 30}}, 0},      // "Very Low Br.": no resolution factor
        {8, {{50, 75, 112}, {75, 112, 168}}, 1},   // "White II": 100 · brightness · factor · 0.25 or 0.375
        {7, {{9, 22, 49}, {22, 49, 111}}, 1},      // "White I": the same, squared over 255
    };
    for (const Row& row : rows)
        for (int32_t antialiasing : {0, 1})
            for (int32_t resolution = 0; resolution < 3; ++resolution) {
                antialiasingList.selected = antialiasing == 0 ? 0 : 3;
                activeResolution = resolution;
                Run(row.selection);
                EXPECT_EQ(Pixel(5)[row.channel], row.expected[antialiasing][resolution])
                    << "selection " << row.selection << " antialiasing " << antialiasing << " resolution "
                    << resolution;
            }
    // The brightest cell shows its average colour times the gain, clamped per channel.
    activeResolution = 0;
    antialiasingList.selected = 0;
    Run(1);
    EXPECT_EQ(Pixel(5)[0], 20);
    EXPECT_EQ(Pixel(5)[1], 200);
    SetCell(5, 2, 4, 20, 400, 200);
    Run(1);
    EXPECT_EQ(Pixel(5)[1], 255);
}

TEST_F(IntensityTest, NegativeRatiosGoDarkExceptWhereTheCurveSquaresThem)
{
    SetCell(0, 1, 10, 0);
    SetCell(1, 1, -1, 1000, 1000, 1000);  // a = −0.1
    SetCell(2, 1, 1, 1000, 1000, 1000);   // a = +0.1
    for (int32_t selection : {1, 2, 3, 4, 5, 6, 7, 8}) {
        std::memset(QuiltImage, 77, 6 * 3);
        Run(selection);
        EXPECT_EQ(Pixel(1)[0], 0) << selection;
        EXPECT_EQ(Pixel(1)[2], 0) << selection;
    }
    Run(0);
    EXPECT_EQ(Pixel(1)[0], 10);
    EXPECT_EQ(Pixel(1)[0], Pixel(2)[0]);
}

TEST_F(IntensityTest, AnEmptyPeriodLeavesImageAndPreviewUntouched)
{
    std::vector<uint8_t> image(quiltImageBytes), preview(previewPixelBytes);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
    for (size_t i = 0; i < preview.size(); ++i) preview[i] = static_cast<uint8_t>(i * 13);
    SetCell(3, 4, -2, 100, 100, 100);  // hit, but no positive mapping sum anywhere
    SetCell(9, 1, 0, 100, 100, 100);
    for (int32_t selection = 0; selection < 9; ++selection) {
        std::memcpy(QuiltImage, image.data(), image.size());
        std::memcpy(previewPixels, preview.data(), preview.size());
        Run(selection);
        EXPECT_EQ(std::memcmp(QuiltImage, image.data(), image.size()), 0) << selection;
        EXPECT_EQ(std::memcmp(previewPixels, preview.data(), preview.size()), 0) << selection;
    }
}

TEST_F(IntensityTest, UnhitPixelsKeepTheBackgroundOfTheLastClear)
{
    for (int32_t selection : {7, 8, 1}) {
        intensityList.selected = selection;
        ClearAccumulators();
        const uint8_t background = selection == 1 ? 0 : 255;
        SetCell(100, 3, 6, 30, 30, 30);
        Run(selection);
        EXPECT_NE(Pixel(100)[0], background);
        const int32_t cells = periodWidth * periodHeight;
        EXPECT_EQ(std::count(QuiltImage, QuiltImage + cells * 3, background), (cells - 1) * 3) << selection;
        // The refresh ends with the preview copy: texture row S/2, column 0 is the origin pixel.
        const size_t origin = (static_cast<size_t>(textureSize / 2) * textureSize) * 3;
        const size_t originCell = (static_cast<size_t>(halfHeight) * periodWidth + halfWidth) * 3;
        EXPECT_EQ(previewPixels[origin], QuiltImage[originCell]);
    }
}

TEST_F(IntensityTest, SelectionIsATableInListOrder)
{
    const EngineFunction functions[9] = {IntensityVeryLow,     IntensityLow,        IntensityMedium,
                                         IntensityHigh,        IntensityVeryHigh,   IntensityLowContrast,
                                         IntensityVeryBright,  IntensityWhiteI,     IntensityWhiteII};
    for (int32_t selection = 0; selection < 9; ++selection) {
        intensityList.selected = selection;
        SelectIntensityFunction();
        EXPECT_EQ(intensitySlot.load(), functions[selection]);
    }
    for (int32_t outside : {-1, 9}) {
        intensityList.selected = outside;
        SelectIntensityFunction();
        EXPECT_EQ(intensitySlot.load(), IntensityWhiteII);
    }
}

}  // namespace
}  // namespace tessalume
