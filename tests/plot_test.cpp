#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

constexpr double pi = 3.141592653589793;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

void Select(int32_t mapping, int32_t antialiasing)
{
    colorMappingIndex = mapping;
    antialiasingList.selected = antialiasing;
    antialiasRadius = antialiasingTable[antialiasing].radius;
    SelectPlotFunction();
}

int64_t TotalHits()
{
    int64_t total = 0;
    for (int32_t i = 0; i < periodWidth * periodHeight; ++i) total += Accumulators[i].hitCount;
    return total;
}

// The 444 x 256 period at one pixel per world unit. Only translate 12 (the point itself) lands
// unless a test moves other offsets in; the colour map tells entries apart.
class PlotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        textureSize = 512;
        SetPeriodFromTextureSize();
        activeResolution = 0;
        pixelScale = inverseStepRange = 1;
        for (int i = 0; i < 12; ++i) latticeOffsetX[i] = latticeOffsetY[i] = 1e7;  // never lands
        latticeOffsetX[12] = latticeOffsetY[12] = 0;
        for (int k = 0; k < 256; ++k) ColorMap.red[k] = k, ColorMap.green[k] = 1000 + k, ColorMap.blue[k] = -k;
        intensityList.selected = 1;
        Select(0, 0);
        ClearAccumulators();
        engineRandom.Seed(11);
    }
    // One step to the pixel (px, py) of translate 12, the step vector being (dx, dy).
    static void StepTo(double px, double py, double dx = 0, double dy = 0)
    {
        nextX = px - halfWidth;
        nextY = py - halfHeight;
        pointX = nextX - dx;
        pointY = nextY - dy;
        plotSlot();
        FlushPlotQueue();
    }
    static const AccumulatorCell& At(int32_t x, int32_t y) { return Accumulators[y * periodWidth + x]; }
};

TEST_F(PlotTest, HalvesRoundUpInSinglePrecisionAndPositionsJustOutsideAreDropped)
{
    // Just below 4.5 in double is 4.5 in float.
    const double lands[][4] = {{2.5, 7.5, 3, 8}, {-0.5, 0, 0, 0}, {10, -0.5, 10, 0},
                               {443.49, 255.49, 443, 255}, {4.4999999999, 20, 5, 20}};
    for (const auto& c : lands) {
        ClearAccumulators();
        StepTo(c[0], c[1]);
        EXPECT_EQ(At(c[2], c[3]).hitCount, 1) << c[0] << ", " << c[1];
        EXPECT_EQ(TotalHits(), 1);
    }
    ClearAccumulators();
    StepTo(443.5, 5);  // rounds to column 444
    StepTo(5, 255.5);
    for (double wild : {-0.51, nan, inf, -inf, 1e300, -1e300, 3e9, -3e9}) StepTo(wild, 5), StepTo(5, wild);
    EXPECT_EQ(TotalHits(), 0);
}

TEST_F(PlotTest, OneStepColoursByItsMappingValue)
{
    struct Case {
        int32_t mapping;
        double dx, dy;
        float mappingSum, redSum;
    };
    const Case cases[] = {
        {0, 2, 0, 2, 255},        // s ≥ 1 saturates
        {0, 0, 0.5, 0.5f, 127},   // 127.5 truncates
        {2, 1.5, 0, -1, 0},       // sin(1.5π) = −1 takes entry 0 and lowers the sum
        {1, 0, 0, 0, 0},          // a still step has no angle
    };
    for (const Case& c : cases) {
        Select(c.mapping, 0);
        ClearAccumulators();
        StepTo(20, 10, c.dx, c.dy);
        EXPECT_EQ(At(20, 10).hitCount, 1) << c.mapping;
        EXPECT_EQ(At(20, 10).mappingSum, c.mappingSum) << c.mapping;
        EXPECT_EQ(At(20, 10).redSum, c.redSum) << c.mapping;
        EXPECT_EQ(At(20, 10).blueSum, -c.redSum) << c.mapping;
    }
    for (int32_t mapping = 3; mapping < 7; ++mapping) {  // every wave is below zero at s = 1.5
        if (mapping == 6 && SignedRootWave(1.5 * pi) == 0) continue;
        Select(mapping, 0);
        ClearAccumulators();
        StepTo(50, 60, 1.5);
        EXPECT_LT(At(50, 60).mappingSum, 0) << mapping;
        EXPECT_EQ(At(50, 60).greenSum, 1000) << mapping;
    }
}

TEST_F(PlotTest, AngleStaysInTheLowerHalfOfTheMap)
{
    Select(1, 0);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> across(-3, 3);
    for (int i = 0; i < 500; ++i) {
        ClearAccumulators();
        StepTo(100, 100, across(random), across(random));
        ASSERT_LE(At(100, 100).redSum, 127);
        ASSERT_TRUE(At(100, 100).mappingSum >= 0 && At(100, 100).mappingSum <= 0.5f);
    }
}

TEST_F(PlotTest, HitsCountSamplesWhileAntialiasedSumsCarryWeights)
{
    constexpr int steps = 4000;
    Select(0, 4);  // radius 2
    for (int i = 0; i < steps; ++i) StepTo(200, 100, 0.25);  // k = 63
    double red = 0, mapping = 0;
    for (int32_t y = 97; y <= 103; ++y)
        for (int32_t x = 197; x <= 203; ++x) red += At(x, y).redSum, mapping += At(x, y).mappingSum;
    EXPECT_EQ(TotalHits(), steps);
    EXPECT_LT(At(200, 100).hitCount, steps);
    // Weights 1 − r with r uniform: about half of the plain sums.
    EXPECT_NEAR(red / (63.0 * steps), 0.5, 0.03);
    EXPECT_NEAR(mapping / (0.25 * steps), 0.5, 0.03);
}

TEST_F(PlotTest, SelectionIsATableOfMappingsByAntialiasingOnOrOff)
{
    std::set<EngineFunction> seen;
    for (int32_t mapping = 0; mapping < 7; ++mapping) {
        Select(mapping, 0);
        seen.insert(plotSlot);
        Select(mapping, 1);
        seen.insert(plotSlot);
        const EngineFunction antialiased = plotSlot;
        for (int32_t entry = 2; entry < 5; ++entry) {
            Select(mapping, entry);
            EXPECT_EQ(plotSlot, antialiased);
        }
    }
    EXPECT_EQ(seen.size(), 14u);
    EXPECT_EQ(plotSlot, PlotCircularIIAntialiased);
    Select(0, 0);
    EXPECT_EQ(plotSlot, PlotDistance);
    for (int32_t outside : {-1, 7}) {
        colorMappingIndex = outside;
        SelectPlotFunction();
        EXPECT_EQ(plotSlot, PlotDistance);
    }
}

TEST_F(PlotTest, ClearPaintsTheBackgroundOfTheListSelectionAndDropsHeldStamps)
{
    for (int32_t selection = 0; selection < 9; ++selection) {
        intensityList.selected = selection;
        ClearAccumulators();
        const uint8_t background = selection >= 7 ? 255 : 0;
        EXPECT_EQ(QuiltImage[0], background);
        EXPECT_EQ(QuiltImage[quiltImageBytes - 1], background);
    }
    pointX = pointY = nextX = nextY = 0;
    plotSlot();  // held, not yet added
    ClearAccumulators();
    FlushPlotQueue();
    EXPECT_EQ(TotalHits(), 0);
}

// ---- The fast path against a plain, obviously correct plot -------------------------------

double ReferenceMapping(int32_t mapping, double dx, double dy)
{
    if (mapping == 1) {
        if (dx == 0 && dy == 0) return 0;
        const double q = std::fmod(2 * std::atan(dy / dx) + pi, 2.0943951023931957) * 0.47746482927568595;
        return q <= 0.5 ? q : 1 - q;
    }
    const double s = std::sqrt(dx * dx + dy * dy) * inverseStepRange;
    const double x = s * pi;
    switch (mapping) {
    case 0: return s;
    case 2: return std::sin(x);
    case 3: return std::tanh(5 * std::sin(x));
    case 4: return std::asin(std::sin(x)) * 0.6366197723675814;
    case 5: return std::sin(x) > 0 ? std::sqrt(std::sin(x)) : std::sin(x) < 0 ? -std::sqrt(-std::sin(x)) : 0;
    default: return SignedRootWave(x);
    }
}

// Always draws both numbers when antialiased, whether or not anything lands.
void ReferencePlot(std::vector<AccumulatorCell>& cells, int32_t mapping, bool antialiased)
{
    double originX = halfWidth, originY = halfHeight;
    double weight = 1;
    if (antialiased) {
        const float u1 = engineRandom.NextUniform();
        const float u2 = engineRandom.NextUniform();
        const float theta = static_cast<float>(u1 * 6.283185307179586);
        originX = static_cast<float>(static_cast<float>(sinf(theta) * u2) * antialiasRadius + halfWidth);
        originY = static_cast<float>(static_cast<float>(cosf(theta) * u2) * antialiasRadius + halfHeight);
        weight = 1.0f - u2;
    }
    for (int i = 0; i < 13; ++i) {
        const float px = static_cast<float>((nextX + latticeOffsetX[i]) * pixelScale + originX);
        const float py = static_cast<float>((nextY + latticeOffsetY[i]) * pixelScale + originY);
        if (!(std::fabs(px) < 1e7f && std::fabs(py) < 1e7f)) continue;
        const auto nearest = [](float p) { return static_cast<int32_t>(floorf(p)) + (p - floorf(p) >= 0.5f); };
        const int32_t ix = nearest(px), iy = nearest(py);
        if (ix < 0 || ix >= periodWidth || iy < 0 || iy >= periodHeight) continue;
        const double c = ReferenceMapping(mapping, nextX - pointX, nextY - pointY);
        const double scaled = c * 255;
        const int32_t k = !(scaled >= 0) ? 0 : scaled > 255 ? 255 : static_cast<int32_t>(scaled);
        AccumulatorCell& cell = cells[static_cast<size_t>(iy) * periodWidth + ix];
        cell.hitCount += 1;
        cell.mappingSum = static_cast<float>(cell.mappingSum + weight * c);
        cell.redSum = static_cast<float>(cell.redSum + weight * ColorMap.red[k]);
        cell.greenSum = static_cast<float>(cell.greenSum + weight * ColorMap.green[k]);
        cell.blueSum = static_cast<float>(cell.blueSum + weight * ColorMap.blue[k]);
    }
}

TEST(PlotAgainstReference, EveryFunctionMatchesAPlainLoopBitForBit)
{
    std::mt19937_64 random(2024);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int32_t k = 0; k < 256; ++k) {
        ColorMap.red[k] = 300 * unit(random) - 20;
        ColorMap.green[k] = std::floor(256 * unit(random));
        ColorMap.blue[k] = 255 * unit(random);
    }
    intensityList.selected = 0;
    int orbit = 0;
    for (int32_t mapping = 0; mapping < 7; ++mapping) {
        for (int32_t antialiasing : {0, 1, 4}) {
            textureSize = resolutionTable[orbit++ % 3].textureSize;
            SetPeriodFromTextureSize();
            const double radius = 0.3 + 2 * unit(random);
            LayLattice(radius);
            pixelScale = periodHeight / (radius * 2.0) * 2.0;
            inverseStepRange = 1 / (radius * (0.2 + unit(random)));
            Select(mapping, antialiasing);
            ClearAccumulators();
            engineRandom.Seed(static_cast<uint32_t>(orbit));

            // Points spread over the lattice, some on exact half pixels, some repeated, some wild.
            const int steps = 30000;
            std::vector<double> points(2 * steps + 2);
            for (size_t i = 0; i < points.size(); i += 2) {
                const double choice = unit(random);
                if (choice < 0.05) {
                    points[i] = (std::floor(unit(random) * periodWidth) + 0.5 - halfWidth) / pixelScale;
                    points[i + 1] = (std::floor(unit(random) * periodHeight) - 0.5 - halfHeight) / pixelScale;
                } else if (choice < 0.07 && i >= 2) {
                    points[i] = points[i - 2];
                    points[i + 1] = points[i - 1];
                } else if (choice < 0.075) {
                    points[i] = unit(random) < 0.5 ? nan : 1e200;
                    points[i + 1] = -1e12;
                } else {
                    points[i] = (2 * unit(random) - 1) * 1.2 * radius;
                    points[i + 1] = (2 * unit(random) - 1) * 1.2 * radius;
                }
            }
            const auto walk = [&](auto plot) {
                for (int s = 0; s < steps; ++s) {
                    pointX = points[2 * s];
                    pointY = points[2 * s + 1];
                    nextX = points[2 * s + 2];
                    nextY = points[2 * s + 3];
                    plot();
                }
            };
            const RndField start = engineRandom;
            walk(plotSlot);
            FlushPlotQueue();
            const size_t cellCount = static_cast<size_t>(periodWidth) * periodHeight;
            std::vector<AccumulatorCell> expected(cellCount, AccumulatorCell{});
            engineRandom = start;
            walk([&] { ReferencePlot(expected, mapping, antialiasing != 0); });

            // Every field of every cell, compared bit for bit.
            size_t differences = 0, hits = 0;
            for (size_t c = 0; c < cellCount; ++c) {
                hits += Accumulators[c].hitCount;
                differences += std::memcmp(&Accumulators[c], &expected[c], sizeof(AccumulatorCell)) != 0;
            }
            EXPECT_EQ(differences, 0u) << "mapping " << mapping << " antialiasing " << antialiasing;
            EXPECT_GT(hits, static_cast<size_t>(steps)) << "mapping " << mapping;
        }
    }
}

}  // namespace
}  // namespace tessalume
