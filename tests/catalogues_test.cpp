#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

constexpr double pi = 3.141592653589793;
constexpr double sixthPi = 0.5235987755982988;

// Forces the next word of `field` to be `word`: with every lag and the carry zero but the
// carry, one step yields the carry.
void NextWordWillBe(RndField& field, uint32_t word)
{
    field.x0 = field.x1 = field.x2 = field.x3 = 0;
    field.carry = word;
}

bool SameState(const RndField& a, const RndField& b)
{
    return a.x0 == b.x0 && a.x1 == b.x1 && a.x2 == b.x2 && a.x3 == b.x3 && a.carry == b.carry;
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engineRandom.Seed(11);
        // The corner tables as a search pass with unturned corners lays them out.
        LayHexagon(false);
        transformFrequency = 1;
        transformAmplitude = -0.5;
        transformPhase = 0;
        transformVariant = 0;
        transformConstantA = 5.0;
        transformConstantB = 3.0;
        unitScale = 1.0;
        pointX = pointY = 0;
    }
    static double FieldAt(int entry, double x, double y)
    {
        pointX = x;
        pointY = y;
        transformationCatalogueI[entry]();
        return fieldTerm;
    }
    static double FieldAtAngle(int entry, double r, double angle)
    {
        return FieldAt(entry, r * std::cos(angle), r * std::sin(angle));
    }
    static void MapFrom(int entry, double x, double y)
    {
        nextX = x;
        nextY = y;
        transformationCatalogueII[entry]();
    }
};

TEST_F(CatalogueTest, RadialFieldsAtThreeFour)
{
    EXPECT_EQ(FieldAt(0, 3, 4), 25);
    EXPECT_EQ(FieldAt(1, 3, 4), 5);
    EXPECT_DOUBLE_EQ(FieldAt(2, 3, 4), std::sqrt(std::sqrt(5.0)));
    EXPECT_EQ(FieldAt(3, 3, 4), -23);
    EXPECT_EQ(FieldAt(4, 3, 4), 4.0 / 27.0);
    EXPECT_EQ(FieldAt(5, 3, 4), std::sqrt(337.0));
    EXPECT_EQ(FieldAt(5, -3, -4), std::sqrt(337.0));
}

TEST(RootWaves, ValuesAndTheirSinglePrecisionSigns)
{
    EXPECT_NEAR(SignedRootWave(pi / 2), 1, 1e-7);
    EXPECT_NEAR(SignedRootWave(-pi / 2), -1, 1e-7);
    EXPECT_NEAR(SignedRootWave(pi / 3), 1 - std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(SignedRootWave(-2 * pi / 3), -(1 - std::sqrt(0.5)), 1e-15);
    EXPECT_NEAR(SignedRootWaveCos(0), 1, 1e-7);
    EXPECT_NEAR(SignedRootWaveCos(pi), -1, 1e-7);
    EXPECT_NEAR(SignedRootWaveCos(pi / 6), 1 - std::sqrt(0.5), 1e-15);

    // A sine that is exactly 0 in single precision gives the negative sign, even for a
    // double whose own sine is positive.
    EXPECT_TRUE(std::signbit(SignedRootWave(0)));
    EXPECT_TRUE(std::signbit(SignedRootWave(1e-50)));
    // Just below π the double sine is positive, but π rounded to single precision lies above π.
    const double belowPi = pi - 3e-8;
    ASSERT_GT(std::sin(belowPi), 0);
    EXPECT_LT(SignedRootWave(belowPi), 0);
    // Just below 3π/2 the double cosine is negative, the single-precision one positive.
    const double belowThreeHalves = 4.71238898038469 - 1e-7;
    ASSERT_LT(std::cos(belowThreeHalves), 0);
    EXPECT_GT(SignedRootWaveCos(belowThreeHalves), 0);
}

// Wave fields at r = 2 with A = −0.5: hand values at directions where the waves are ±1 or 0.
TEST_F(CatalogueTest, WaveFieldsAtTheirExtremes)
{
    const double tanh3 = std::tanh(3.0);
    struct Row {
        int entry;
        double angle, frequency, phase, expected;
    } rows[] = {
        {6, 0, 1, 0, 1},      {6, pi / 2, 1, 0, 2},       {6, pi, 1, 0, 3},
        {6, pi / 6, 6, 0, 3}, {6, 0, 1, pi, 3},           {7, 0, 1, 0, 1},
        {7, pi, 1, 0, 3},     {8, 0, 1, 0, 2 - tanh3},    {8, pi, 1, 0, 2 + tanh3},
        {9, 0, 1, 0, 1},      {9, 2 * pi / 3, 1, 0, 2 + std::sqrt(0.5)},
        {10, 0, 1, 0, 1},     {10, pi, 1, 0, 3},          {15, pi / 2, 1, 0, 1},
        {15, -pi / 2, 1, 0, 3}, {16, pi / 2, 1, 0, 1},    {16, -pi / 2, 1, 0, 3},
        {17, pi / 2, 1, 0, 1},  {17, -pi / 2, 1, 0, 3},   {19, pi / 2, 1, 0, 3},
        {19, -pi / 2, 1, 0, 3}, {20, pi / 2, 1, 0, 3},    {20, -pi / 2, 1, 0, 3},
        {21, pi / 2, 1, 0, 1},  {21, -pi / 2, 1, 0, 2},
        {21, pi / 12, 1, 0, 2 - std::sin(pi / 12)}, {21, -pi / 12, 1, 0, 2},
    };
    for (const Row& row : rows) {
        transformFrequency = row.frequency;
        transformPhase = row.phase;
        EXPECT_NEAR(FieldAtAngle(row.entry, 2, row.angle), row.expected, 1e-7)
            << "entry " << row.entry << " at angle " << row.angle;
    }
    // The factor 8 of entries 15..17 multiplies t = f·θ, not θ: at t = π/16, 8t = π/2.
    transformFrequency = 0.125;
    EXPECT_NEAR(FieldAtAngle(15, 2, pi / 2), 2 * (1 - 0.5 * (std::sin(pi / 16) + 0.25)), 1e-12);
}

// Polygon fields: at a corner of the polygon P is 1, in the middle of a side it is the apothem.
TEST_F(CatalogueTest, PolygonFieldsAtCornersAndSideMiddles)
{
    const double r = 3;
    transformVariant = 2;
    EXPECT_NEAR(FieldAt(11, r, 0), r, 1e-12);  // θ + φ = 0 is a corner of the hexagon
    transformPhase = -0.4;
    EXPECT_NEAR(FieldAtAngle(11, r, 0.4), r, 1e-12);

    transformPhase = 0;
    for (int v = 0; v < 4; ++v) {
        transformVariant = v;
        const double a = polygonTable[v][0];
        const double corner = pi;  // θ + φ + π = 2π, a whole number of sectors
        const double side = polygonTable[v][2] - pi;
        EXPECT_NEAR(FieldAtAngle(11, r, corner), r, 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(12, r, corner), r, 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(13, r, corner), std::log(r), 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(11, r, side), r * a, 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(12, r, side), r / a, 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(13, r, side), std::log(r) * a, 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(14, r, side), (r * r + 1) * (a + 0.01), 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(22, r, side), r * r * a, 1e-12) << v;
        EXPECT_NEAR(FieldAtAngle(18, r, side), std::log(r) * a, 1e-7) << v;
        EXPECT_NEAR(FieldAtAngle(23, r, side), r * a, 1e-7) << v;
        EXPECT_NEAR(FieldAtAngle(24, r, side), std::cos(r * a) * a, 1e-7) << v;
    }
}

// In 25..29 the phase enters beside ψ as well: at ψ = −φ the divisors see an angle of 0.
TEST_F(CatalogueTest, UnguardedFieldsCountThePhaseTwice)
{
    const double r = 1.5;
    const double phase = 0.2;
    transformPhase = phase;
    transformVariant = 2;
    const double a = polygonTable[2][0];
    const double angle = sixthPi - 2 * phase - pi;  // θ + φ + π = π/6 − φ: ψ = −φ
    EXPECT_NEAR(FieldAtAngle(25, r, angle), r * r * a, 1e-12);
    EXPECT_NEAR(FieldAtAngle(26, r, angle), r * r * a, 1e-7);
    EXPECT_NEAR(FieldAtAngle(27, r, angle), r * r * a, 1e-12);
    EXPECT_NEAR(FieldAtAngle(29, r, angle), a / std::cos(-phase) * r * r, 1e-12);

    // Entry 28 always uses the hexagon's sector.
    const double hexagonValue = FieldAtAngle(28, r, angle);
    EXPECT_NEAR(hexagonValue, r * r * std::cos(sixthPi), 1e-12);
    for (int v = 0; v < 4; ++v) {
        transformVariant = v;
        EXPECT_EQ(FieldAtAngle(28, r, angle), hexagonValue) << v;
    }
}

TEST_F(CatalogueTest, DeterministicMapsOnHandPoints)
{
    const double c1 = std::cos(-1.0), s1 = std::sin(-1.0);
    const double e = std::exp(1.0);
    struct Row {
        int entry;
        double x, y, expectedX, expectedY;
    } rows[] = {
        {0, 0.3, -0.7, 0.3, -0.7},
        {1, 1, 1, 2.0 / 3, 2.0 / 3},
        {2, 0.0625, 0, 0.075, 0},  // sin(8π/16) = 1
        {3, 1, 1, 4.0 / 3, 4.0 / 3},
        {4, 4, 0, 2, 0},
        {4, 0, 9, 0, 3},
        {5, 0.0625, 0, 0.075, 0},  // asin(sin(π/2)) scaled to 0.2
        {6, 0.0625, 0, 0.0625 * (1 + 0.2 * std::tanh(5.0)), 0},
        {7, 1, 2, 1.75, 3.5},
        {13, 1, 0, c1, s1},
        {15, 0.5, 0, 0.5, 0},        // cos(2π/4) = 0
        {15, 0, -std::sqrt(0.5), 0, -0.5 * std::sqrt(0.5)},  // cos(π) = −1
        {16, e, 0, e * c1, e * s1},
        {16, 0, 1, 0, 1},
        {26, 0.25, 0, 0.25 * std::cos(1.0), 0.25 * std::sin(1.0)},
        {27, 0.75, 0, 0.75 * c1, 0.75 * s1},  // T(sin(3π/2)) = −1
        {28, 0.25, 0, 0.25 * std::cos(1.0), 0.25 * std::sin(1.0)},
        {28, 1.0 / 12, 0, std::cos(std::sqrt(0.5)) / 12, std::sin(std::sqrt(0.5)) / 12},
        {29, 0.25, 0, 0.25 * std::cos(std::tanh(3.0)), 0.25 * std::sin(std::tanh(3.0))},
    };
    for (const Row& row : rows) {
        MapFrom(row.entry, row.x, row.y);
        EXPECT_NEAR(nextX, row.expectedX, 1e-12) << "entry " << row.entry;
        EXPECT_NEAR(nextY, row.expectedY, 1e-12) << "entry " << row.entry;
    }
    MapFrom(7, 1, 2);
    EXPECT_EQ(nextX, 1.75);
    EXPECT_EQ(nextY, 3.5);
}

// Entry 10 folds the direction into a hexagon sector and turns by (π/2)·V(4πρ).
TEST_F(CatalogueTest, HexagonTwistOfEntryTen)
{
    // A side middle: ρ = r·cos(π/6) = 1/8, so 4πρ = π/2 and the turn is a quarter.
    const double r = 1 / (8 * std::cos(sixthPi));
    MapFrom(10, r * std::cos(sixthPi - pi), r * std::sin(sixthPi - pi));
    EXPECT_NEAR(nextX, 0.125 * std::cos(-pi / 3), 1e-8);
    EXPECT_NEAR(nextY, 0.125 * std::sin(-pi / 3), 1e-8);
    // A corner: ρ = r = 1/4, V(π) = 0, no turn, and the direction is α + π.
    MapFrom(10, -0.25, 0);
    EXPECT_NEAR(nextX, 0.25, 1e-12);
    EXPECT_NEAR(nextY, 0, 1e-12);
}

TEST_F(CatalogueTest, InversionAboutACornerOfEntryNine)
{
    int inverted = 0;
    for (int trial = 0; trial < 40; ++trial) {
        RndField replay = engineRandom;
        const bool acts = replay.NextCoin();
        const uint32_t i = acts ? replay.NextWord() % 6 : 0;
        // At the corner itself the point stays.
        MapFrom(9, hexPointX[i], hexPointY[i]);
        EXPECT_EQ(nextX, hexPointX[i]);
        EXPECT_EQ(nextY, hexPointY[i]);
        EXPECT_TRUE(SameState(engineRandom, replay));
        if (!acts) continue;
        ++inverted;
        // Half a unit away it goes to two units away on the same ray.
        NextWordWillBe(engineRandom, 0xFFFFFFFFu);
        replay = engineRandom;
        replay.NextWord();
        const uint32_t j = replay.NextWord() % 6;
        MapFrom(9, hexPointX[j] + 0.5, hexPointY[j]);
        EXPECT_NEAR(nextX, hexPointX[j] + 2, 1e-12);
        EXPECT_NEAR(nextY, hexPointY[j], 1e-12);
        engineRandom.Seed(100 + trial);
    }
    EXPECT_GT(inverted, 0);
}

TEST_F(CatalogueTest, EntryFourteenInvertsAndDiscardsFarResults)
{
    // k = 6: inversion about the origin, then the half corner offset of the origin is nothing.
    NextWordWillBe(engineRandom, 6);
    MapFrom(14, 0.5, 0);
    EXPECT_EQ(nextX, 2);
    EXPECT_EQ(nextY, 0);
    NextWordWillBe(engineRandom, 13);  // 13 mod 7 = 6 again: |q|² = 16 is discarded
    MapFrom(14, 0.25, 0);
    EXPECT_EQ(nextX, 0.25);
    EXPECT_EQ(nextY, 0);

    // k = 1, untwisted: q = (X − D₁)/|X − D₁|² + D₁/2.
    NextWordWillBe(engineRandom, 1);
    MapFrom(14, hexPointX[1] + 0.5, hexPointY[1]);
    EXPECT_NEAR(nextX, 2 + 0.5 * hexPointX[1], 1e-12);
    EXPECT_NEAR(nextY, 0.5 * hexPointY[1], 1e-12);

    // k = 0 twists by −r^(−1/2) first: the unit point at 1 + π/2 lands on D₀ = (0, 1), whose
    // inverse is far away and discarded, so the twisted point stands.
    NextWordWillBe(engineRandom, 7);
    MapFrom(14, std::cos(1 + pi / 2), std::sin(1 + pi / 2));
    EXPECT_NEAR(nextX, 0, 1e-12);
    EXPECT_NEAR(nextY, 1, 1e-12);
}

// The jumps from the point before the step leave the new point when their coin is false, and
// then draw nothing more.
TEST_F(CatalogueTest, FalseCoinLeavesTheNewPoint)
{
    for (int entry : {12, 19, 20, 21, 22, 23, 24, 25, 9, 11}) {
        NextWordWillBe(engineRandom, 0x80000000u);  // not above the half: false
        RndField afterCoin = engineRandom;
        afterCoin.NextWord();
        pointX = 0.4;
        pointY = -0.6;
        MapFrom(entry, 0.3, 0.7);
        EXPECT_EQ(nextX, 0.3) << entry;
        EXPECT_EQ(nextY, 0.7) << entry;
        EXPECT_TRUE(SameState(engineRandom, afterCoin)) << entry;
    }
    NextWordWillBe(engineRandom, 0x80000001u);
    pointX = 0.4;
    pointY = -0.6;
    MapFrom(12, 0.3, 0.7);
    EXPECT_DOUBLE_EQ(nextX, 0.36);
    EXPECT_DOUBLE_EQ(nextY, -0.54);
    NextWordWillBe(engineRandom, 0x80000001u);
    MapFrom(22, 0.3, 0.7);
    EXPECT_DOUBLE_EQ(nextX, -0.32);
    EXPECT_DOUBLE_EQ(nextY, 0.48);
    NextWordWillBe(engineRandom, 0x80000001u);
    MapFrom(19, 1, 0);
    EXPECT_EQ(nextX, 0.5);
    NextWordWillBe(engineRandom, 0x80000001u);
    MapFrom(20, 1, 0);
    EXPECT_EQ(nextX, 1.0 / 3);
}

// Entries that draw: replaying the generator (coin, then word) predicts the corner they pick.
// From the origin each lands on a multiple of its corner D_i or middle M_i.
TEST_F(CatalogueTest, ChanceEntriesDrawCoinThenWord)
{
    struct Row {
        int entry;
        bool coin;
        double cornerWeight, middleWeight;
    } rows[] = {
        {11, true, 1, 0},       {17, false, 1.0 / 3, 0}, {18, false, 1, 0},
        {21, true, 0.5, 0},     {23, true, 0, 0.25},     {24, true, 1.0 / 3, 0},
        {25, true, 0.5, 0},
    };
    for (const Row& row : rows) {
        int acted = 0, skipped = 0;
        bool cornerSeen[6] = {};
        for (int trial = 0; trial < 200; ++trial) {
            RndField replay = engineRandom;
            const bool acts = row.coin ? replay.NextCoin() : true;
            const uint32_t i = acts ? replay.NextWord() % 6 : 0;
            pointX = pointY = 0;
            MapFrom(row.entry, 0, 0);
            const double expectedX = acts ? row.cornerWeight * hexPointX[i] + row.middleWeight * hexMidX[i] : 0;
            const double expectedY = acts ? row.cornerWeight * hexPointY[i] + row.middleWeight * hexMidY[i] : 0;
            EXPECT_NEAR(nextX, expectedX, 1e-15) << row.entry;
            EXPECT_NEAR(nextY, expectedY, 1e-15) << row.entry;
            EXPECT_TRUE(SameState(engineRandom, replay)) << row.entry;
            if (acts) {
                ++acted;
                cornerSeen[i] = true;
            } else {
                ++skipped;
            }
        }
        for (bool seen : cornerSeen) EXPECT_TRUE(seen) << row.entry;
        EXPECT_GT(acted, 0);
        if (row.coin) {
            EXPECT_GT(skipped, 0) << row.entry;
        }
    }

    // Entry 8 draws one word and shrinks and turns on every tenth.
    int shrunk = 0;
    for (int trial = 0; trial < 200; ++trial) {
        RndField replay = engineRandom;
        const bool acts = replay.NextWord() % 10 == 0;
        MapFrom(8, 1, 0);
        EXPECT_NEAR(nextX, acts ? 0.25 * std::cos(pi / 12) : 1, 1e-15);
        EXPECT_NEAR(nextY, acts ? 0.25 * std::sin(pi / 12) : 0, 1e-15);
        EXPECT_TRUE(SameState(engineRandom, replay));
        shrunk += acts;
    }
    EXPECT_GT(shrunk, 0);
}

// Away from the origin and from the corners every entry stays finite, whatever the
// parameters and the coins.
TEST_F(CatalogueTest, EveryEntryFiniteOnAGrid)
{
    const double coordinates[] = {-1.3, -0.7, -0.2, 0.35, 0.8, 1.4};
    const double phases[] = {0, 0.3, 4.0};
    int seed = 1;
    for (int variant = 0; variant < 4; ++variant) {
        for (double phase : phases) {
            transformVariant = variant;
            transformPhase = phase;
            transformFrequency = 3 * (variant + 1);
            transformAmplitude = variant % 2 ? 0.6 : -0.3;
            for (double x : coordinates) {
                for (double y : coordinates) {
                    engineRandom.Seed(seed++);
                    for (int entry = 0; entry < catalogueSize; ++entry) {
                        EXPECT_TRUE(std::isfinite(FieldAt(entry, x, y)))
                            << "I " << entry << " at " << x << ", " << y;
                        pointX = y;
                        pointY = x;
                        MapFrom(entry, x, y);
                        EXPECT_TRUE(std::isfinite(nextX) && std::isfinite(nextY))
                            << "II " << entry << " at " << x << ", " << y;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace tessalume
