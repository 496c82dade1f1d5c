#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "engine/random.h"
#include "files/files.h"

namespace tessalume {
namespace {

constexpr double pi = 3.141592653589793;
constexpr double untouched = std::numeric_limits<double>::quiet_NaN();

double* const channels[3] = {ColorMap.red, ColorMap.green, ColorMap.blue};

void FillColorMap(double value)
{
    for (double* channel : channels) std::fill(channel, channel + 256, value);
}

std::array<uint32_t, 5> State(const RndField& f) { return {f.x0, f.x1, f.x2, f.x3, f.carry}; }

// Seeds both generators with the first seed whose fresh stream satisfies `wanted`.
void SeedWhere(const std::function<bool(RndField&)>& wanted)
{
    for (uint32_t seed = 1; seed < 2000000; ++seed) {
        RndField field;
        field.Seed(seed);
        if (!wanted(field)) continue;
        paletteRandom.Seed(seed);
        engineRandom.Seed(seed);
        return;
    }
    ADD_FAILURE() << "no seed found";
}

// ---- Independent replays of each generator's draw order ----

struct Stripes {
    uint32_t period = 1;
    bool enabled = false;
    bool Writes(int i) const { return !enabled || (i / period) % 2 == 1; }
};

Stripes ReplayStripes(RndField& f)
{
    Stripes stripes;
    if (!f.NextCoin()) stripes.period = 1u << ((f.NextWord() & 3) + 1);
    stripes.enabled = f.NextCoin();
    return stripes;
}

struct HsvDraws {
    Stripes stripes;
    uint32_t valueMode, saturationSwitch, saturationMode, hueStep, hueOffset;
    double constantSaturation = 0;
};

HsvDraws ReplayHsv(RndField& f)
{
    HsvDraws d;
    d.stripes = ReplayStripes(f);
    d.valueMode = f.NextWord() % 7;
    f.NextWord(), f.NextUniform(), f.NextUniform(), f.NextWord();  // frequencies and phases
    d.saturationMode = f.NextWord() % 7;
    d.saturationSwitch = f.NextWord() % 5;
    if (d.saturationSwitch == 1 || d.saturationSwitch == 4) d.constantSaturation = 1;
    if (d.saturationSwitch == 2) d.constantSaturation = f.NextUniform();
    if (d.saturationSwitch == 3) d.saturationMode = f.NextWord() & 7;
    d.hueStep = ((f.NextWord() & 31) + 1) * 360 / 256;
    d.hueOffset = f.NextWord() % 180;
    return d;
}

struct SplineDraws {
    int mode, n;
    float before, beyond, keys[350];
};

// Returns true for a spline curve and fills `spline`.
bool ReplayChannelCurve(RndField& f, SplineDraws* spline = nullptr)
{
    SplineDraws d;
    d.mode = static_cast<int>(f.NextWord() % 3);
    if (!f.NextCoin()) {
        for (int k = 0; k < 5; ++k) f.NextWord();
        return false;
    }
    d.n = static_cast<int>(f.NextWord() & 127) + 1;
    d.before = f.NextUniform();
    d.beyond = f.NextUniform();
    for (float& key : d.keys) {
        const float first = f.NextUniform();
        key = first * f.NextUniform();
    }
    if (spline) *spline = d;
    return true;
}

enum class Kind { hsv, noise, curves };

Kind ReplayRandomColorMap(RndField& f)
{
    const Stripes stripes = ReplayStripes(f);
    if (f.NextUniform() <= 0.2) {
        if ((f.NextWord() & 3) < 3) {
            ReplayHsv(f);
            return Kind::hsv;
        }
        for (int i = 0; i < 256; ++i)
            if (stripes.Writes(i))
                for (int c = 0; c < 3; ++c) f.NextWord();
        return Kind::noise;
    }
    for (int c = 0; c < 3; ++c) ReplayChannelCurve(f);
    return Kind::curves;
}

// Returns whether a taken position was drawn again (which draws no values).
bool ReplayKeyPoints(RndField& palette, RndField& engine)
{
    bool redrawn = false;
    const uint32_t n = palette.NextWord() % 10 + 1;
    for (int c = 0; c < 3; ++c) {
        engine.NextUniform(), engine.NextUniform();
        std::vector<uint32_t> positions;
        while (positions.size() < n) {
            const uint32_t x = palette.NextWord() % 252 + 2;
            const bool taken = std::find(positions.begin(), positions.end(), x) != positions.end();
            redrawn |= taken;
            if (taken) continue;
            positions.push_back(x);
            engine.NextUniform(), engine.NextUniform();
        }
    }
    return redrawn;
}

void ExpectStripePattern(const Stripes& stripes)
{
    for (double* channel : channels)
        for (int i = 0; i < 256; ++i) EXPECT_EQ(std::isnan(channel[i]), !stripes.Writes(i)) << i;
}

// Index 0 is always kept: with period 1 only odd indices are written. The HSV branch ignores
// the outer stripes and draws its own.
TEST(StripeRule, KeepsEvenBlocksAndWritesOddOnesInEveryChannel)
{
    for (uint32_t period : {1u, 2u, 8u, 16u}) {
        SeedWhere([&](RndField& f) {
            const Stripes s = ReplayStripes(f);
            return s.enabled && s.period == period && f.NextUniform() > 0.2;
        });
        FillColorMap(untouched);
        GenerateRandomColorMap();
        ExpectStripePattern({period, true});
    }
    SeedWhere([](RndField& f) {
        if (!ReplayStripes(f).enabled || f.NextUniform() > 0.2 || (f.NextWord() & 3) == 3) return false;
        return !ReplayStripes(f).enabled;
    });
    FillColorMap(untouched);
    GenerateRandomColorMap();
    ExpectStripePattern({1, false});

    SeedWhere([](RndField& f) { return ReplayStripes(f).enabled; });
    RndField peek = paletteRandom;
    const Stripes stripes = ReplayStripes(peek);
    FillColorMap(untouched);
    GenerateHsvColorMap();
    ExpectStripePattern(stripes);
}

// Draw counts and ranges of every branch (HSV clamps only the top, so negatives stay), and of
// the key-point palette.
TEST(RandomColorMap, DrawsInTheStatedOrderAndCountForEveryBranch)
{
    int seen[3] = {};
    bool negativeHsv = false, redrawn = false;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        paletteRandom.Seed(seed);
        RndField replay = paletteRandom;
        const Kind kind = ReplayRandomColorMap(replay);
        ++seen[static_cast<int>(kind)];
        FillColorMap(untouched);
        GenerateRandomColorMap();
        EXPECT_EQ(State(paletteRandom), State(replay));
        for (double* channel : channels)
            for (int i = 0; i < 256; ++i) {
                if (std::isnan(channel[i])) continue;
                if (kind == Kind::hsv) {
                    EXPECT_LT(channel[i], 256.0);  // only 256 and above is pulled down to 255
                    negativeHsv |= channel[i] < 0;
                } else {
                    EXPECT_GE(channel[i], 0.0);
                    EXPECT_LE(channel[i], 255.0);
                }
            }
        engineRandom.Seed(seed * 7919);
        RndField palette = paletteRandom, engine = engineRandom;
        redrawn |= ReplayKeyPoints(palette, engine);
        GenerateKeyPointColorMap();
        EXPECT_EQ(State(paletteRandom), State(palette));
        EXPECT_EQ(State(engineRandom), State(engine));
        for (double* channel : channels) {
            EXPECT_GE(*std::min_element(channel, channel + 256), 0.0);
            EXPECT_LE(*std::max_element(channel, channel + 256), 255.0);
        }
    }
    for (int count : seen) EXPECT_GT(count, 0);
    EXPECT_TRUE(negativeHsv);
    EXPECT_TRUE(redrawn);
}

TEST(RandomColorMap, NoisePaletteTakesThreeWordsPerWrittenEntry)
{
    SeedWhere([](RndField& f) {
        return ReplayStripes(f).enabled && f.NextUniform() <= 0.2 && (f.NextWord() & 3) == 3;
    });
    RndField replay = paletteRandom;
    const Stripes stripes = ReplayStripes(replay);
    replay.NextUniform();
    replay.NextWord();
    FillColorMap(untouched);
    GenerateRandomColorMap();
    for (int i = 0; i < 256; ++i) {
        if (!stripes.Writes(i)) continue;
        for (double* channel : channels) EXPECT_EQ(channel[i], replay.NextWord() & 255) << i;
    }
    EXPECT_EQ(State(paletteRandom), State(replay));
}

TEST(RandomColorMap, QuarterCosineWaveIsThePlainBaseCurve)
{
    SeedWhere([](RndField& f) {
        if (ReplayStripes(f).enabled || f.NextUniform() <= 0.2) return false;
        f.NextWord();
        return !f.NextCoin() && f.NextWord() % 12 == 0 && f.NextWord() % 7 == 6;
    });
    GenerateRandomColorMap();
    for (int i = 0; i < 256; ++i) EXPECT_NEAR(ColorMap.red[i], 255 * std::cos(pi * i / 512), 1e-9) << i;
}

// Seeds a red spline channel of segment length n with stripes off, and returns its draws.
SplineDraws SeedRedSpline(int n)
{
    SeedWhere([n](RndField& f) {
        if (ReplayStripes(f).enabled || f.NextUniform() <= 0.2) return false;
        f.NextWord();
        return f.NextCoin() && static_cast<int>(f.NextWord() & 127) + 1 == n;
    });
    RndField replay = paletteRandom;
    ReplayStripes(replay);
    replay.NextUniform();
    SplineDraws spline;
    EXPECT_TRUE(ReplayChannelCurve(replay, &spline));
    return spline;
}

void ExpectRedSegment(const SplineDraws& d, int start, int end, const float controls[4])
{
    for (int i = start; i < end; ++i) {
        const float x = static_cast<float>(i - start) / static_cast<float>(d.n);
        EXPECT_EQ(ColorMap.red[i], std::clamp(InterpolateSegment(x, controls, d.mode), 0.0f, 1.0f) * 255.0) << i;
    }
}

TEST(SplineCurve, ControlIndicesOutsideTheKeysTakeTheEndValues)
{
    const SplineDraws whole = SeedRedSpline(128);
    GenerateRandomColorMap();
    const float first[4] = {whole.before, whole.keys[0], whole.keys[128], whole.keys[256]};
    const float second[4] = {whole.keys[0], whole.keys[128], whole.keys[256], whole.beyond};
    ExpectRedSegment(whole, 0, 128, first);
    ExpectRedSegment(whole, 128, 256, second);

    const SplineDraws cut = SeedRedSpline(120);
    GenerateRandomColorMap();
    const float last[4] = {cut.keys[120], cut.keys[240], cut.beyond, cut.beyond};
    ExpectRedSegment(cut, 240, 256, last);
}

TEST(InterpolateSegment, ModesMeetTheirControlValues)
{
    const float p[4] = {0.1f, 0.7f, 0.3f, 0.9f};
    for (int mode = 0; mode < 3; ++mode) EXPECT_EQ(InterpolateSegment(0.0f, p, mode), 0.7f) << mode;
    EXPECT_FLOAT_EQ(InterpolateSegment(0.5f, p, 1), 0.5f);
    EXPECT_FLOAT_EQ(InterpolateSegment(0.5f, p, 2), 0.5f);
    const float line[4] = {0.0f, 1.0f, 2.0f, 3.0f};  // Catmull-Rom reproduces a straight line
    for (float x : {0.25f, 0.5f, 0.875f}) EXPECT_FLOAT_EQ(InterpolateSegment(x, line, 0), 1.0f + x);
    // Exact only if the blend runs in double; in float it lands one ulp low.
    const float flat[4] = {0.0f, 0.1f, 0.1f, 0.0f};
    EXPECT_EQ(InterpolateSegment(0.1f, flat, 2), 0.1f);
}

TEST(HsvPalette, ConstantValueAndSaturationFollowTheHueCircle)
{
    SeedWhere([](RndField& f) {
        const HsvDraws d = ReplayHsv(f);
        return !d.stripes.enabled && d.valueMode == 6 && d.saturationMode == 6 && d.saturationSwitch == 2;
    });
    RndField replay = paletteRandom;
    const HsvDraws d = ReplayHsv(replay);
    GenerateHsvColorMap();
    EXPECT_EQ(State(paletteRandom), State(replay));
    const int offsets[3] = {5, 3, 1};  // closed form of the six hue sectors
    for (int i = 0; i < 256; ++i) {
        const double hue = ((i * d.hueStep + d.hueOffset) % 360) / 60.0;
        for (int c = 0; c < 3; ++c) {
            const double k = std::fmod(offsets[c] + hue, 6.0);
            const double shade = 1 - d.constantSaturation * std::max(0.0, std::min({k, 4 - k, 1.0}));
            EXPECT_NEAR(channels[c][i], std::min(shade * 256, 255.0), 1e-9) << i << " " << c;
        }
    }
}

TEST(HsvPalette, RedrawnSaturationModeSixOrSevenIsGrey)
{
    SeedWhere([](RndField& f) {
        const HsvDraws d = ReplayHsv(f);
        return !d.stripes.enabled && d.saturationSwitch == 3 && d.saturationMode >= 6;
    });
    GenerateHsvColorMap();
    EXPECT_EQ(std::memcmp(ColorMap.red, ColorMap.green, sizeof ColorMap.red), 0);
    EXPECT_EQ(std::memcmp(ColorMap.red, ColorMap.blue, sizeof ColorMap.red), 0);
}

TEST(KeyPointPalette, OneKeyPointIsSmoothedCosineBetweenThreePoints)
{
    SeedWhere([](RndField& f) { return f.NextWord() % 10 == 0; });
    RndField engine = engineRandom, palette = paletteRandom;
    palette.NextWord();  // N = 1
    double keys[3][3];
    uint32_t positions[3];
    for (int c = 0; c < 3; ++c) {
        keys[c][0] = engine.NextUniform();
        keys[c][2] = engine.NextUniform();
        positions[c] = palette.NextWord() % 252 + 2;
        const double a = engine.NextUniform();
        keys[c][1] = (a - engine.NextUniform()) / 2 + positions[c] / 510.0;
    }
    GenerateKeyPointColorMap();
    for (int c = 0; c < 3; ++c) {
        const auto curve = [&](int i) {
            const bool low = i < static_cast<int>(positions[c]);
            const double from = low ? 0 : positions[c], to = low ? positions[c] : 255;
            const double mu = (1 - std::cos(pi * (i - from) / (to - from))) / 2;
            return low ? (1 - mu) * keys[c][0] + mu * keys[c][1] : (1 - mu) * keys[c][1] + mu * keys[c][2];
        };
        EXPECT_EQ(channels[c][0], keys[c][0] * 255);  // the ends are not smoothed
        EXPECT_EQ(channels[c][255], keys[c][2] * 255);
        for (int i = 1; i < 255; ++i) {
            const double smoothed = (curve(i - 1) + curve(i) + curve(i + 1)) / 3 * 255;
            EXPECT_NEAR(channels[c][i], std::clamp(smoothed, 0.0, 255.0), 1e-9) << c << " " << i;
        }
    }
}

TEST(RandomColorMap, EngineCoinChoosesTheGenerator)
{
    for (bool coin : {true, false}) {
        SCOPED_TRACE(coin);
        SeedWhere([coin](RndField& f) { return f.NextCoin() == coin; });
        const RndField palette = paletteRandom, engine = engineRandom;
        RandomColorMap();
        const ColorMapChannels chosen = ColorMap;
        const auto paletteAfter = State(paletteRandom), engineAfter = State(engineRandom);
        paletteRandom = palette;
        engineRandom = engine;
        engineRandom.NextWord();
        coin ? GenerateRandomColorMap() : GenerateKeyPointColorMap();
        EXPECT_EQ(std::memcmp(&chosen, &ColorMap, sizeof chosen), 0);
        EXPECT_EQ(State(paletteRandom), paletteAfter);
        EXPECT_EQ(State(engineRandom), engineAfter);
    }
}

}  // namespace
}  // namespace tessalume
