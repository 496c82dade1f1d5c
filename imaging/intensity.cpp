// The intensity functions: the accumulators of the period turned into QuiltImage. All nine
// share one skeleton and differ in the brightness curve, the pixel formula and the gain.
#include <algorithm>
#include <cmath>

#include "imaging/accumulators.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {

double brightness = 5.0;
std::atomic<EngineFunction> intensitySlot{nullptr};

namespace {

constexpr double halfPi = 1.5707963267948966;

// 0 unless v ≥ 0 (so not-a-number gives 0), 255 above 255, otherwise truncated.
uint8_t ToByte(double v)
{
    if (!(v >= 0)) return 0;
    if (v > 255) return 255;
    return static_cast<uint8_t>(static_cast<int32_t>(v));
}

double SignedRoot(double v)
{
    if (v > 0) return std::sqrt(v);
    if (v < 0) return -std::sqrt(-v);
    return 0;
}

// Brightness curves of the ratio a = mappingSum / M.
double Squared(double a) { return a * a; }
double Linear(double a) { return a; }
double Sine(double a) { return std::sin(a * halfPi); }
double RippledSine(double a)
{
    const double s = Sine(a);
    return s + (1 - std::fabs(s)) * std::sin(8 * a * halfPi) * 0.0625;
}
double SteepSine(double a) { return std::tanh(3 * Sine(a)); }
double Root(double a) { return std::sqrt(a); }
double RootOfSine(double a) { return SignedRoot(Sine(a)); }

// Pixel formulas: the three bytes from the curve value g, the hit count n, the gain b and the
// cell's colour sums.
void PaintOnBlack(uint8_t* pixel, double g, double n, double b, const double sums[3])
{
    const double f = g * b / n;
    for (int channel = 0; channel < 3; ++channel) pixel[channel] = ToByte(sums[channel] * f);
}

// g is q = √a: a small ratio blends toward white, the squared result darkens the mid-tones.
void PaintWhiteI(uint8_t* pixel, double q, double n, double b, const double sums[3])
{
    const double gainPerSample = b / n;
    for (int channel = 0; channel < 3; ++channel) {
        double v = sums[channel] * gainPerSample * q + (1 - q) * 255;
        if (!(v >= 0)) v = 0;
        if (v > 255) v = 255;
        v *= 0.00392156862745098;
        pixel[channel] = ToByte(v * v * 255);
    }
}

void PaintWhiteII(uint8_t* pixel, double q, double n, double b, const double sums[3])
{
    const double perSample = 1 / n;
    for (int channel = 0; channel < 3; ++channel)
        pixel[channel] = ToByte(sums[channel] * perSample * q * b + (1 - q) * 255);
}

// b = brightness, times the resolution factor where the row says so, times the factor for
// antialiasing "Off" or on.
struct GainRow {
    bool byResolution;
    double offFactor, onFactor;
};
constexpr GainRow plainGain{false, 1.0, 1.5};
constexpr GainRow resolutionGain{true, 1.0, 1.5};
constexpr GainRow whiteGain{true, 0.25, 0.375};

double Gain(const GainRow& row)
{
    double b = brightness;
    if (row.byResolution) b *= resolutionFactor[std::clamp(activeResolution, 0, 2)];
    return b * (antialiasingList.selected != 0 ? row.onFactor : row.offFactor);
}

using Curve = double (*)(double);
using Painter = void (*)(uint8_t*, double, double, double, const double*);

template <Curve curve, Painter paint>
void Tone(const GainRow& gainRow)
{
    const double b = Gain(gainRow);
    const int32_t cellsInUse = std::clamp(periodWidth * periodHeight, 0, maxPeriodCells);

    float largest = 0;
    for (int32_t i = 0; i < cellsInUse; ++i) largest = std::max(largest, LoadRelaxed(Accumulators[i].mappingSum));
    if (largest == 0) return;  // nothing to show: image and preview stay as they are
    const double m = largest;

    // Unhit cells keep whatever the image holds; a cell the worker is adding to meanwhile may
    // come out slightly inconsistent for one refresh.
    for (int32_t i = 0; i < cellsInUse; ++i) {
        AccumulatorCell& cell = Accumulators[i];
        const int32_t n = LoadRelaxed(cell.hitCount);
        if (n == 0) continue;
        const double a = LoadRelaxed(cell.mappingSum) / m;
        const double sums[3] = {LoadRelaxed(cell.redSum), LoadRelaxed(cell.greenSum), LoadRelaxed(cell.blueSum)};
        paint(QuiltImage + static_cast<size_t>(i) * 3, curve(a), n, b, sums);
    }
    TilePreview();
}

}  // namespace

void IntensityVeryLow() { Tone<Squared, PaintOnBlack>(plainGain); }
void IntensityLow() { Tone<Linear, PaintOnBlack>(resolutionGain); }
void IntensityMedium() { Tone<Sine, PaintOnBlack>(plainGain); }
void IntensityHigh() { Tone<RippledSine, PaintOnBlack>(plainGain); }
void IntensityVeryHigh() { Tone<SteepSine, PaintOnBlack>(plainGain); }
void IntensityLowContrast() { Tone<Root, PaintOnBlack>(plainGain); }
void IntensityVeryBright() { Tone<RootOfSine, PaintOnBlack>(plainGain); }
void IntensityWhiteI() { Tone<Root, PaintWhiteI>(whiteGain); }
void IntensityWhiteII() { Tone<Root, PaintWhiteII>(whiteGain); }

namespace {
// In the order of the "Intensity Function" list.
constexpr EngineFunction intensityFunctions[9] = {
    IntensityVeryLow, IntensityLow,        IntensityMedium,     IntensityHigh,   IntensityVeryHigh,
    IntensityLowContrast, IntensityVeryBright, IntensityWhiteI, IntensityWhiteII,
};
}  // namespace

void SelectIntensityFunction()
{
    const int32_t selection = intensityList.selected;
    if (selection < 0 || selection >= 9) return;
    intensitySlot.store(intensityFunctions[selection]);
}

}  // namespace tessalume
