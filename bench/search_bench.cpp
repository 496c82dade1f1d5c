// Seconds per accepted quilt: the search that every new quilt (and the headless renderer's
// start) waits for, over seeds 1..50 from the renderer's start-up state.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

// A fresh quilt with the settings at their start values, seeded, the settings in force and
// the picture cleared: where the renderer stands when it starts its search.
void StartLikeTheRenderer(Quilt& quilt, const Settings& settings, uint32_t seed)
{
    SeedQuilt(quilt, seed);
    ApplySettings(quilt, settings);
    ClearQuilt(quilt, settings.intensity);
}

void SearchOverSeeds(benchmark::State& state)
{
    std::vector<double> seconds;
    std::vector<double> attempts;
    for (auto _ : state) {
        seconds.clear();
        attempts.clear();
        for (uint32_t seed = 1; seed <= 50; ++seed) {
            Settings settings;
            Quilt quilt;
            StartLikeTheRenderer(quilt, settings, seed);
            const auto start = std::chrono::steady_clock::now();
            NewQuilt(quilt, settings);
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            attempts.push_back(1000.0 * (quilt.searchPasses - 1) + quilt.searchAttempts);
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
