#include <gtest/gtest.h>

#include <complex>
#include <cstring>

#include "engine/engine.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

// A plain map: entries 0 of both catalogues (r² and the identity), no blur, n = 3.
class StepTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engineRandom.Seed(7);
        transformIndexI = 0;
        transformIndexII = 0;
        SelectTransformationI();
        SelectTransformationII();
        blurRadius = 0;
        powerExponent = 1;
        lambda = alpha = beta = gamma = omega = 0;
    }
    void StepFrom(double x, double y)
    {
        pointX = x;
        pointY = y;
        StepPoint();
    }
};

TEST_F(StepTest, EachCoefficientAloneGivesItsTermOfTheMap)
{
    lambda = 1;
    StepFrom(0.3, -0.7);
    EXPECT_EQ(nextX, 0.3);
    EXPECT_EQ(nextY, -0.7);

    lambda = 0;
    omega = 1;  // multiplication by i
    StepFrom(1, 0);
    EXPECT_EQ(nextX, 0);
    EXPECT_EQ(nextY, 1);

    omega = 0;
    gamma = 1;  // conj(z)²
    StepFrom(1, 1);
    EXPECT_EQ(nextX, 0);
    EXPECT_EQ(nextY, -2);

    gamma = 0;
    beta = 1;  // Re(z³)·z
    StepFrom(1, 1);
    EXPECT_EQ(nextX, -2);
    EXPECT_EQ(nextY, -2);

    beta = 0;
    alpha = 1;  // |z|²·z
    StepFrom(1, 1);
    EXPECT_EQ(nextX, 2);
    EXPECT_EQ(nextY, 2);
}

TEST_F(StepTest, FourthPowerExponentUsesTheFifthAndSixthPowers)
{
    powerExponent = 4;
    const std::complex<double> z(0.6, -0.35);

    gamma = 1;  // conj(z)^(n−1) = conj(z⁵)
    StepFrom(z.real(), z.imag());
    const std::complex<double> fifth = z * z * z * z * z;
    EXPECT_NEAR(nextX, fifth.real(), 1e-15);
    EXPECT_NEAR(nextY, -fifth.imag(), 1e-15);

    gamma = 0;
    beta = 1;  // Re(z⁶)·z
    StepFrom(z.real(), z.imag());
    const double sixthReal = (fifth * z).real();
    EXPECT_NEAR(nextX, sixthReal * z.real(), 1e-15);
    EXPECT_NEAR(nextY, sixthReal * z.imag(), 1e-15);
}

TEST_F(StepTest, BlurDrawsTwoUniformsAndOffsetsBySineAcrossAndCosineUp)
{
    lambda = 1;
    blurRadius = 0.5;
    RndField replay = engineRandom;
    const double rho = static_cast<double>(replay.NextUniform()) * 0.5;
    const double theta = static_cast<double>(replay.NextUniform()) * 6.283185307179586;
    StepFrom(0.25, 0.125);
    EXPECT_EQ(nextX, rho * std::sin(theta) + 0.25);
    EXPECT_EQ(nextY, rho * std::cos(theta) + 0.125);
    EXPECT_EQ(engineRandom.x0, replay.x0);
}

// The worker body, driven one batch at a time with the refresh flag up so that no steps run:
// only the request handling is under test.
class WorkerRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SeedGenerators(3);
        BuildControls();
        activeResolution = resolutionList.selected;
        textureSize = 512;
        SetPeriodFromTextureSize();
        colorMappingIndex = 0;
        SelectPlotFunction();
        SelectIntensityFunction();
        SelectTransformationI();
        SelectTransformationII();
        renderInProgress = 1;
        newQuiltRequest = 0;
        resetRequest = 0;
        clearOnReset = 1;
    }
    void TearDown() override { renderInProgress = 0; }
};

TEST_F(WorkerRequestTest, RefreshInProgressRunsNoSteps)
{
    pointX = 0.1;
    pointY = 0.2;
    const RndField before = engineRandom;
    RunWorkerBatch();
    EXPECT_EQ(pointX, 0.1);
    EXPECT_EQ(pointY, 0.2);
    EXPECT_EQ(engineRandom.x0, before.x0);
}

TEST_F(WorkerRequestTest, ResetSkipsTheClearOnceWhenAsked)
{
    QuiltImage[0] = 77;
    clearOnReset = 0;
    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(QuiltImage[0], 77) << "the skipped clear kept the picture";
    EXPECT_EQ(clearOnReset, 1);
    EXPECT_EQ(resetRequest, 0);

    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(QuiltImage[0], 0) << "the next reset clears again";
}

TEST_F(WorkerRequestTest, ResetReselectsTheMappingFromTheList)
{
    colorMappingList.selected = 5;
    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(colorMappingIndex, 5);
}

TEST_F(WorkerRequestTest, NewQuiltIsCarriedOutBeforeAResetOfTheSameInterval)
{
    // The new quilt puts the list back to the applied mapping; a reset run first would instead
    // have applied the list's 3 and kept it.
    colorMappingIndex = 0;
    colorMappingList.selected = 3;
    newQuiltRequest = 1;
    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(newQuiltRequest, 0);
    EXPECT_EQ(resetRequest, 0);
    EXPECT_EQ(colorMappingIndex, 0);
    EXPECT_EQ(colorMappingList.selected, 0);
    EXPECT_GT(latticeRadius, 0);
    EXPECT_EQ(searching, 0);
}

TEST_F(WorkerRequestTest, ResolutionChangeStoresTheNewRowAndKeepsTheLattice)
{
    latticeRadius = 0.5;
    pixelScale = 512;
    resolutionList.selected = 0;
    ApplySettings();
    EXPECT_EQ(pixelScale, 512) << "the active resolution changes nothing";

    resolutionList.selected = 2;
    ApplySettings();
    EXPECT_EQ(activeResolution, 2);
    EXPECT_EQ(textureSize, 2048u);
    EXPECT_EQ(periodWidth, 1774);
    EXPECT_EQ(periodHeight, 1024);
    EXPECT_EQ(halfWidth, 887);
    EXPECT_EQ(halfHeight, 512);
    EXPECT_EQ(pixelScale, 2048);

    resolutionList.selected = 0;
    ApplySettings();
    EXPECT_EQ(periodWidth, 444);
    EXPECT_EQ(pixelScale, 512);
}

}  // namespace
}  // namespace tessalume

namespace tessalume {
namespace {

TEST(EngineState, PolygonRowsAreTriangleDodecagonHexagonEnneagon)
{
    EXPECT_EQ(polygonTable[0][1], 2.0943951023931953);
    EXPECT_EQ(polygonTable[1][2], 0.2617993877991494);
    EXPECT_EQ(polygonTable[2][2], 0.5235987755982988);
    EXPECT_EQ(polygonTable[2][1], 1.0471975511965976);
    EXPECT_EQ(polygonTable[2][0], std::cos(0.5235987755982988));
    EXPECT_EQ(polygonTable[3][0], std::cos(3.141592653589793 / 9));
}

}  // namespace
}  // namespace tessalume
