// The worker's handling of requests between batches, and the settings taken into a quilt:
// orders and conditions that a single run of the renderer never takes.
#include "tests/fixtures.h"

namespace tessalume {
namespace {

// One batch at a time with a refresh under way, so that no steps run: only the requests do.
class WorkerRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        worker.quilt() = FreshQuilt(settings, 3);
        worker.BeginRefresh();
    }

    Settings settings;
    Worker worker{settings};
    Quilt& quilt = worker.quilt();
};

TEST_F(WorkerRequests, NoStepsRunAndAResetTakesTheSettingsAndKeepsThePictureOnceWhenAsked)
{
    quilt.orbit.pointX = 0.1;
    const RndField before = quilt.orbit.random;
    quilt.image[0] = 77;
    settings.colorMapping = 5;
    worker.KeepPictureOnNextReset(true);
    worker.PostReset();
    worker.RunBatch();
    EXPECT_EQ(quilt.orbit.pointX, 0.1);
    EXPECT_EQ(quilt.orbit.random.x0, before.x0);
    EXPECT_EQ(quilt.image[0], 77) << "the picture was kept";
    EXPECT_EQ(quilt.colorMapping, 5);
    EXPECT_FALSE(worker.ResetPending());
    worker.PostReset();
    worker.RunBatch();
    EXPECT_EQ(quilt.image[0], 0) << "the next reset clears again";
}

// The new quilt puts the setting back to the mapping in force; a reset carried out first would
// instead have taken the setting's 3 and kept it.
TEST_F(WorkerRequests, NewQuiltIsCarriedOutBeforeAResetOfTheSameInterval)
{
    settings.colorMapping = 3;
    worker.PostNewQuilt();
    worker.PostReset();
    worker.RunBatch();
    EXPECT_FALSE(worker.NewQuiltPending() || worker.ResetPending());
    EXPECT_EQ(quilt.colorMapping, 0);
    EXPECT_EQ(settings.colorMapping, 0);
    EXPECT_GT(quilt.design.latticeRadius, 0) << "a quilt was found";
}

// The interface posts a reset again, asking to keep the picture, while the worker carries out
// the one before: the second is carried out too, and only it uses up the keep.
TEST_F(WorkerRequests, AResetPostedWhileOneIsCarriedOutIsNotLost)
{
    bool reposted = false;
    worker.whileResetTakenUp = [&] {
        if (reposted) return;
        reposted = true;
        worker.KeepPictureOnNextReset(true);
        worker.PostReset();
    };
    worker.PostReset();
    worker.RunBatch();
    EXPECT_TRUE(reposted);
    EXPECT_TRUE(worker.ResetPending()) << "the reset posted meanwhile was lost";
    EXPECT_TRUE(worker.KeepsPictureOnNextReset());
    quilt.image[0] = 77;
    worker.RunBatch();
    EXPECT_FALSE(worker.ResetPending());
    EXPECT_FALSE(worker.KeepsPictureOnNextReset());
    EXPECT_EQ(quilt.image[0], 77);
}

// An export holds the picture: a clear that meets it waits for the next pass.
TEST_F(WorkerRequests, APictureHeldByAnExportIsNeitherClearedNorResized)
{
    quilt.image[0] = 77;
    settings.resolution = 1;
    worker.PostReset();
    {
        const auto hold = worker.HoldPicture();
        worker.RunBatch();
        EXPECT_TRUE(worker.ResetPending());
        EXPECT_EQ(quilt.image[0], 77);
        EXPECT_EQ(quilt.resolution, 0);
    }
    worker.RunBatch();
    EXPECT_FALSE(worker.ResetPending());
    EXPECT_EQ(quilt.resolution, 1);
}

// The settings in force taken again clear nothing; a new resolution starts the period afresh,
// white for a function that draws on white, and scales to the lattice found before. Its sizes
// show in the pinned results.
TEST(ApplySettings, OnlyANewResolutionStartsThePeriodAfresh)
{
    Settings settings;
    Quilt quilt = FreshQuilt(settings);
    quilt.design.latticeRadius = 0.5;
    quilt.accumulators.back().hitCount = 7;
    ApplySettings(quilt, settings);
    EXPECT_EQ(quilt.accumulators.back().hitCount, 7);
    settings.resolution = 2;
    settings.intensity = 7;
    ApplySettings(quilt, settings);
    EXPECT_EQ(quilt.resolution, 2);
    EXPECT_EQ(quilt.accumulators[444 * 256 - 1].hitCount, 0);
    EXPECT_EQ(std::count(quilt.image.begin(), quilt.image.end(), 255), std::ssize(quilt.image));
    EXPECT_EQ(quilt.pixelScale, 2 * quilt.periodHeight) << "twice the period's height over the lattice's diameter";
}

}  // namespace
}  // namespace tessalume
