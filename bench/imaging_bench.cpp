// Plotting and refresh speed. The orbit is a real one, found by the search with both
// transformations locked to entry 0 (r² and the identity): the first seed whose quilt has
// threefold symmetry (n = 3), the cheapest step.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

// The quilt as its search left it, and the settings the search wrote (the blurring factor
// among them): every benchmark starts from a copy of both.
struct FoundQuilt {
    Quilt quilt;
    Settings settings;
};

const FoundQuilt& ThreefoldQuilt()
{
    static const FoundQuilt found = [] {
        FoundQuilt candidate;
        for (uint32_t seed = 1;; ++seed) {
            candidate = FoundQuilt{};
            Settings& settings = candidate.settings;
            Quilt& quilt = candidate.quilt;
            settings.transformI = settings.transformII = 0;
            settings.transformILocked = settings.transformIILocked = true;
            SeedQuilt(quilt, seed);
            ApplySettings(quilt, settings);
            ClearQuilt(quilt, settings.intensity);
            NewQuilt(quilt, settings);
            if (quilt.design.powerExponent == 1) break;
        }
        ColorMapChannels& map = candidate.quilt.colorMap;
        for (int i = 0; i < 256; ++i) {  // a colour map with every entry different
            map.red[i] = i;
            map.green[i] = 255 - i;
            map.blue[i] = i / 2.0;
        }
        return candidate;
    }();
    return found;
}

// The found quilt with the three list selections taken in as a reset does, with a clear, from
// the orbit point the search ended on.
FoundQuilt Prepared(int32_t resolution, int32_t mapping, int32_t antialiasing)
{
    FoundQuilt prepared = ThreefoldQuilt();
    Settings& settings = prepared.settings;
    settings.resolution = resolution;
    settings.colorMapping = mapping;
    settings.antialiasing = antialiasing;
    ClearQuilt(prepared.quilt, settings.intensity);
    ApplySettings(prepared.quilt, settings);
    return prepared;
}

void PlotNothing(Quilt&) {}

// The loop of GrowBatch with a plot function that does nothing: the steps and the call alone.
void GrowBatchUnplotted(Quilt& quilt)
{
    PlotFunction plot = PlotNothing;
    benchmark::DoNotOptimize(plot);
    Orbit& orbit = quilt.orbit;
    for (int32_t i = 0; i < batchSteps; ++i) {
        StepPoint(quilt);
        plot(quilt);
        orbit.pointX = orbit.nextX;
        orbit.pointY = orbit.nextY;
    }
    FlushPlotQueue(quilt);
}

// Arguments: resolution, mapping, antialiasing, plotted (0 runs the same steps without a plot).
void WorkerSteps(benchmark::State& state)
{
    FoundQuilt prepared = Prepared(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                                   static_cast<int32_t>(state.range(2)));
    Quilt& quilt = prepared.quilt;
    const bool plotted = state.range(3) != 0;
    for (auto _ : state) {
        if (plotted)
            GrowBatch(quilt);
        else
            GrowBatchUnplotted(quilt);
    }
    state.SetItemsProcessed(state.iterations() * batchSteps);
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
const FoundQuilt& LargestPeriod()
{
    static const FoundQuilt filled = [] {
        FoundQuilt prepared = Prepared(2, 0, 0);
        for (int batch = 0; batch < 1000; ++batch) GrowBatch(prepared.quilt);
        return prepared;
    }();
    return filled;
}

std::vector<uint8_t> PreviewBuffer(const Quilt& quilt)
{
    return std::vector<uint8_t>(static_cast<size_t>(quilt.textureSize) * quilt.textureSize * 3);
}

// Argument: the "Intensity Function" entry. A refresh tones the picture and, when there was
// anything to tone, copies it into the preview.
void Refresh(benchmark::State& state)
{
    FoundQuilt refreshed = LargestPeriod();
    Quilt& quilt = refreshed.quilt;
    Settings& settings = refreshed.settings;
    settings.intensity = static_cast<int32_t>(state.range(0));
    ApplySettings(quilt, settings);
    std::vector<uint8_t> preview = PreviewBuffer(quilt);
    for (auto _ : state) {
        if (ToneQuilt(quilt, settings.brightness)) TilePreview(quilt, preview.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Refresh)->ArgName("intensity")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// The memory floor of a refresh: every accumulator byte of the period read once, every byte of
// the image and of the preview written once.
void PlainPass(benchmark::State& state)
{
    FoundQuilt filled = LargestPeriod();
    Quilt& quilt = filled.quilt;
    std::vector<uint8_t> preview = PreviewBuffer(quilt);
    const int32_t cells = quilt.periodWidth * quilt.periodHeight;
    const AccumulatorCell* const accumulators = quilt.accumulators.data();
    uint8_t* const image = quilt.image.data();
    for (auto _ : state) {
        for (int32_t i = 0; i < cells; ++i) {
            const AccumulatorCell& cell = accumulators[i];
            const float sum = static_cast<float>(cell.hitCount) + cell.mappingSum + cell.redSum + cell.greenSum +
                              cell.blueSum;
            const uint8_t byte = static_cast<uint8_t>(sum > 0);
            image[i * 3] = byte;
            image[i * 3 + 1] = byte;
            image[i * 3 + 2] = byte;
        }
        std::memset(preview.data(), image[cells / 2], preview.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainPass)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessalume
