// The worker plots batch after batch while the interface thread runs refresh after refresh over
// the same cells, as a refresh tick does when it starts during a batch. The point is the race
// detector this is built with: it must find nothing.
#include <atomic>
#include <thread>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

TEST(Threads, WorkerPlotsWhileTheInterfaceRefreshes)
{
    for (int32_t antialiasing : {0, 3}) {
        ResetEngine(16);  // a seed whose search is short
        antialiasingList.selected = antialiasing;
        ApplySettings();
        NewQuilt();
        std::atomic<bool> plotting{true};
        std::thread worker([&plotting] {
            for (int batch = 0; batch < 6; ++batch) RunWorkerSteps();
            plotting.store(false);
        });
        int refreshes = 0;
        while (plotting.load() || refreshes == 0) {
            intensitySlot.load()();
            ++refreshes;
        }
        worker.join();
        int64_t hits = 0;
        for (int32_t i = 0; i < periodWidth * periodHeight; ++i) hits += Accumulators[i].hitCount;
        EXPECT_GT(hits, 6 * batchSteps);
    }
}

}  // namespace
}  // namespace tessalume
