#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

constexpr double far = 1e7;  // a lattice offset that never lands

// The 444 x 256 period at one pixel per world unit. Only translate 12 (the point itself) lands
// unless a test moves other offsets in; the colour map tells entries apart.
class PlotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        textureSize = 512;
        SetPeriodFromTextureSize();
        activeResolution = 0;
        pixelScale = 1;
        inverseStepRange = 1;
        for (int i = 0; i < 12; ++i) latticeOffsetX[i] = latticeOffsetY[i] = far;
        latticeOffsetX[12] = latticeOffsetY[12] = 0;
        for (int k = 0; k < 256; ++k) {
            ColorMap.red[k] = k;
            ColorMap.green[k] = 1000 + k;
            ColorMap.blue[k] = -k;
        }
        intensityList.selected = 1;
        Select(0, 0);
        ClearAccumulators();
        engineRandom.Seed(11);
    }
    void Select(int32_t mapping, int32_t antialiasing)
    {
        colorMappingIndex = mapping;
        antialiasingList.selected = antialiasing;
        antialiasRadius = antialiasRadiusOfEntry[antialiasing];
        SelectPlotFunction();
    }
    // One step from (fromX, fromY) to the pixel position (px, py) of translate 12.
    void StepTo(double px, double py, double fromX = 0, double fromY = 0)
    {
        pointX = fromX;
        pointY = fromY;
        nextX = px - halfWidth;
        nextY = py - halfHeight;
        plotSlot();
        FlushPlotQueue();
    }
    static const AccumulatorCell& At(int32_t x, int32_t y) { return Accumulators[y * periodWidth + x]; }
    static int64_t TotalHits()
    {
        int64_t total = 0;
        for (int32_t i = 0; i < periodWidth * periodHeight; ++i) total += Accumulators[i].hitCount;
        return total;
    }
};

TEST_F(PlotTest, HalvesRoundUpAndPositionsJustOutsideAreDropped)
{
    StepTo(2.5, 7.5);
    EXPECT_EQ(At(3, 8).hitCount, 1);
    StepTo(-0.5, 0);
    EXPECT_EQ(At(0, 0).hitCount, 1);
    StepTo(10, -0.5);
    EXPECT_EQ(At(10, 0).hitCount, 1);
    StepTo(443.49, 255.49);
    EXPECT_EQ(At(443, 255).hitCount, 1);
    EXPECT_EQ(TotalHits(), 4);

    StepTo(-0.51, 5);
    StepTo(5, -0.51);
    StepTo(443.5, 5);  // rounds to column 444
    StepTo(5, 255.5);
    EXPECT_EQ(TotalHits(), 4);

    // Rounded to single precision before the tie rule: just below 4.5 in double is 4.5 in float.
    StepTo(4.4999999999, 20);
    EXPECT_EQ(At(5, 20).hitCount, 1);
}

TEST_F(PlotTest, WildPositionsAreSkippedWithoutHarm)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double wild : {nan, inf, -inf, 1e300, -1e300, 3e9, -3e9}) {
        StepTo(wild, 10);
        StepTo(10, wild);
    }
    EXPECT_EQ(TotalHits(), 0);
}

TEST_F(PlotTest, TranslatesOutsideThePeriodDropWhileTheOthersCount)
{
    latticeOffsetX[0] = 5;     // lands 5 pixels to the right
    latticeOffsetX[1] = -300;  // left of column 0
    latticeOffsetY[1] = 0;
    latticeOffsetX[2] = 0;
    latticeOffsetY[2] = 200;  // above the top row
    latticeOffsetY[0] = 0;
    StepTo(222, 128);
    EXPECT_EQ(At(222, 128).hitCount, 1);
    EXPECT_EQ(At(227, 128).hitCount, 1);
    EXPECT_EQ(TotalHits(), 2);
    // Every translate of the step carries the same colour.
    EXPECT_EQ(At(222, 128).redSum, At(227, 128).redSum);
}

TEST_F(PlotTest, DistanceColoursBySaturatedStepLength)
{
    StepTo(10, 10, -halfWidth + 10 - 2, -halfHeight + 10);  // length 2: s ≥ 1
    EXPECT_EQ(At(10, 10).redSum, 255);
    EXPECT_EQ(At(10, 10).greenSum, 1255);
    EXPECT_EQ(At(10, 10).blueSum, -255);
    EXPECT_EQ(At(10, 10).mappingSum, 2);

    StepTo(20, 10, -halfWidth + 20, -halfHeight + 10 - 0.5);  // 127.5 truncates to 127
    EXPECT_EQ(At(20, 10).redSum, 127);
    EXPECT_EQ(At(20, 10).mappingSum, 0.5f);
}

TEST_F(PlotTest, AngleStaysInTheLowerHalfOfTheMapAndIgnoresStillSteps)
{
    Select(1, 0);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> across(-3, 3);
    for (int i = 0; i < 500; ++i) {
        ClearAccumulators();
        StepTo(100, 100, -halfWidth + 100 + across(random), -halfHeight + 100 + across(random));
        ASSERT_LE(At(100, 100).redSum, 127);
        ASSERT_GE(At(100, 100).mappingSum, 0);
        ASSERT_LE(At(100, 100).mappingSum, 0.5f);
    }
    ClearAccumulators();
    StepTo(100, 100, -halfWidth + 100, -halfHeight + 100);  // Δx = Δy = 0
    EXPECT_EQ(At(100, 100).hitCount, 1);
    EXPECT_EQ(At(100, 100).mappingSum, 0);
    EXPECT_EQ(At(100, 100).redSum, 0);
    EXPECT_EQ(At(100, 100).greenSum, 1000);
}

TEST_F(PlotTest, NegativeMappingValuesTakeEntryZeroAndLowerTheSum)
{
    // s = 1.5: sin(1.5π) = −1 for "Sinusoidal", below zero for every wave mapping.
    for (int32_t mapping = 2; mapping < 7; ++mapping) {
        if (mapping == 6 && SignedRootWave(1.5 * 3.141592653589793) == 0) continue;  // not there yet
        Select(mapping, 0);
        ClearAccumulators();
        StepTo(50, 60, -halfWidth + 50 - 1.5, -halfHeight + 60);
        EXPECT_LT(At(50, 60).mappingSum, 0) << mapping;
        EXPECT_EQ(At(50, 60).redSum, 0) << mapping;
        EXPECT_EQ(At(50, 60).greenSum, 1000) << mapping;
    }
    Select(2, 0);
    ClearAccumulators();
    StepTo(50, 60, -halfWidth + 50 - 1.5, -halfHeight + 60);
    EXPECT_EQ(At(50, 60).mappingSum, -1);
}

TEST_F(PlotTest, HitsCountSamplesWhileAntialiasedSumsCarryWeights)
{
    constexpr int steps = 4000;
    for (int i = 0; i < steps; ++i) StepTo(200, 100, -halfWidth + 200 - 0.25, -halfHeight + 100);  // k = 63
    EXPECT_EQ(At(200, 100).hitCount, steps);
    EXPECT_EQ(At(200, 100).redSum, 63.0f * steps);

    Select(0, 4);  // radius 2
    ClearAccumulators();
    for (int i = 0; i < steps; ++i) StepTo(200, 100, -halfWidth + 200 - 0.25, -halfHeight + 100);
    int64_t hits = 0;
    double red = 0, mapping = 0;
    for (int32_t y = 97; y <= 103; ++y)
        for (int32_t x = 197; x <= 203; ++x) {
            hits += At(x, y).hitCount;
            red += At(x, y).redSum;
            mapping += At(x, y).mappingSum;
        }
    EXPECT_EQ(hits, steps);
    EXPECT_EQ(TotalHits(), steps);
    EXPECT_GT(At(200, 100).hitCount, 0);
    EXPECT_LT(At(200, 100).hitCount, steps);
    // Weights 1 − r with r uniform: about half of the plain sums, never more than all of them.
    EXPECT_NEAR(red / (63.0 * steps), 0.5, 0.03);
    EXPECT_NEAR(mapping / (0.25 * steps), 0.5, 0.03);
}

TEST_F(PlotTest, AntialiasedPlotsDrawTwiceEvenWhenNothingLands)
{
    Select(0, 2);
    RndField expected = engineRandom;
    StepTo(-50, -50);
    expected.NextWord();
    expected.NextWord();
    EXPECT_EQ(engineRandom.x0, expected.x0);
    EXPECT_EQ(engineRandom.x1, expected.x1);

    Select(0, 0);
    StepTo(10, 10);
    EXPECT_EQ(engineRandom.x0, expected.x0);
}

TEST_F(PlotTest, SelectionIsATableOfMappingsByAntialiasingOnOrOff)
{
    std::vector<EngineFunction> seen;
    for (int32_t mapping = 0; mapping < 7; ++mapping) {
        Select(mapping, 0);
        seen.push_back(plotSlot);
        Select(mapping, 1);
        const EngineFunction antialiased = plotSlot;
        seen.push_back(antialiased);
        for (int32_t entry = 2; entry < 5; ++entry) {
            Select(mapping, entry);
            EXPECT_EQ(plotSlot, antialiased);
        }
    }
    for (size_t i = 0; i < seen.size(); ++i)
        for (size_t j = i + 1; j < seen.size(); ++j) EXPECT_NE(seen[i], seen[j]);
    EXPECT_EQ(seen[0], PlotDistance);
    EXPECT_EQ(seen[13], PlotCircularIIAntialiased);

    const EngineFunction before = plotSlot;
    for (int32_t outside : {-1, 7}) {
        colorMappingIndex = outside;
        SelectPlotFunction();
        EXPECT_EQ(plotSlot, before);
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
    pointX = pointY = 0;
    nextX = nextY = 0;
    plotSlot();  // held, not yet added
    ClearAccumulators();
    FlushPlotQueue();
    EXPECT_EQ(TotalHits(), 0);
}

// ---- The fast path against a plain, obviously correct plot -------------------------------

struct Planes {
    std::vector<int32_t> hits;
    std::vector<float> mapping, red, green, blue;
    explicit Planes(size_t cells) : hits(cells), mapping(cells), red(cells), green(cells), blue(cells) {}
};

double ReferenceMapping(int32_t mapping, double dx, double dy)
{
    const double pi = 3.141592653589793;
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

void ReferencePlot(Planes& planes, int32_t mapping, bool antialiased)
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
        int32_t ix = static_cast<int32_t>(floorf(px));
        if (px - static_cast<float>(ix) >= 0.5f) ++ix;
        int32_t iy = static_cast<int32_t>(floorf(py));
        if (py - static_cast<float>(iy) >= 0.5f) ++iy;
        if (ix < 0 || ix >= periodWidth || iy < 0 || iy >= periodHeight) continue;
        const double c = ReferenceMapping(mapping, nextX - pointX, nextY - pointY);
        const double scaled = c * 255;
        const int32_t k = !(scaled >= 0) ? 0 : scaled > 255 ? 255 : static_cast<int32_t>(scaled);
        const size_t cell = static_cast<size_t>(iy) * periodWidth + ix;
        planes.hits[cell] += 1;
        planes.mapping[cell] = static_cast<float>(planes.mapping[cell] + weight * c);
        planes.red[cell] = static_cast<float>(planes.red[cell] + weight * ColorMap.red[k]);
        planes.green[cell] = static_cast<float>(planes.green[cell] + weight * ColorMap.green[k]);
        planes.blue[cell] = static_cast<float>(planes.blue[cell] + weight * ColorMap.blue[k]);
    }
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

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
            const int32_t resolution = orbit++ % 3;
            textureSize = resolutionTable[resolution].textureSize;
            SetPeriodFromTextureSize();
            const double radius = 0.3 + 2 * unit(random);
            LayLattice(radius);
            pixelScale = periodHeight / (radius * 2.0) * 2.0;
            inverseStepRange = 1 / (radius * (0.2 + unit(random)));
            colorMappingIndex = mapping;
            antialiasingList.selected = antialiasing;
            antialiasRadius = antialiasRadiusOfEntry[antialiasing];
            SelectPlotFunction();
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
                    points[i] = unit(random) < 0.5 ? std::numeric_limits<double>::quiet_NaN() : 1e200;
                    points[i + 1] = -1e12;
                } else {
                    points[i] = (2 * unit(random) - 1) * 1.2 * radius;
                    points[i + 1] = (2 * unit(random) - 1) * 1.2 * radius;
                }
            }
            const RndField start = engineRandom;
            for (int s = 0; s < steps; ++s) {
                pointX = points[2 * s];
                pointY = points[2 * s + 1];
                nextX = points[2 * s + 2];
                nextY = points[2 * s + 3];
                plotSlot();
            }
            FlushPlotQueue();

            const size_t cells = static_cast<size_t>(periodWidth) * periodHeight;
            Planes planes(cells);
            engineRandom = start;
            for (int s = 0; s < steps; ++s) {
                pointX = points[2 * s];
                pointY = points[2 * s + 1];
                nextX = points[2 * s + 2];
                nextY = points[2 * s + 3];
                ReferencePlot(planes, mapping, antialiasing != 0);
            }
            size_t differences = 0, hits = 0;
            for (size_t c = 0; c < cells; ++c) {
                const AccumulatorCell& cell = Accumulators[c];
                hits += cell.hitCount;
                differences += cell.hitCount != planes.hits[c] || !SameBits(cell.mappingSum, planes.mapping[c]) ||
                               !SameBits(cell.redSum, planes.red[c]) || !SameBits(cell.greenSum, planes.green[c]) ||
                               !SameBits(cell.blueSum, planes.blue[c]);
            }
            EXPECT_EQ(differences, 0u) << "mapping " << mapping << " antialiasing " << antialiasing;
            EXPECT_GT(hits, static_cast<size_t>(steps)) << "mapping " << mapping;
        }
    }
}

}  // namespace
}  // namespace tessalume
