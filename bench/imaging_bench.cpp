// Plotting and refresh speed. The orbit is a real one, found by the search with both
// transformations locked to entry 0 (r² and the identity): the first seed whose quilt has
// threefold symmetry (n = 3), the cheapest step.
#include <benchmark/benchmark.h>

#include <cstring>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

struct OrbitStart {
    double x, y;
    RndField random;
};

const OrbitStart& ThreefoldQuilt()
{
    static const OrbitStart start = [] {
        for (uint32_t seed = 1;; ++seed) {
            SeedGenerators(seed);
            BuildControls();
            transformIndexI = transformIndexII = 0;
            transformLockI.on = transformLockII.on = true;
            ApplySettings();
            SelectTransformationI();
            SelectTransformationII();
            ClearAccumulators();
            NewQuilt();
            if (powerExponent == 1) break;
        }
        for (int i = 0; i < 256; ++i) {  // a colour map with every entry different
            ColorMap.red[i] = i;
            ColorMap.green[i] = 255 - i;
            ColorMap.blue[i] = i / 2.0;
        }
        return OrbitStart{pointX, pointY, engineRandom};
    }();
    return start;
}

// Applies the three list selections as a reset does, with a clear, from the same orbit point.
void Prepare(int32_t resolution, int32_t mapping, int32_t antialiasing)
{
    const OrbitStart& start = ThreefoldQuilt();
    resolutionList.selected = resolution;
    colorMappingList.selected = mapping;
    antialiasingList.selected = antialiasing;
    antialiasRadius = antialiasingTable[antialiasing].radius;
    ClearAccumulators();
    ApplySettings();
    ClearAccumulators();
    pointX = start.x;
    pointY = start.y;
    engineRandom = start.random;
}

void PlotNothing() {}

// Arguments: resolution, mapping, antialiasing, plotted (0 runs the same steps without a plot).
void WorkerSteps(benchmark::State& state)
{
    Prepare(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
            static_cast<int32_t>(state.range(2)));
    if (state.range(3) == 0) plotSlot = PlotNothing;
    for (auto _ : state) {
        RunWorkerSteps();
        FlushPlotQueue();
    }
    state.SetItemsProcessed(state.iterations() * batchSteps);
    SelectPlotFunction();
}

void PlotArguments(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"resolution", "mapping", "antialiasing", "plotted"});
    for (int64_t resolution : {0, 1, 2})
        for (int64_t mapping : {0, 6})
            for (int64_t antialiasing : {0, 4})
                for (int64_t plotted : {1, 0}) b->Args({resolution, mapping, antialiasing, plotted});
}
BENCHMARK(WorkerSteps)->Apply(PlotArguments)->Unit(benchmark::kMillisecond);

// A period at 1774 x 1024 after 20 M steps, nearly every pixel hit.
void FillLargestPeriod()
{
    static bool filled = false;
    if (filled) return;
    Prepare(2, 0, 0);
    for (int batch = 0; batch < 1000; ++batch) RunWorkerSteps();
    FlushPlotQueue();
    filled = true;
}

// Argument: the "Intensity Function" entry.
void Refresh(benchmark::State& state)
{
    FillLargestPeriod();
    intensityList.selected = static_cast<int32_t>(state.range(0));
    SelectIntensityFunction();
    const EngineFunction intensity = intensitySlot.load();
    for (auto _ : state) {
        intensity();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Refresh)->ArgName("intensity")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// The memory floor of a refresh: every accumulator byte of the period read once, every byte of
// the image and of the preview written once.
void PlainPass(benchmark::State& state)
{
    FillLargestPeriod();
    const int32_t cells = periodWidth * periodHeight;
    for (auto _ : state) {
        for (int32_t i = 0; i < cells; ++i) {
            const AccumulatorCell& cell = Accumulators[i];
            const float sum = static_cast<float>(cell.hitCount) + cell.mappingSum + cell.redSum + cell.greenSum +
                              cell.blueSum;
            const uint8_t byte = static_cast<uint8_t>(sum > 0);
            QuiltImage[i * 3] = byte;
            QuiltImage[i * 3 + 1] = byte;
            QuiltImage[i * 3 + 2] = byte;
        }
        std::memset(previewPixels, QuiltImage[cells / 2], static_cast<size_t>(textureSize) * textureSize * 3);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainPass)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessalume
