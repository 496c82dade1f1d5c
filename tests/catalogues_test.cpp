#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

constexpr double pi = 3.141592653589793;
constexpr double sixthPi = 0.5235987755982988;

// With every lag zero, the next word is the carry.
void NextWordWillBe(RndField& field, uint32_t word)
{
    field.x0 = field.x1 = field.x2 = field.x3 = 0;
    field.carry = word;
}

bool SameState(const RndField& a, const RndField& b)
{
    return a.x0 == b.x0 && a.x1 == b.x1 && a.x2 == b.x2 && a.x3 == b.x3 && a.carry == b.carry;
}

void ExpectPoint(double x, double y, double tolerance = 1e-12)
{
    EXPECT_NEAR(nextX, x, tolerance);
    EXPECT_NEAR(nextY, y, tolerance);
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engineRandom.Seed(11);
        LayHexagon(false);  // unturned corners
        transformFrequency = unitScale = 1;
        transformAmplitude = -0.5;
        transformPhase = pointX = pointY = 0;
        transformVariant = 0;
        transformConstantA = 5.0;
        transformConstantB = 3.0;
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

    // The sign is taken in single precision, where a sine of exactly 0 counts as negative.
    EXPECT_TRUE(std::signbit(SignedRootWave(0)));
    EXPECT_TRUE(std::signbit(SignedRootWave(1e-50)));
    const double belowPi = pi - 3e-8;
    ASSERT_GT(std::sin(belowPi), 0);
    EXPECT_LT(SignedRootWave(belowPi), 0);
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
        {6, 0, 1, 0, 1}, {6, pi / 2, 1, 0, 2}, {6, pi, 1, 0, 3}, {6, pi / 6, 6, 0, 3}, {6, 0, 1, pi, 3},
        {7, 0, 1, 0, 1}, {7, pi, 1, 0, 3}, {8, 0, 1, 0, 2 - tanh3}, {8, pi, 1, 0, 2 + tanh3}, {9, 0, 1, 0, 1},
        {9, 2 * pi / 3, 1, 0, 2 + std::sqrt(0.5)}, {10, 0, 1, 0, 1}, {10, pi, 1, 0, 3},
        {15, pi / 2, 1, 0, 1}, {15, -pi / 2, 1, 0, 3}, {16, pi / 2, 1, 0, 1}, {16, -pi / 2, 1, 0, 3},
        {17, pi / 2, 1, 0, 1}, {17, -pi / 2, 1, 0, 3}, {19, pi / 2, 1, 0, 3}, {19, -pi / 2, 1, 0, 3},
        {20, pi / 2, 1, 0, 3}, {20, -pi / 2, 1, 0, 3}, {21, pi / 2, 1, 0, 1}, {21, -pi / 2, 1, 0, 2},
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
    EXPECT_NEAR(FieldAt(11, r, 0), r, 1e-12);  // a corner of the hexagon
    transformPhase = -0.4;
    EXPECT_NEAR(FieldAtAngle(11, r, 0.4), r, 1e-12);

    transformPhase = 0;
    for (int v = 0; v < 4; ++v) {
        transformVariant = v;
        const double a = polygonTable[v][0];
        const double corner = pi, side = polygonTable[v][2] - pi;  // angle π: a whole number of sectors
        const struct {
            int entry;
            double angle, expected, tolerance;
        } rows[] = {
            {11, corner, r, 1e-12}, {12, corner, r, 1e-12}, {13, corner, std::log(r), 1e-12},
            {11, side, r * a, 1e-12}, {12, side, r / a, 1e-12}, {13, side, std::log(r) * a, 1e-12},
            {14, side, (r * r + 1) * (a + 0.01), 1e-12}, {22, side, r * r * a, 1e-12},
            {18, side, std::log(r) * a, 1e-7}, {23, side, r * a, 1e-7}, {24, side, std::cos(r * a) * a, 1e-7},
        };
        for (const auto& row : rows)
            EXPECT_NEAR(FieldAtAngle(row.entry, r, row.angle), row.expected, row.tolerance) << v << " " << row.entry;
    }
}

// In 25..29 the phase enters beside ψ as well: at ψ = −φ the divisors see an angle of 0.
TEST_F(CatalogueTest, UnguardedFieldsCountThePhaseTwice)
{
    const double r = 1.5, phase = 0.2;
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
    const double c1 = std::cos(-1.0), s1 = std::sin(-1.0), e = std::exp(1.0);
    struct Row {
        int entry;
        double x, y, expectedX, expectedY;
    } rows[] = {
        {0, 0.3, -0.7, 0.3, -0.7}, {1, 1, 1, 2.0 / 3, 2.0 / 3}, {2, 0.0625, 0, 0.075, 0},
        {3, 1, 1, 4.0 / 3, 4.0 / 3}, {4, 4, 0, 2, 0}, {4, 0, 9, 0, 3}, {5, 0.0625, 0, 0.075, 0},
        {6, 0.0625, 0, 0.0625 * (1 + 0.2 * std::tanh(5.0)), 0}, {7, 1, 2, 1.75, 3.5}, {13, 1, 0, c1, s1},
        {15, 0.5, 0, 0.5, 0}, {15, 0, -std::sqrt(0.5), 0, -0.5 * std::sqrt(0.5)}, {16, e, 0, e * c1, e * s1},
        {16, 0, 1, 0, 1}, {26, 0.25, 0, 0.25 * std::cos(1.0), 0.25 * std::sin(1.0)},
        {27, 0.75, 0, 0.75 * c1, 0.75 * s1}, {28, 0.25, 0, 0.25 * std::cos(1.0), 0.25 * std::sin(1.0)},
        {28, 1.0 / 12, 0, std::cos(std::sqrt(0.5)) / 12, std::sin(std::sqrt(0.5)) / 12},
        {29, 0.25, 0, 0.25 * std::cos(std::tanh(3.0)), 0.25 * std::sin(std::tanh(3.0))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry);
        MapFrom(row.entry, row.x, row.y);
        ExpectPoint(row.expectedX, row.expectedY);
    }
}

// Entry 10 folds the direction into a hexagon sector and turns by (π/2)·V(4πρ).
TEST_F(CatalogueTest, HexagonTwistOfEntryTen)
{
    // A side middle: ρ = r·cos(π/6) = 1/8, so 4πρ = π/2 and the turn is a quarter.
    const double r = 1 / (8 * std::cos(sixthPi));
    MapFrom(10, r * std::cos(sixthPi - pi), r * std::sin(sixthPi - pi));
    ExpectPoint(0.125 * std::cos(-pi / 3), 0.125 * std::sin(-pi / 3), 1e-8);
    // A corner: ρ = r = 1/4, V(π) = 0, no turn, and the direction is α + π.
    MapFrom(10, -0.25, 0);
    ExpectPoint(0.25, 0);
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
        ExpectPoint(hexPointX[j] + 2, hexPointY[j]);
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
    ExpectPoint(2 + 0.5 * hexPointX[1], 0.5 * hexPointY[1]);

    // k = 0 twists by −r^(−1/2) first, onto D₀ = (0, 1), whose far inverse is discarded.
    NextWordWillBe(engineRandom, 7);
    MapFrom(14, std::cos(1 + pi / 2), std::sin(1 + pi / 2));
    ExpectPoint(0, 1);
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
    // A true coin jumps from the point before the step (0.4, −0.6).
    const struct {
        int entry;
        double x, y, expectedX, expectedY;
    } jumps[] = {{12, 0.3, 0.7, 0.36, -0.54}, {22, 0.3, 0.7, -0.32, 0.48}, {19, 1, 0, 0.5, 0}, {20, 1, 0, 1.0 / 3, 0}};
    for (const auto& jump : jumps) {
        NextWordWillBe(engineRandom, 0x80000001u);
        MapFrom(jump.entry, jump.x, jump.y);
        ExpectPoint(jump.expectedX, jump.expectedY, 1e-15);
    }
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
        {11, true, 1, 0}, {17, false, 1.0 / 3, 0}, {18, false, 1, 0}, {21, true, 0.5, 0},
        {23, true, 0, 0.25}, {24, true, 1.0 / 3, 0}, {25, true, 0.5, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry);
        int skipped = 0;
        bool cornerSeen[6] = {};
        for (int trial = 0; trial < 200; ++trial) {
            RndField replay = engineRandom;
            const bool acts = row.coin ? replay.NextCoin() : true;
            const uint32_t i = acts ? replay.NextWord() % 6 : 0;
            pointX = pointY = 0;
            MapFrom(row.entry, 0, 0);
            const double w = acts ? row.cornerWeight : 0, m = acts ? row.middleWeight : 0;
            ExpectPoint(w * hexPointX[i] + m * hexMidX[i], w * hexPointY[i] + m * hexMidY[i], 1e-15);
            EXPECT_TRUE(SameState(engineRandom, replay));
            cornerSeen[i] |= acts;
            skipped += !acts;
        }
        for (bool seen : cornerSeen) EXPECT_TRUE(seen);
        EXPECT_EQ(skipped > 0, row.coin);
    }

    // Entry 8 draws one word and shrinks and turns on every tenth.
    int shrunk = 0;
    for (int trial = 0; trial < 200; ++trial) {
        RndField replay = engineRandom;
        const bool acts = replay.NextWord() % 10 == 0;
        MapFrom(8, 1, 0);
        ExpectPoint(acts ? 0.25 * std::cos(pi / 12) : 1, acts ? 0.25 * std::sin(pi / 12) : 0, 1e-15);
        EXPECT_TRUE(SameState(engineRandom, replay));
        shrunk += acts;
    }
    EXPECT_GT(shrunk, 0);
}

// Away from the origin and the corners every entry stays finite, whatever the parameters.
TEST_F(CatalogueTest, EveryEntryFiniteOnAGrid)
{
    const double coordinates[] = {-1.3, -0.7, -0.2, 0.35, 0.8, 1.4};
    const double phases[] = {0, 0.3, 4.0};
    int seed = 1;
    for (int variant = 0; variant < 4; ++variant)
        for (double phase : phases)
            for (double x : coordinates)
                for (double y : coordinates) {
                    transformVariant = variant;
                    transformPhase = phase;
                    transformFrequency = 3 * (variant + 1);
                    transformAmplitude = variant % 2 ? 0.6 : -0.3;
                    engineRandom.Seed(seed++);
                    for (int entry = 0; entry < catalogueSize; ++entry) {
                        EXPECT_TRUE(std::isfinite(FieldAt(entry, x, y))) << "I " << entry << " at " << x << ", " << y;
                        pointX = y;
                        pointY = x;
                        MapFrom(entry, x, y);
                        EXPECT_TRUE(std::isfinite(nextX) && std::isfinite(nextY)) << "II " << entry;
                    }
                }
}

}  // namespace
}  // namespace tessalume
