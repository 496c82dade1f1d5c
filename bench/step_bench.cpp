#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/engine.h"

namespace tessalume {
namespace {

// A bounded orbit of the classic map with a small blur, and the corner tables as a search
// pass lays them out.
void PrepareOrbit(int32_t exponent, int32_t entryI, int32_t entryII)
{
    engineRandom.Seed(5);
    LayHexagon(false);
    lambda = -0.59;
    alpha = 0.2;
    beta = 0.1;
    gamma = -0.17;
    omega = 0;
    powerExponent = exponent;
    blurRadius = 0.001;
    transformFrequency = 6;
    transformAmplitude = 0.5;
    transformPhase = 0.3;
    transformVariant = 2;
    transformIndexI = entryI;
    transformIndexII = entryII;
    SelectTransformationI();
    SelectTransformationII();
    pointX = 0.1;
    pointY = 0.05;
}

void RunSteps(benchmark::State& state)
{
    int64_t restarts = 0;
    for (auto _ : state) {
        StepPoint();
        pointX = nextX;
        pointY = nextY;
        // An orbit that leaves radius 5 (or becomes undefined) restarts in a small disc, so
        // every entry is timed on ordinary points; one comparison is far cheaper than pausing
        // the clock on every step.
        if (!(pointX * pointX + pointY * pointY <= 25)) {
            pointX = 0.1;
            pointY = 0.05;
            ++restarts;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["restarts"] = static_cast<double>(restarts);
}

// Args: powerExponent, catalogue I entry, catalogue II entry. Besides the plain map at the
// lowest and highest symmetry, the slowest four entries of each catalogue (timed once over all
// sixty): the wave fields with tanh, arcsine and root waves, and the maps that take a
// transcendental of r and then go through polar form.
void BM_StepPoint(benchmark::State& state)
{
    PrepareOrbit(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                 static_cast<int32_t>(state.range(2)));
    RunSteps(state);
}
BENCHMARK(BM_StepPoint)
    ->ArgNames({"m", "I", "II"})
    ->Args({1, 0, 0})
    ->Args({22, 0, 0})
    ->Args({1, 8, 0})
    ->Args({1, 15, 0})
    ->Args({1, 16, 0})
    ->Args({1, 17, 0})
    ->Args({1, 0, 6})
    ->Args({1, 0, 10})
    ->Args({1, 0, 13})
    ->Args({1, 0, 29});

}  // namespace
}  // namespace tessalume
