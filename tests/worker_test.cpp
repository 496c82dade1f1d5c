// The worker's handling of requests between batches, and ApplySettings' resolution change:
// orders and conditions that a single run of the renderer never takes.
#include <thread>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

// One batch at a time with the refresh flag up, so that no steps run: only the requests do.
class WorkerRequests : public ::testing::Test {
protected:
    void SetUp() override { ResetEngine(3); renderInProgress = 1; }
    void TearDown() override { renderInProgress = 0; }
};

TEST_F(WorkerRequests, NoStepsRunAndAResetReselectsFromTheListsAndSkipsTheClearOnceWhenAsked)
{
    pointX = 0.1;
    const RndField before = engineRandom;
    QuiltImage[0] = 77;
    colorMappingList.selected = 5;
    clearOnReset = 0;
    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(pointX, 0.1);
    EXPECT_EQ(engineRandom.x0, before.x0);
    EXPECT_EQ(QuiltImage[0], 77) << "the skipped clear kept the picture";
    EXPECT_EQ(colorMappingIndex, 5);
    EXPECT_EQ(resetRequest, 0);
    resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(QuiltImage[0], 0) << "the next reset clears again";
}

// The new quilt puts the list back to the applied mapping; a reset carried out first would
// instead have applied the list's 3 and kept it.
TEST_F(WorkerRequests, NewQuiltIsCarriedOutBeforeAResetOfTheSameInterval)
{
    colorMappingList.selected = 3;
    newQuiltRequest = resetRequest = 1;
    RunWorkerBatch();
    EXPECT_EQ(newQuiltRequest + resetRequest, 0);
    EXPECT_EQ(colorMappingIndex, 0);
    EXPECT_GT(latticeRadius, 0) << "a quilt was found";
}

// The interface posts a reset again, asking to skip the clear, while the worker carries out the
// one before: only the reset carried out once more puts the skip back. Rounds go on until a few
// second posts have landed inside a reset, which the exchange tells.
TEST_F(WorkerRequests, AResetPostedWhileOneIsCarriedOutIsNotLost)
{
    resolutionList.selected = 2;  // the largest period, whose clear lasts longest
    std::atomic<bool> running{true};
    std::thread worker([&running] { while (running) RunWorkerBatch(); });
    int landedInside = 0, round = 0;
    while (landedInside < 5 && round < 5000 && clearOnReset == 1) {
        ++round;
        resetRequest = 1;
        while (resetRequest == 1) std::this_thread::yield();
        clearOnReset = 0;
        landedInside += resetRequest.exchange(1) == 2;
        while (resetRequest != 0) std::this_thread::yield();
    }
    running = false;
    worker.join();
    EXPECT_EQ(clearOnReset, 1) << "a second post was lost, in round " << round;
    EXPECT_GT(landedInside, 0) << "no second post came while a reset was carried out";
    ResetEngine();
}

TEST(ApplySettings, ResolutionChangeClearsTheOldPeriodThenStoresTheNewRow)
{
    ResetEngine();
    latticeRadius = 0.5, pixelScale = 0;
    const int32_t lastOldCell = 444 * 256 - 1;
    Accumulators[lastOldCell].hitCount = Accumulators[lastOldCell + 1].hitCount = 7;
    ApplySettings();
    EXPECT_EQ(Accumulators[lastOldCell].hitCount, 7) << "the resolution in force clears nothing";

    resolutionList.selected = 2;
    ApplySettings();
    EXPECT_EQ(Accumulators[lastOldCell].hitCount, 0);
    EXPECT_EQ(Accumulators[lastOldCell + 1].hitCount, 7) << "cleared with the old sizes";
    EXPECT_EQ(activeResolution, 2);
    EXPECT_EQ(halfWidth * 2, resolutionTable[2].periodWidth);
    EXPECT_EQ(pixelScale, 2 * periodHeight) << "twice the period's height over the lattice's diameter";
    ResetEngine();
}

}  // namespace
}  // namespace tessalume
