// The intensity functions: the accumulators of the period turned into its picture. All nine
// share one skeleton and differ in the brightness curve, the pixel formula and the gain.
#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/maths.h"
#include "imaging/accumulators.h"
#include "imaging/imaging.h"

namespace tessalume {

namespace {

// The skeleton works on two cells at a time: the two divisions of every pixel, its products and
// its clamps then run two-wide, lane by lane exactly as one cell alone would compute them.
using Pair = double __attribute__((vector_size(16)));
using PairOfInts = int32_t __attribute__((vector_size(8)));

// v clamped to 0..255, a not-a-number becoming 0. SSE2's max and min treat a not-a-number
// exactly so, without a branch per channel.
Pair ClampToChannel(Pair v)
{
#if defined(__SSE2__)
    return _mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(255.0));
#else
    for (int lane = 0; lane < 2; ++lane) v[lane] = !(v[lane] >= 0) ? 0 : v[lane] > 255 ? 255 : v[lane];
    return v;
#endif
}

// byte(v) of the red, green and blue values of two pixels, each pixel's three bytes packed
// into the low bytes of one lane: 0 unless v ≥ 0 (so not-a-number gives 0), 255 above 255,
// otherwise truncated.
struct Channels {
    Pair red, green, blue;
};
PairOfInts PackedBytes(const Channels& v)
{
    const PairOfInts red = __builtin_convertvector(ClampToChannel(v.red), PairOfInts);
    const PairOfInts green = __builtin_convertvector(ClampToChannel(v.green), PairOfInts);
    const PairOfInts blue = __builtin_convertvector(ClampToChannel(v.blue), PairOfInts);
    return red | green << 8 | blue << 16;
}

void StorePixel(uint8_t* pixel, int32_t packed)
{
    pixel[0] = static_cast<uint8_t>(packed);
    pixel[1] = static_cast<uint8_t>(packed >> 8);
    pixel[2] = static_cast<uint8_t>(packed >> 16);
}

// The larger of the two; a candidate that is not a number never wins.
float Larger(float largest, float candidate) { return candidate > largest ? candidate : largest; }

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

// Pixel formulas: the red, green and blue values of two pixels, before byte(), from their curve
// values g, hit counts n, the gain b and their colour sums.
Channels OnBlack(Pair g, Pair n, double b, const Channels& sums)
{
    const Pair f = g * b / n;
    return {sums.red * f, sums.green * f, sums.blue * f};
}

// g is q = √a: a small ratio blends toward white, the squared result darkens the mid-tones.
Pair WhiteIChannel(Pair sum, Pair gainPerSample, Pair q)
{
    const Pair v = ClampToChannel(sum * gainPerSample * q + (1 - q) * 255) * 0.00392156862745098;
    return v * v * 255;
}

Channels WhiteI(Pair q, Pair n, double b, const Channels& sums)
{
    const Pair gainPerSample = b / n;
    return {WhiteIChannel(sums.red, gainPerSample, q), WhiteIChannel(sums.green, gainPerSample, q),
            WhiteIChannel(sums.blue, gainPerSample, q)};
}

Channels WhiteII(Pair q, Pair n, double b, const Channels& sums)
{
    const Pair perSample = 1 / n;
    return {sums.red * perSample * q * b + (1 - q) * 255, sums.green * perSample * q * b + (1 - q) * 255,
            sums.blue * perSample * q * b + (1 - q) * 255};
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

double Gain(const Quilt& quilt, double brightness, const GainRow& row)
{
    double b = brightness;
    if (row.byResolution) b *= quilt.gainFactor;
    return b * (AntialiasingOn(quilt.antialiasing) ? row.onFactor : row.offFactor);
}

using Curve = double (*)(double);
using Painter = Channels (*)(Pair, Pair, double, const Channels&);

// Reads the accumulators while the worker may be adding to them (relaxed, cell by cell).
template <Curve curve, Painter paint>
bool Tone(Quilt& quilt, std::span<const AccumulatorCell> source, double brightness, const GainRow& gainRow)
{
    const double b = Gain(quilt, brightness, gainRow);
    const int32_t cellsInUse = static_cast<int32_t>(std::min(source.size(), quilt.image.size() / 3));
    const AccumulatorCell* const cells = source.data();

    // Four running maxima, so that the pass waits on memory rather than on one chain of
    // comparisons; a not-a-number never wins a comparison, as with a single maximum.
    float largest0 = 0, largest1 = 0, largest2 = 0, largest3 = 0;
    int32_t i = 0;
    for (; i + 4 <= cellsInUse; i += 4) {
        largest0 = Larger(largest0, LoadRelaxed(cells[i].mappingSum));
        largest1 = Larger(largest1, LoadRelaxed(cells[i + 1].mappingSum));
        largest2 = Larger(largest2, LoadRelaxed(cells[i + 2].mappingSum));
        largest3 = Larger(largest3, LoadRelaxed(cells[i + 3].mappingSum));
    }
    for (; i < cellsInUse; ++i) largest0 = Larger(largest0, LoadRelaxed(cells[i].mappingSum));
    const double m = Larger(Larger(largest0, largest1), Larger(largest2, largest3));
    if (m == 0) return false;  // nothing to show: the picture stays as it is

    // Unhit cells keep whatever the image holds; a cell the worker is adding to meanwhile may
    // come out slightly inconsistent for one refresh. An odd last cell pairs with an unhit one.
    for (i = 0; i < cellsInUse; i += 2) {
        const AccumulatorCell& first = cells[i];
        const AccumulatorCell& second = cells[i + 1 < cellsInUse ? i + 1 : i];
        const int32_t firstHits = LoadRelaxed(first.hitCount);
        const int32_t secondHits = i + 1 < cellsInUse ? LoadRelaxed(second.hitCount) : 0;
        if (firstHits == 0 && secondHits == 0) continue;
        const Pair n = {static_cast<double>(firstHits), static_cast<double>(secondHits)};
        const Pair a = Pair{LoadRelaxed(first.mappingSum), LoadRelaxed(second.mappingSum)} / m;
        const Channels sums = {
            {LoadRelaxed(first.redSum), LoadRelaxed(second.redSum)},
            {LoadRelaxed(first.greenSum), LoadRelaxed(second.greenSum)},
            {LoadRelaxed(first.blueSum), LoadRelaxed(second.blueSum)},
        };
        const PairOfInts pixels = PackedBytes(paint(Pair{curve(a[0]), curve(a[1])}, n, b, sums));
        uint8_t* image = quilt.image.data() + static_cast<size_t>(i) * 3;
        if (firstHits != 0) StorePixel(image, pixels[0]);
        if (secondHits != 0) StorePixel(image + 3, pixels[1]);
    }
    return true;
}

}  // namespace

bool IntensityVeryLow(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<Squared, OnBlack>(quilt, cells, brightness, plainGain);
}
bool IntensityLow(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<Linear, OnBlack>(quilt, cells, brightness, resolutionGain);
}
bool IntensityMedium(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<Sine, OnBlack>(quilt, cells, brightness, plainGain);
}
bool IntensityHigh(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<RippledSine, OnBlack>(quilt, cells, brightness, plainGain);
}
bool IntensityVeryHigh(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<SteepSine, OnBlack>(quilt, cells, brightness, plainGain);
}
bool IntensityLowContrast(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<Root, OnBlack>(quilt, cells, brightness, plainGain);
}
bool IntensityVeryBright(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<RootOfSine, OnBlack>(quilt, cells, brightness, plainGain);
}
bool IntensityWhiteI(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<Root, WhiteI>(quilt, cells, brightness, whiteGain);
}
bool IntensityWhiteII(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    return Tone<Root, WhiteII>(quilt, cells, brightness, whiteGain);
}

bool ToneQuilt(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness)
{
    const IntensityEntry* entry = RowOf(intensityTable, LoadRelaxed(quilt.intensity));
    return entry != nullptr && entry->function(quilt, cells, brightness);
}

bool ToneQuilt(Quilt& quilt, double brightness) { return ToneQuilt(quilt, quilt.accumulators, brightness); }

}  // namespace tessalume
