// The plot functions: every step is stamped at its 13 lattice translates into the accumulator
// cells of one period, coloured by a mapping of the step vector.
#include <cmath>
#include <cstring>

#include "engine/maths.h"
#include "imaging/accumulators.h"
#include "imaging/imaging.h"

namespace tessalume {

namespace {

enum class Mapping { distance, angle, sinusoidal, squareWave, triangleWave, circular, circularII };

// The mapping value c of the step (dx, dy); all translates of one step share it.
template <Mapping mapping>
double MappingValue(double dx, double dy, double inverseStepRange)
{
    if constexpr (mapping == Mapping::angle) {
        if (dx == 0 && dy == 0) return 0;  // a step without direction gets colour 0, adds 0
        const double t = std::atan(dy / dx);
        const double m = std::fmod(2 * t + pi, 2.0943951023931957);
        const double q = m * 0.47746482927568595;
        return q <= 0.5 ? q : 1 - q;
    } else {
        const double s = std::sqrt(dx * dx + dy * dy) * inverseStepRange;
        if constexpr (mapping == Mapping::distance) return s;
        const double x = s * pi;
        if constexpr (mapping == Mapping::circularII) return SignedRootWave(x);
        const double wave = std::sin(x);
        if constexpr (mapping == Mapping::sinusoidal) return wave;
        if constexpr (mapping == Mapping::squareWave) return std::tanh(5 * wave);
        if constexpr (mapping == Mapping::triangleWave) return std::asin(wave) * 0.6366197723675814;
        if constexpr (mapping == Mapping::circular) return SignedRoot(wave);
    }
}

// clamp(c × 255, 0, 255) truncated; a value that is not a number gives 0.
int32_t ColorIndex(double c)
{
    const double scaled = c * 255;
    if (!(scaled >= 0)) return 0;
    return scaled > 255 ? 255 : static_cast<int32_t>(scaled);
}

// The nearest pixel with ties going up, decided in single precision. ⌊p⌋ is a truncation and a
// step down because floorf is a long library emulation on this architecture's baseline.
int32_t NearestPixel(float p)
{
    int32_t i = static_cast<int32_t>(p);
    if (static_cast<float>(i) > p) --i;
    if (p - static_cast<float>(i) >= 0.5f) ++i;
    return i;
}

void AddStamps(AccumulatorCell* accumulators, const PendingStamps& step)
{
    // Locals, because every store to a cell could otherwise be taken to change the step.
    const int32_t count = step.count;
    const double mapping = step.mapping, red = step.red, green = step.green, blue = step.blue;
    for (int32_t i = 0; i < count; ++i) {
        AccumulatorCell& cell = accumulators[step.cells[i]];
        // Unsigned so that a cell hit 2³¹ times wraps instead of overflowing.
        StoreRelaxed(cell.hitCount, static_cast<int32_t>(static_cast<uint32_t>(LoadRelaxed(cell.hitCount)) + 1u));
        AddToSum(cell.mappingSum, mapping);
        AddToSum(cell.redSum, red);
        AddToSum(cell.greenSum, green);
        AddToSum(cell.blueSum, blue);
    }
}

void Prefetch(const AccumulatorCell* cell)
{
    const char* first = reinterpret_cast<const char*>(cell);
    __builtin_prefetch(first, 1);
    __builtin_prefetch(first + sizeof(AccumulatorCell) - 1, 1);  // a cell may straddle two lines
}

template <Mapping mapping, bool antialiased>
void Plot(Quilt& quilt)
{
    Orbit& orbit = quilt.orbit;
    const QuiltDesign& design = quilt.design;
    double originX = quilt.halfWidth;
    double originY = quilt.halfHeight;
    float weight = 1.0f;  // a weight of exactly 1 leaves every plain sum as it would be without it
    if constexpr (antialiased) {
        const float u1 = orbit.random.NextUniform();
        const float u2 = orbit.random.NextUniform();
        const float theta = static_cast<float>(static_cast<double>(u1) * 6.283185307179586);
        const float acrossX = std::sin(theta) * u2;
        const float acrossY = std::cos(theta) * u2;
        const double radius = quilt.antialiasRadius;
        originX = static_cast<float>(static_cast<double>(acrossX) * radius + quilt.halfWidth);
        originY = static_cast<float>(static_cast<double>(acrossY) * radius + quilt.halfHeight);
        weight = 1.0f - u2;
    }

    PlotQueue& queue = quilt.plotQueue;
    AccumulatorCell* const accumulators = quilt.accumulators.data();
    PendingStamps& step = queue.steps[queue.pushed % PlotQueue::depth];
    if (queue.pushed - queue.applied == PlotQueue::depth) {
        AddStamps(accumulators, step);
        ++queue.applied;
    }

    // The translate loop only rounds and bounds-checks; the mapping waits until a stamp lands.
    // A position certainly outside in double (a pixel's margin keeps every rounding decision)
    // is dropped before any conversion, which also turns away infinities and not-a-numbers.
    const double x = orbit.nextX;
    const double y = orbit.nextY;
    const double scale = quilt.pixelScale;
    const int32_t width = quilt.periodWidth;
    const int32_t height = quilt.periodHeight;
    const double right = width + 0.5;
    const double top = height + 0.5;
    int32_t count = 0;
    for (int i = 0; i < translateCount; ++i) {
        const double py = (y + design.latticeOffsetY[i]) * scale + originY;
        if (!(py >= -1.5 && py < top)) continue;
        const double px = (x + design.latticeOffsetX[i]) * scale + originX;
        if (!(px >= -1.5 && px < right)) continue;
        const int32_t column = NearestPixel(static_cast<float>(px));
        const int32_t row = NearestPixel(static_cast<float>(py));
        if (static_cast<uint32_t>(column) >= static_cast<uint32_t>(width)) continue;
        if (static_cast<uint32_t>(row) >= static_cast<uint32_t>(height)) continue;
        const int32_t cell = row * width + column;
        Prefetch(accumulators + cell);
        step.cells[count++] = cell;
    }
    if (count == 0) return;

    const double c = MappingValue<mapping>(x - orbit.pointX, y - orbit.pointY, design.inverseStepRange);
    const int32_t k = ColorIndex(c);
    // The interface thread may store a loaded colour map meanwhile: each entry is read whole.
    step.mapping = weight * c;
    step.red = weight * LoadRelaxed(quilt.colorMap.red[k]);
    step.green = weight * LoadRelaxed(quilt.colorMap.green[k]);
    step.blue = weight * LoadRelaxed(quilt.colorMap.blue[k]);
    step.count = count;
    ++queue.pushed;
}

}  // namespace

void PlotDistance(Quilt& quilt) { Plot<Mapping::distance, false>(quilt); }
void PlotAngle(Quilt& quilt) { Plot<Mapping::angle, false>(quilt); }
void PlotSinusoidal(Quilt& quilt) { Plot<Mapping::sinusoidal, false>(quilt); }
void PlotSquareWave(Quilt& quilt) { Plot<Mapping::squareWave, false>(quilt); }
void PlotTriangleWave(Quilt& quilt) { Plot<Mapping::triangleWave, false>(quilt); }
void PlotCircular(Quilt& quilt) { Plot<Mapping::circular, false>(quilt); }
void PlotCircularII(Quilt& quilt) { Plot<Mapping::circularII, false>(quilt); }
void PlotDistanceAntialiased(Quilt& quilt) { Plot<Mapping::distance, true>(quilt); }
void PlotAngleAntialiased(Quilt& quilt) { Plot<Mapping::angle, true>(quilt); }
void PlotSinusoidalAntialiased(Quilt& quilt) { Plot<Mapping::sinusoidal, true>(quilt); }
void PlotSquareWaveAntialiased(Quilt& quilt) { Plot<Mapping::squareWave, true>(quilt); }
void PlotTriangleWaveAntialiased(Quilt& quilt) { Plot<Mapping::triangleWave, true>(quilt); }
void PlotCircularAntialiased(Quilt& quilt) { Plot<Mapping::circular, true>(quilt); }
void PlotCircularIIAntialiased(Quilt& quilt) { Plot<Mapping::circularII, true>(quilt); }

void FlushPlotQueue(Quilt& quilt)
{
    PlotQueue& queue = quilt.plotQueue;
    while (queue.applied != queue.pushed) {
        AddStamps(quilt.accumulators.data(), queue.steps[queue.applied % PlotQueue::depth]);
        ++queue.applied;
    }
}

bool AntialiasingOn(int32_t antialiasing)
{
    const AntialiasingEntry* entry = RowOf(antialiasingTable, antialiasing);
    return entry != nullptr && entry->antialiased;
}

uint8_t BackgroundOf(int32_t intensity)
{
    const IntensityEntry* entry = RowOf(intensityTable, intensity);
    return entry != nullptr ? entry->background : 0;
}

void ClearQuilt(Quilt& quilt, int32_t intensity)
{
    std::memset(quilt.image.data(), BackgroundOf(intensity), quilt.image.size());
    std::memset(quilt.accumulators.data(), 0, sizeof(AccumulatorCell) * quilt.accumulators.size());
    // Stamps still held belong to the picture being cleared.
    quilt.plotQueue.applied = quilt.plotQueue.pushed;
    StoreRelaxed(quilt.stepsPlotted, uint64_t{0});
}

namespace {

// The step and the plot are calls through the quilt's slots because the catalogue entries and
// the mapping change between batches, never within one; the loop allocates nothing. A checked
// quilt's orbit that leaves the search's bounds goes back to the accepted point before the step
// is plotted, since one stamp from that far out swamps the picture: a living orbit never does,
// so it draws exactly what the plain loop would.
template <bool restarts>
void GrowSteps(Quilt& quilt, PlotFunction plot)
{
    Orbit& orbit = quilt.orbit;
    for (int32_t i = 0; i < batchSteps; ++i) {
        StepPoint(quilt);
        if constexpr (restarts) {
            if (!WithinTheSearchBounds(orbit.nextX, orbit.nextY)) {
                orbit.pointX = quilt.acceptedX;
                orbit.pointY = quilt.acceptedY;
                ++quilt.orbitRestarts;
                continue;
            }
        }
        plot(quilt);
        orbit.pointX = orbit.nextX;
        orbit.pointY = orbit.nextY;
    }
}

}  // namespace

void GrowBatch(Quilt& quilt)
{
    const ColorMappingEntry& mapping = *RowOf(colorMappingTable, quilt.colorMapping);
    const PlotFunction plot = AntialiasingOn(quilt.antialiasing) ? mapping.antialiased : mapping.plain;
    if (quilt.stepsPlotted == 0) quilt.pictureStart = quilt.orbit;
    if (quilt.search == Settings::Search::checked)
        GrowSteps<true>(quilt, plot);
    else
        GrowSteps<false>(quilt, plot);
    FlushPlotQueue(quilt);  // every stamp of the batch is in the accumulators before anyone reads them
    StoreRelaxed(quilt.stepsPlotted, quilt.stepsPlotted + batchSteps);
}

void ApplySettings(Quilt& quilt, const Settings& settings)
{
    const int32_t wanted = LoadRelaxed(settings.resolution);
    const int32_t wantedHeight = LoadRelaxed(settings.periodHeight);
    const int32_t intensity = LoadRelaxed(settings.intensity);
    if (wantedHeight >= minPeriodHeight && wantedHeight <= maxPeriodHeight) {
        if (wantedHeight != quilt.periodHeight) SetPeriod(quilt, PeriodOfHeight(wantedHeight), BackgroundOf(intensity));
    } else if (wanted != quilt.resolution) {
        SetResolution(quilt, wanted, BackgroundOf(intensity));
    }
    if (RowOf(intensityTable, intensity) != nullptr) StoreRelaxed(quilt.intensity, intensity);
    // Export names read the mapping in force on the interface thread.
    if (const int32_t mapping = LoadRelaxed(settings.colorMapping); RowOf(colorMappingTable, mapping) != nullptr)
        StoreRelaxed(quilt.colorMapping, mapping);
    const int32_t antialiasing = LoadRelaxed(settings.antialiasing);
    if (const AntialiasingEntry* entry = RowOf(antialiasingTable, antialiasing)) {
        quilt.antialiasing = antialiasing;
        quilt.antialiasRadius = entry->radius;
    }
    // A blurring drag changes the factor; the radius follows the lattice in force.
    quilt.design.blurringFactor = LoadRelaxed(settings.blurringFactor);
    quilt.design.blurRadius = BlurRadiusFor(quilt.design.latticeRadius, quilt.design.blurringFactor);
}

}  // namespace tessalume
