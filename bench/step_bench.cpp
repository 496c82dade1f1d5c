#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/engine.h"

namespace tessalume {
namespace {

// A bounded orbit of the classic map with a small blur, and the corner tables as a search
// pass lays them out.
Quilt PreparedOrbit(int32_t exponent, int32_t entryI, int32_t entryII)
{
    Quilt quilt;
    quilt.orbit.random.Seed(5);
    QuiltDesign& design = quilt.design;
    LayHexagon(design, false);
    design.lambda = -0.59;
    design.alpha = 0.2;
    design.beta = 0.1;
    design.gamma = -0.17;
    design.omega = 0;
    design.powerExponent = exponent;
    design.blurRadius = 0.001;
    design.transformFrequency = 6;
    design.transformAmplitude = 0.5;
    design.transformPhase = 0.3;
    design.transformVariant = 2;
    design.transformIndexI = entryI;
    design.transformIndexII = entryII;
    SelectTransformations(quilt);
    quilt.orbit.pointX = 0.1;
    quilt.orbit.pointY = 0.05;
    return quilt;
}

void RunSteps(benchmark::State& state, Quilt& quilt)
{
    Orbit& orbit = quilt.orbit;
    int64_t restarts = 0;
    for (auto _ : state) {
        StepPoint(quilt);
        orbit.pointX = orbit.nextX;
        orbit.pointY = orbit.nextY;
        // An orbit that leaves radius 5 (or becomes undefined) restarts in a small disc, so
        // every entry is timed on ordinary points; one comparison is far cheaper than pausing
        // the clock on every step.
        if (!(orbit.pointX * orbit.pointX + orbit.pointY * orbit.pointY <= 25)) {
            orbit.pointX = 0.1;
            orbit.pointY = 0.05;
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
    Quilt quilt = PreparedOrbit(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                                static_cast<int32_t>(state.range(2)));
    RunSteps(state, quilt);
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
