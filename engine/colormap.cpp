// The colour map and its three random generators: random curves per channel (with the noise
// and HSV palettes as rarer branches) and the key-point palette of every new quilt. The order
// of draws fixes which palette a generator state yields, so every draw is its own statement.
// The worker plots with the map while the interface thread draws its strip, saves it or loads
// another: every entry is written and read whole, as a relaxed atomic.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/engine.h"
#include "engine/relaxed.h"
#include "engine/maths.h"

namespace tessalume {

namespace {

constexpr int entryCount = 256;
constexpr int splineKeyCount = 350;

struct Channels {
    double* list[3];
};
Channels ChannelsOf(ColorMapChannels& map) { return {{map.red, map.green, map.blue}}; }

// Alternates blocks of `period` entries between the previous palette and the new one.
struct StripeRule {
    uint32_t period = 1;
    bool enabled = false;
    bool write = true;

    // Asked once per entry in ascending order; the flag carries over from one channel to the
    // next, and because 256 / period is even every channel starts on the same pattern.
    bool Writes(int index)
    {
        if (enabled && index % period == 0) write = !write;
        return write;
    }
};

StripeRule DrawStripeRule(RndField& paletteRandom)
{
    StripeRule rule;
    const bool singleEntries = paletteRandom.NextCoin();
    if (!singleEntries) {
        const uint32_t r = paletteRandom.NextWord();
        rule.period = 2u << (r & 3);
    }
    rule.enabled = paletteRandom.NextCoin();
    return rule;
}

// ---- Random curves ------------------------------------------------------------------------

// Base waveforms of the wave curve over q = t·π/2 and w1 = t·fa.
using BaseWave = double (*)(double q, double w1);
constexpr BaseWave baseWaves[12] = {
    [](double q, double) { return std::cos(q); },
    [](double q, double) { return std::sin(q); },
    [](double, double w1) { return (std::cos(w1) + 1) / 2; },
    [](double, double w1) { return (std::sin(w1) + 1) / 2; },
    [](double q, double) { return std::asin(std::cos(q)) * 2 / pi; },
    [](double q, double) { return std::asin(std::sin(q)) * 2 / pi; },
    [](double, double w1) { return std::asin(std::cos(w1)) / pi + 0.5; },
    [](double, double w1) { return std::asin(std::sin(w1)) / pi + 0.5; },
    [](double q, double) { return std::tanh(3 * std::cos(q)); },
    [](double q, double) { return std::tanh(3 * std::sin(q)); },
    [](double, double w1) { return (std::tanh(3 * std::cos(w1)) + 1) / 2; },
    [](double, double w1) { return (std::tanh(3 * std::sin(w1)) + 1) / 2; },
};

// Overlay waveforms of amplitude A over w2 = t·fb.
using OverlayWave = double (*)(double amplitude, double w2);
constexpr OverlayWave overlayWaves[7] = {
    [](double a, double w2) { return a * std::sin(w2); },
    [](double a, double w2) { return a * std::cos(w2); },
    [](double a, double w2) { return a * std::tanh(3 * std::sin(w2)); },
    [](double a, double w2) { return a * std::tanh(3 * std::cos(w2)); },
    [](double a, double w2) { return a * std::asin(std::sin(w2)) * 2 / pi; },
    [](double a, double w2) { return a * std::asin(std::cos(w2)) * 2 / pi; },
    [](double, double) { return 0.0; },
};

// A frequency (word & mask)·π + 1, as the wave and HSV palettes draw them.
double DrawFrequency(RndField& paletteRandom, uint32_t mask)
{
    const uint32_t word = paletteRandom.NextWord();
    return (word & mask) * pi + 1;
}

void DrawWaveCurve(RndField& paletteRandom, double curve[entryCount])
{
    const uint32_t base = paletteRandom.NextWord() % 12;
    const uint32_t overlay = paletteRandom.NextWord() % 7;
    const double fa = DrawFrequency(paletteRandom, 15);
    const double fb = DrawFrequency(paletteRandom, 31);
    const float amplitude = static_cast<float>(paletteRandom.NextWord()) * 0x1p-34f;
    for (int i = 0; i < entryCount; ++i) {
        const double t = static_cast<float>(i) / 256.0f;
        curve[i] = baseWaves[base](t * pi / 2, t * fa) + overlayWaves[overlay](amplitude, t * fb);
    }
}

// All 350 key values are drawn whatever n is, so the draw count is fixed; only the entries
// 0..255 of the curve are ever used, so the segments stop there.
void DrawSplineCurve(RndField& paletteRandom, int mode, double curve[entryCount])
{
    const int n = static_cast<int>(paletteRandom.NextWord() & 127) + 1;
    const float before = paletteRandom.NextUniform();
    const float beyond = paletteRandom.NextUniform();
    float keys[splineKeyCount];
    for (float& key : keys) {
        const float first = paletteRandom.NextUniform();
        const float second = paletteRandom.NextUniform();
        key = first * second;
    }
    const auto control = [&](int k) { return k < 0 ? before : k >= splineKeyCount ? beyond : keys[k]; };
    for (int s = 0; s < entryCount; s += n) {
        const float controls[4] = {control(s - n), control(s), control(s + n), control(s + 2 * n)};
        for (int j = 0; j < n && s + j < entryCount; ++j) {
            const float x = static_cast<float>(j) / static_cast<float>(n);
            curve[s + j] = std::clamp(InterpolateSegment(x, controls, mode), 0.0f, 1.0f);
        }
    }
}

void DrawChannelCurve(RndField& paletteRandom, double curve[entryCount])
{
    const int mode = static_cast<int>(paletteRandom.NextWord() % 3);
    const bool spline = paletteRandom.NextCoin();
    if (spline)
        DrawSplineCurve(paletteRandom, mode, curve);
    else
        DrawWaveCurve(paletteRandom, curve);
}

void FillNoisePalette(ColorMapChannels& map, RndField& paletteRandom, StripeRule& stripes)
{
    for (int i = 0; i < entryCount; ++i) {
        if (!stripes.Writes(i)) continue;
        for (double* channel : ChannelsOf(map).list) StoreRelaxed(channel[i], paletteRandom.NextWord() & 255);
    }
}

// ---- HSV palette --------------------------------------------------------------------------

// Waveforms over a = t·π/2 + phase and b = t·f + phase; `constant` serves the constant rows.
using HsvWave = double (*)(double a, double b, double constant);
double SineOfA(double a, double, double) { return std::sin(a); }
double TriangleOfA(double a, double, double) { return std::asin(std::sin(a)) * 2 / pi; }
double RaisedSineOfB(double, double b, double) { return (std::sin(b) + 1) / 2; }
double RaisedTriangleOfB(double, double b, double) { return std::asin(std::sin(b)) / pi + 0.5; }
double SquareOfA(double a, double, double) { return std::tanh(3 * std::sin(a)); }
double SoftSquareOfB(double, double b, double) { return std::tanh(1.5 * std::sin(b)) + 0.5; }
double Constant(double, double, double constant) { return constant; }

// Rows 1 and 2 hold the same two waveforms in opposite order.
constexpr HsvWave valueWaves[7] = {
    SineOfA, TriangleOfA, RaisedSineOfB, RaisedTriangleOfB, SquareOfA, SoftSquareOfB, Constant,
};
constexpr HsvWave saturationWaves[8] = {
    SineOfA, RaisedSineOfB, TriangleOfA, RaisedTriangleOfB, SquareOfA, SoftSquareOfB, Constant, Constant,
};

// Red, green and blue of each sixth of the hue circle, picked from V, q, p and u.
enum Shade { shadeV, shadeQ, shadeP, shadeU };
constexpr Shade sectorShades[6][3] = {
    {shadeV, shadeU, shadeP}, {shadeQ, shadeV, shadeP}, {shadeP, shadeV, shadeU},
    {shadeP, shadeQ, shadeV}, {shadeU, shadeP, shadeV}, {shadeV, shadeP, shadeQ},
};

// Scaled by 256 with only the top clamped: negative values of V or S stay in the map.
double HsvComponent(double shade)
{
    const double component = shade * 256;
    return component >= 256 ? 255 : component;
}

}  // namespace

float InterpolateSegment(float x, const float controls[4], int mode)
{
    const double t = x;
    const double p0 = controls[0], p1 = controls[1], p2 = controls[2], p3 = controls[3];
    switch (mode) {
    case 0: {
        const double t2 = t * t;
        const double t3 = t2 * t;
        return static_cast<float>(0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 +
                                         (3 * p1 - p0 - 3 * p2 + p3) * t3));
    }
    case 1: {
        const double mu = (1 - std::cos(pi * t)) / 2;
        return static_cast<float>((1 - mu) * p1 + mu * p2);
    }
    default:
        return static_cast<float>((1 - t) * p1 + t * p2);
    }
}

ColorMapChannels CopyColorMap(const ColorMapChannels& map)
{
    ColorMapChannels copy;
    double* const copied[3] = {copy.red, copy.green, copy.blue};
    const double* const source[3] = {map.red, map.green, map.blue};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < entryCount; ++i) copied[c][i] = LoadRelaxed(source[c][i]);
    return copy;
}

void StoreColorMap(ColorMapChannels& target, const ColorMapChannels& map)
{
    const double* const stored[3] = {map.red, map.green, map.blue};
    const Channels channels = ChannelsOf(target);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < entryCount; ++i) StoreRelaxed(channels.list[c][i], stored[c][i]);
}

void RandomColorMap(Quilt& quilt)
{
    if (quilt.orbit.random.NextCoin())
        GenerateRandomColorMap(quilt.colorMap, quilt.paletteRandom);
    else
        GenerateKeyPointColorMap(quilt.colorMap, quilt.orbit.random, quilt.paletteRandom);
}

void GenerateRandomColorMap(ColorMapChannels& map, RndField& paletteRandom)
{
    StripeRule stripes = DrawStripeRule(paletteRandom);
    const float u = paletteRandom.NextUniform();
    if (u <= 0.2) {
        const uint32_t r = paletteRandom.NextWord();
        if ((r & 3) < 3)
            GenerateHsvColorMap(map, paletteRandom);
        else
            FillNoisePalette(map, paletteRandom, stripes);
        return;
    }
    for (double* channel : ChannelsOf(map).list) {
        double curve[entryCount];
        DrawChannelCurve(paletteRandom, curve);
        for (int i = 0; i < entryCount; ++i) {
            const double v = std::clamp(curve[i] * 255, 0.0, 255.0);
            if (stripes.Writes(i)) StoreRelaxed(channel[i], v);
        }
    }
}

void GenerateHsvColorMap(ColorMapChannels& map, RndField& paletteRandom)
{
    StripeRule stripes = DrawStripeRule(paletteRandom);
    const Channels channels = ChannelsOf(map);
    const uint32_t valueMode = paletteRandom.NextWord() % 7;
    const double valueFrequency = DrawFrequency(paletteRandom, 15);
    const double valuePhase = paletteRandom.NextUniform() * twoPi;
    const double saturationPhase = paletteRandom.NextUniform() * twoPi;
    const double saturationFrequency = DrawFrequency(paletteRandom, 15);
    uint32_t saturationMode = paletteRandom.NextWord() % 7;
    double constantSaturation = 0;
    switch (paletteRandom.NextWord() % 5) {
    case 1:
    case 4: constantSaturation = 1; break;
    case 2: constantSaturation = paletteRandom.NextUniform(); break;
    case 3: saturationMode = paletteRandom.NextWord() & 7; break;
    default: break;
    }
    const int hueStep = static_cast<int>((((paletteRandom.NextWord() & 31) + 1) * 360) / 256);
    const int hueOffset = static_cast<int>(paletteRandom.NextWord() % 180);

    for (int i = 0; i < entryCount; ++i) {
        const double t = static_cast<float>(i) / 256.0f;
        const double v = valueWaves[valueMode](t * pi / 2 + valuePhase, t * valueFrequency + valuePhase, 1.0);
        const double s = saturationWaves[saturationMode](t * pi / 2 + saturationPhase,
                                                         t * saturationFrequency + saturationPhase,
                                                         constantSaturation);
        const double hue = ((i * hueStep + hueOffset) % 360) / 60.0;
        const int sector = static_cast<int>(std::floor(hue));
        const double f = hue - sector;
        const double shades[4] = {v, v * (1 - f * s), v * (1 - s), v * (1 - (1 - f) * s)};
        if (!stripes.Writes(i)) continue;
        for (int c = 0; c < 3; ++c) StoreRelaxed(channels.list[c][i], HsvComponent(shades[sectorShades[sector][c]]));
    }
}

void GenerateKeyPointColorMap(ColorMapChannels& map, RndField& engineRandom, RndField& paletteRandom)
{
    const uint32_t keyCount = paletteRandom.NextWord() % 10 + 1;
    for (double* channel : ChannelsOf(map).list) {
        double table[entryCount] = {};
        table[0] = engineRandom.NextUniform();
        table[255] = engineRandom.NextUniform();
        // A free position is one still 0; a placed key value is never exactly 0.
        for (uint32_t placed = 0; placed < keyCount;) {
            const uint32_t x = paletteRandom.NextWord() % 252 + 2;
            if (table[x] != 0) continue;
            const double a = engineRandom.NextUniform();
            const double b = engineRandom.NextUniform();
            table[x] = (a - b) / 2 + x / 510.0;
            ++placed;
        }
        // Cosine interpolation from each key position to the next; the scan ahead of `from`
        // still sees only key values, since each span writes below its own end.
        int from = 0;
        for (int to = 1; to < entryCount; ++to) {
            if (to < 255 && table[to] == 0) continue;
            const int span = to - from;
            const double start = table[from];
            const double end = table[to];
            for (int j = 0; j < span; ++j) {
                const double mu = (1 - std::cos(pi * j / span)) / 2;
                table[from + j] = (1 - mu) * start + mu * end;
            }
            from = to;
        }
        double copy[entryCount];
        std::copy(table, table + entryCount, copy);
        for (int i = 1; i < 255; ++i) table[i] = (copy[i - 1] + copy[i] + copy[i + 1]) / 3;
        for (int i = 0; i < entryCount; ++i) StoreRelaxed(channel[i], std::clamp(table[i] * 255, 0.0, 255.0));
    }
}

}  // namespace tessalume
