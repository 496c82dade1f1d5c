// The worker plots batch after batch while the interface thread runs refresh after refresh over
// the same cells, as a refresh tick does when it starts during a batch. The point is the race
// detector this is built with: it must find nothing.
#include <atomic>
#include <cstring>
#include <chrono>
#include <thread>
#include <vector>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

TEST(Threads, WorkerPlotsWhileTheInterfaceRefreshes)
{
    for (int32_t antialiasing : {0, 3}) {
        Settings settings;
        settings.antialiasing = antialiasing;
        Quilt quilt = FreshQuilt(settings, 16);  // a seed whose search is short
        NewQuilt(quilt, settings);
        std::atomic<bool> plotting{true};
        std::thread worker([&plotting, &quilt] {
            for (int batch = 0; batch < 6; ++batch) GrowBatch(quilt);
            plotting.store(false);
        });
        int refreshes = 0;
        while (plotting.load() || refreshes == 0) {
            ToneQuilt(quilt, settings.brightness);
            ++refreshes;
        }
        worker.join();
        int64_t hits = 0;
        for (const AccumulatorCell& cell : quilt.accumulators) hits += cell.hitCount;
        EXPECT_GT(hits, 6 * batchSteps);
    }
}

// Two quilts found and grown at once on two threads share nothing: each picture is the one the
// same quilt gives grown alone.
TEST(Threads, TwoQuiltsGrownAtOnceAreEachAsGrownAlone)
{
    const auto grow = [](uint32_t seed, int32_t resolution) {
        Settings settings;
        settings.resolution = resolution;
        settings.antialiasing = 2;
        Quilt quilt = FreshQuilt(settings, seed);
        NewQuilt(quilt, settings);
        for (int batch = 0; batch < 8; ++batch) GrowBatch(quilt);
        ToneQuilt(quilt, settings.brightness);
        return quilt.image;
    };
    const std::vector<uint8_t> first = grow(16, 0), second = grow(21, 1);
    std::vector<uint8_t> firstAtOnce, secondAtOnce;
    std::thread other([&] { secondAtOnce = grow(21, 1); });
    firstAtOnce = grow(16, 0);
    other.join();
    EXPECT_TRUE(firstAtOnce == first);
    EXPECT_TRUE(secondAtOnce == second);
    EXPECT_NE(std::count(first.begin(), first.end(), 0), std::ssize(first)) << "the quilt shows";
}

// The interface reopens a quilt from its recipe and takes the recipe of the picture for exports
// while the worker grows on its own thread: nothing races, and the picture the worker then grows
// begins at the recipe's orbit.
TEST(Threads, ARecipeIsAdoptedWhileTheInterfaceExports)
{
    Settings sourceSettings;
    Quilt source = FreshQuilt(sourceSettings, 16);
    NewQuilt(source, sourceSettings);
    GrowBatch(source);
    const Recipe recipe = RecipeOf(source, sourceSettings);

    Settings settings;
    Worker worker(settings);
    worker.quilt() = source;
    ASSERT_TRUE(worker.Start());
    TakeRecipeSettings(settings, recipe);
    worker.PostRecipe(recipe);
    Recipe exported;
    for (bool adopted = false; !adopted || exported.stepsPlotted < 2 * batchSteps; std::this_thread::yield()) {
        adopted = !worker.NewQuiltPending();
        const auto hold = worker.HoldPicture();
        exported = worker.RecipeOfPicture();
        EXPECT_FALSE(DefaultExportName(worker.quilt(), settings).empty());
    }
    worker.Stop();
    EXPECT_EQ(std::memcmp(&exported.orbit, &recipe.orbit, sizeof(Orbit)), 0);
}

// The window's worker with three orbits on their own threads, while the interface thread does
// what its commands and ticks do: refreshes, new quilts, resets with a new resolution, random
// and loaded colour maps, exports.
TEST(Threads, AWorkerWithSeveralOrbitsMeetsTheInterfaceRaceFree)
{
    Settings settings;
    Worker worker{settings};
    worker.quilt() = FreshQuilt(settings, 16);
    NewQuilt(worker.quilt(), settings);
    worker.SetOrbits(3);
    ASSERT_TRUE(worker.Start());
    std::vector<uint8_t> exported;
    for (int round = 0; round < 40; ++round) {
        if (!worker.NewQuiltPending() && !worker.ResetPending()) {
            worker.BeginRefresh();
            worker.TonePicture(settings.brightness);
            worker.EndRefresh();
        }
        switch (round % 8) {
        case 1: worker.PostNewQuilt(); break;
        case 3: StoreRelaxed(settings.resolution, (round / 8) % 2), worker.PostReset(); break;
        case 5: worker.PostRandomColorMap(), worker.PostReset(); break;
        case 6:
            worker.WithdrawRandomColorMap();
            StoreColorMap(worker.quilt().colorMap, ColorMapChannels{});
            worker.PostReset();
            break;
        case 7: {
            const auto hold = worker.HoldPicture();
            exported = worker.quilt().image;
            break;
        }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.Stop();
    EXPECT_FALSE(exported.empty());
}

}  // namespace
}  // namespace tessalume
