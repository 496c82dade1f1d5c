// Seconds per accepted quilt: the search that every new quilt (and the headless renderer's
// start) waits for, over seeds 1..50 from the renderer's start-up state.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/engine.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

void StartLikeTheRenderer(uint32_t seed)
{
    SeedGenerators(seed);
    BuildControls();
    // The search blurs with the previous quilt's radius and may keep the previous indices.
    blurRadius = 0;
    transformIndexI = transformIndexII = 0;
    ApplySettings();
    SelectTransformationI();
    SelectTransformationII();
    ClearAccumulators();
}

void SearchOverSeeds(benchmark::State& state)
{
    std::vector<double> seconds;
    std::vector<double> attempts;
    for (auto _ : state) {
        seconds.clear();
        attempts.clear();
        for (uint32_t seed = 1; seed <= 50; ++seed) {
            StartLikeTheRenderer(seed);
            const auto start = std::chrono::steady_clock::now();
            NewQuilt();
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            attempts.push_back(1000.0 * (searchPasses.load() - 1) + searchAttempts.load());
        }
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(attempts.begin(), attempts.end());
    state.counters["median_s"] = (seconds[24] + seconds[25]) / 2;
    state.counters["worst_s"] = seconds.back();
    state.counters["median_attempts"] = (attempts[24] + attempts[25]) / 2;
    state.counters["worst_attempts"] = attempts.back();
}
BENCHMARK(SearchOverSeeds)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace tessalume
