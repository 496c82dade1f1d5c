// The plot functions: every step is stamped at its 13 lattice translates into the accumulator
// cells of one period, coloured by a mapping of the step vector.
#include <cmath>
#include <cstring>

#include "files/files.h"
#include "imaging/accumulators.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {

int32_t colorMappingIndex = 0;
double antialiasRadius = 1.75;
uint8_t QuiltImage[quiltImageBytes];
AccumulatorCell Accumulators[maxPeriodCells];

namespace {

constexpr double pi = 3.141592653589793;
constexpr int translateCount = 13;

enum class Mapping { distance, angle, sinusoidal, squareWave, triangleWave, circular, circularII };

// The mapping value c of the step (dx, dy); all translates of one step share it.
template <Mapping mapping>
double MappingValue(double dx, double dy)
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
        if constexpr (mapping == Mapping::circular) {
            if (wave > 0) return std::sqrt(wave);
            if (wave < 0) return -std::sqrt(-wave);
            return 0;
        }
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

// One step's stamps, held back until their cells have arrived in the cache.
struct PendingStep {
    double mapping, red, green, blue;  // what each stamp adds, weight included
    int32_t count;
    int32_t cells[translateCount];
};

// Eight steps in flight are enough to hide a memory access behind the steps that follow.
constexpr uint32_t queueDepth = 8;
PendingStep pendingSteps[queueDepth];
uint32_t pushedSteps = 0;   // steps ever queued, modulo 2³²
uint32_t appliedSteps = 0;  // of which added to the accumulators

void AddStamps(const PendingStep& step)
{
    // Locals, because every store to a cell could otherwise be taken to change the step.
    const int32_t count = step.count;
    const double mapping = step.mapping, red = step.red, green = step.green, blue = step.blue;
    for (int32_t i = 0; i < count; ++i) {
        AccumulatorCell& cell = Accumulators[step.cells[i]];
        // Unsigned so that a cell hit 2³¹ times wraps instead of overflowing.
        StoreRelaxed(cell.hitCount, static_cast<int32_t>(static_cast<uint32_t>(LoadRelaxed(cell.hitCount)) + 1u));
        AddToSum(cell.mappingSum, mapping);
        AddToSum(cell.redSum, red);
        AddToSum(cell.greenSum, green);
        AddToSum(cell.blueSum, blue);
    }
}

void Prefetch(int32_t cell)
{
    const char* first = reinterpret_cast<const char*>(&Accumulators[cell]);
    __builtin_prefetch(first, 1);
    __builtin_prefetch(first + sizeof(AccumulatorCell) - 1, 1);  // a cell may straddle two lines
}

template <Mapping mapping, bool antialiased>
void Plot()
{
    double originX = halfWidth;
    double originY = halfHeight;
    float weight = 1.0f;  // a weight of exactly 1 leaves every plain sum as it would be without it
    if constexpr (antialiased) {
        const float u1 = engineRandom.NextUniform();
        const float u2 = engineRandom.NextUniform();
        const float theta = static_cast<float>(static_cast<double>(u1) * 6.283185307179586);
        const float acrossX = std::sin(theta) * u2;
        const float acrossY = std::cos(theta) * u2;
        const double radius = LoadRelaxed(antialiasRadius);  // the "Antialiasing" list writes it
        originX = static_cast<float>(static_cast<double>(acrossX) * radius + halfWidth);
        originY = static_cast<float>(static_cast<double>(acrossY) * radius + halfHeight);
        weight = 1.0f - u2;
    }

    PendingStep& step = pendingSteps[pushedSteps % queueDepth];
    if (pushedSteps - appliedSteps == queueDepth) {
        AddStamps(step);
        ++appliedSteps;
    }

    // The translate loop only rounds and bounds-checks; the mapping waits until a stamp lands.
    // A position certainly outside in double (a pixel's margin keeps every rounding decision)
    // is dropped before any conversion, which also turns away infinities and not-a-numbers.
    const double x = nextX;
    const double y = nextY;
    const double scale = pixelScale;
    const int32_t width = periodWidth;
    const int32_t height = periodHeight;
    const double right = width + 0.5;
    const double top = height + 0.5;
    int32_t count = 0;
    for (int i = 0; i < translateCount; ++i) {
        const double py = (y + latticeOffsetY[i]) * scale + originY;
        if (!(py >= -1.5 && py < top)) continue;
        const double px = (x + latticeOffsetX[i]) * scale + originX;
        if (!(px >= -1.5 && px < right)) continue;
        const int32_t column = NearestPixel(static_cast<float>(px));
        const int32_t row = NearestPixel(static_cast<float>(py));
        if (static_cast<uint32_t>(column) >= static_cast<uint32_t>(width)) continue;
        if (static_cast<uint32_t>(row) >= static_cast<uint32_t>(height)) continue;
        const int32_t cell = row * width + column;
        Prefetch(cell);
        step.cells[count++] = cell;
    }
    if (count == 0) return;

    const double c = MappingValue<mapping>(x - pointX, y - pointY);
    const int32_t k = ColorIndex(c);
    step.mapping = weight * c;
    step.red = weight * LoadRelaxed(ColorMap.red[k]);
    step.green = weight * LoadRelaxed(ColorMap.green[k]);
    step.blue = weight * LoadRelaxed(ColorMap.blue[k]);
    step.count = count;
    ++pushedSteps;
}

}  // namespace

void PlotDistance() { Plot<Mapping::distance, false>(); }
void PlotAngle() { Plot<Mapping::angle, false>(); }
void PlotSinusoidal() { Plot<Mapping::sinusoidal, false>(); }
void PlotSquareWave() { Plot<Mapping::squareWave, false>(); }
void PlotTriangleWave() { Plot<Mapping::triangleWave, false>(); }
void PlotCircular() { Plot<Mapping::circular, false>(); }
void PlotCircularII() { Plot<Mapping::circularII, false>(); }
void PlotDistanceAntialiased() { Plot<Mapping::distance, true>(); }
void PlotAngleAntialiased() { Plot<Mapping::angle, true>(); }
void PlotSinusoidalAntialiased() { Plot<Mapping::sinusoidal, true>(); }
void PlotSquareWaveAntialiased() { Plot<Mapping::squareWave, true>(); }
void PlotTriangleWaveAntialiased() { Plot<Mapping::triangleWave, true>(); }
void PlotCircularAntialiased() { Plot<Mapping::circular, true>(); }
void PlotCircularIIAntialiased() { Plot<Mapping::circularII, true>(); }

void FlushPlotQueue()
{
    while (appliedSteps != pushedSteps) {
        AddStamps(pendingSteps[appliedSteps % queueDepth]);
        ++appliedSteps;
    }
}

bool AntialiasingOn()
{
    const AntialiasingEntry* entry = RowOf(antialiasingTable, LoadRelaxed(antialiasingList.selected));
    return entry != nullptr && entry->antialiased;
}

void SelectPlotFunction()
{
    if (const ColorMappingEntry* mapping = RowOf(colorMappingTable, colorMappingIndex))
        plotSlot = AntialiasingOn() ? mapping->antialiased : mapping->plain;
}

void ClearAccumulators()
{
    const IntensityEntry* intensity = RowOf(intensityTable, LoadRelaxed(intensityList.selected));
    std::memset(QuiltImage, intensity != nullptr ? intensity->background : 0, sizeof QuiltImage);
    const int32_t cellsInUse = periodWidth * periodHeight;
    if (cellsInUse > 0 && cellsInUse <= maxPeriodCells)
        std::memset(Accumulators, 0, sizeof(AccumulatorCell) * static_cast<size_t>(cellsInUse));
    // Stamps still held belong to the picture being cleared.
    appliedSteps = pushedSteps;
}

}  // namespace tessalume
