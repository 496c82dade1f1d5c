#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

// The start-up's selection step, without a window.
void StartEngine(uint32_t seed)
{
    SeedGenerators(seed);
    BuildControls();
    textureSize = 512;
    SetPeriodFromTextureSize();
    activeResolution = 0;
    colorMappingIndex = 0;
    SelectPlotFunction();
    SelectIntensityFunction();
    transformIndexI = 0;
    transformIndexII = 0;
    SelectTransformationI();
    SelectTransformationII();
    blurRadius = 0;
    ClearAccumulators();
}

TEST(Search, AcceptedLatticeSpansThePeriodHeight)
{
    for (uint32_t seed : {1u, 2u, 3u}) {
        StartEngine(seed);
        NewQuilt();
        EXPECT_EQ(searching, 0);
        EXPECT_GE(searchAttempts, 1);
        EXPECT_LE(searchAttempts, 1000);
        EXPECT_NEAR(pixelScale * latticeRadius, periodHeight, 1e-9);
        EXPECT_EQ(blurRadius, latticeRadius * 0.001953125 * blurringFactor);
        EXPECT_EQ(latticeOffsetX[12], 0);
        EXPECT_NEAR(std::hypot(latticeOffsetX[3], latticeOffsetY[3]), latticeRadius, 1e-12);
        EXPECT_NEAR(std::hypot(latticeOffsetX[9], latticeOffsetY[9]), latticeRadius * std::sqrt(3.0), 1e-12);
        EXPECT_GT(inverseStepRange, 0);
        EXPECT_EQ(transformShownI, transformIndexI);
        EXPECT_EQ(transformShownII, transformIndexII);
        EXPECT_EQ(transformBrowserI.firstShown, transformIndexI / 10 * 10);
        EXPECT_EQ(transformBrowserII.firstShown, transformIndexII / 10 * 10);
        // The orbit goes on from the accepted run's last point, inside the radius bound.
        EXPECT_LE(std::hypot(pointX, pointY), 5.0);
    }
}

TEST(Search, BrightnessIsOneOfThirtyStepsAndMovesTheSlider)
{
    StartEngine(11);
    NewQuilt();
    EXPECT_GE(brightness, 5.0);
    EXPECT_LE(brightness, 10.8 + 1e-6);
    const double fifths = (brightness - std::floor(brightness)) / 0.2;
    EXPECT_NEAR(fifths, std::round(fifths), 1e-6);
    EXPECT_EQ(brightnessSlider.value[0], static_cast<float>(brightness));
    EXPECT_EQ(blurringSlider.value[0], static_cast<float>(blurringFactor));
}

TEST(Search, AllLocksKeepTheUsersChoicesAndRedrawTheRest)
{
    StartEngine(5);
    NewQuilt();
    blurringLock.entryOn[0] = true;
    transformLockI.entryOn[0] = true;
    transformLockII.entryOn[0] = true;
    colorMapLock.entryOn[0] = true;
    transformIndexI = 17;
    transformIndexII = 23;
    blurringFactor = 1.25;
    for (int i = 0; i < 256; ++i) ColorMap.red[i] = ColorMap.green[i] = ColorMap.blue[i] = 0.5 + i;
    const ColorMapChannels keptMap = ColorMap;
    const uint32_t keptDigit = codeDigits[6];

    bool redrawn = false;
    for (uint32_t seed = 20; seed < 24; ++seed) {
        const double before[] = {lambda, alpha, beta, gamma, transformAmplitude};
        engineRandom.Seed(seed);
        NewQuilt();
        EXPECT_EQ(transformIndexI, 17);
        EXPECT_EQ(transformIndexII, 23);
        EXPECT_EQ(blurringFactor, 1.25);
        EXPECT_EQ(blurringSlider.value[0], 1.25f);
        EXPECT_EQ(codeDigits[6], keptDigit);
        EXPECT_EQ(std::memcmp(&ColorMap, &keptMap, sizeof ColorMap), 0);
        EXPECT_EQ(transformBrowserI.firstShown, 10);
        EXPECT_EQ(transformBrowserII.firstShown, 20);
        const double after[] = {lambda, alpha, beta, gamma, transformAmplitude};
        redrawn = redrawn || std::memcmp(before, after, sizeof before) != 0;
    }
    EXPECT_TRUE(redrawn) << "coefficients and amplitude are still drawn";
}

TEST(Search, HighCatalogueEntriesAlwaysGetAPhase)
{
    StartEngine(8);
    transformLockI.entryOn[0] = true;
    int phased = 0;
    int low = 0;
    for (uint32_t seed = 100; seed < 112; ++seed) {
        transformIndexI = 27;
        engineRandom.Seed(seed);
        NewQuilt();
        EXPECT_GT(transformPhase, 0) << "seed " << seed;
        EXPECT_LE(transformPhase, 6.283185307179586);
    }
    for (uint32_t seed = 200; seed < 212; ++seed) {
        transformIndexI = 0;
        engineRandom.Seed(seed);
        NewQuilt();
        ++low;
        if (transformPhase != 0) ++phased;
    }
    EXPECT_GT(phased, 0) << "low entries get a phase by a coin";
    EXPECT_LT(phased, low);
}

TEST(Search, ResolutionChangeAfterAcceptanceRescalesFromTheSameRadius)
{
    StartEngine(4);
    NewQuilt();
    const double radius = latticeRadius;
    resolutionList.selected = 1;
    ApplySettings();
    EXPECT_EQ(latticeRadius, radius);
    EXPECT_NEAR(pixelScale * radius, 512, 1e-9);
    resolutionList.selected = 0;
    ApplySettings();
}

}  // namespace
}  // namespace tessalume
