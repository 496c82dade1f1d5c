// The worker's handling of requests between batches, and ApplySettings' resolution change:
// orders and conditions that a single run of the renderer never takes.
#include "tests/fixtures.h"

namespace tessalume {
namespace {

// One batch at a time with the refresh flag up, so that no steps run: only the requests do.
class WorkerRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetEngine(3);
        renderInProgress = 1;
    }
    void TearDown() override { renderInProgress = 0; }
};

TEST_F(WorkerRequests, NoStepsRunAndAResetReselectsFromTheListsAndSkipsTheClearOnceWhenAsked)
{
    pointX = 0.1;
    const RndField before = engineRandom;
    RunWorkerBatch();
    EXPECT_EQ(pointX, 0.1);
    EXPECT_EQ(engineRandom.x0, before.x0);

    QuiltImage[0] = 77;
    colorMappingList.selected = 5;
    clearOnReset = 0;
    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(QuiltImage[0], 77) << "the skipped clear kept the picture";
    EXPECT_EQ(colorMappingIndex, 5);
    EXPECT_EQ(plotSlot, colorMappingTable[5].plain);
    EXPECT_EQ(clearOnReset, 1);
    EXPECT_EQ(resetRequest, 0);

    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(QuiltImage[0], 0) << "the next reset clears again";
}

TEST_F(WorkerRequests, NewQuiltIsCarriedOutBeforeAResetOfTheSameInterval)
{
    // The new quilt puts the list back to the applied mapping; a reset run first would instead
    // have applied the list's 3 and kept it.
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

TEST(ApplySettings, ResolutionChangeClearsTheOldPeriodThenStoresTheNewRow)
{
    ResetEngine();
    latticeRadius = 0.5;
    pixelScale = 512;
    const int32_t lastOldCell = 444 * 256 - 1;
    Accumulators[lastOldCell].hitCount = Accumulators[lastOldCell + 1].hitCount = 7;
    ApplySettings();
    EXPECT_EQ(Accumulators[lastOldCell].hitCount, 7) << "the resolution in force clears nothing";

    resolutionList.selected = 2;
    ApplySettings();
    EXPECT_EQ(Accumulators[lastOldCell].hitCount, 0);
    EXPECT_EQ(Accumulators[lastOldCell + 1].hitCount, 7) << "cleared with the old sizes";
    EXPECT_EQ(activeResolution, 2);
    EXPECT_EQ(textureSize, 2048u);
    EXPECT_EQ(periodWidth, 1774);
    EXPECT_EQ(periodHeight, 1024);
    EXPECT_EQ(halfWidth, 887);
    EXPECT_EQ(halfHeight, 512);
    EXPECT_EQ(pixelScale, 2048);
    ResetEngine();
}

}  // namespace
}  // namespace tessalume
