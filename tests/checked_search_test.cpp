// The checked search: the orbits it turns away, the quilts it leaves as the plain search finds
// them, and the checked orbit that leaves the search's bounds while it is plotted.
#include <cmath>
#include <limits>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

// A quilt found with the search given, grown to twice the points at which its picture is first
// made: whether the picture still changed, and the share of it lit.
struct Grown {
    Quilt quilt;
    bool stillGrowing;
    double litShare;
};

Grown Grow(uint32_t seed, Settings::Search search)
{
    Settings settings;
    settings.search = search;
    Grown grown{FreshQuilt(settings, seed), false, 0};
    Quilt& quilt = grown.quilt;
    NewQuilt(quilt, settings);
    for (int batch = 0; batch < 50; ++batch) GrowBatch(quilt);
    ToneQuilt(quilt, settings.brightness);
    const std::vector<uint8_t> half = quilt.image;
    for (int batch = 0; batch < 50; ++batch) GrowBatch(quilt);
    ToneQuilt(quilt, settings.brightness);
    grown.stillGrowing = quilt.image != half;
    int64_t lit = 0;
    for (std::size_t i = 0; i < quilt.image.size(); i += 3) lit += quilt.image[i] || quilt.image[i + 1] || quilt.image[i + 2];
    grown.litShare = static_cast<double>(lit) / static_cast<double>(quilt.image.size() / 3);
    return grown;
}

// Seeds whose plain quilts stop growing (19, 30, 64) or stay nearly empty (4, 11): checked,
// each grows and fills at least 3% of the picture.
TEST(CheckedSearch, EveryQuiltGrowsAndFills)
{
    for (const uint32_t seed : {4u, 11u, 19u, 30u, 64u}) {
        SCOPED_TRACE(seed);
        const Grown plain = Grow(seed, Settings::Search::plain);
        EXPECT_FALSE(plain.stillGrowing && plain.litShare >= 0.03) << "the plain quilt was already healthy";
        const Grown checked = Grow(seed, Settings::Search::checked);
        EXPECT_TRUE(checked.stillGrowing);
        EXPECT_GE(checked.litShare, 0.03);
    }
}

// What a search leaves that the picture depends on, the generators' words included.
std::vector<double> Facts(const Quilt& quilt)
{
    const QuiltDesign& d = quilt.design;
    const Orbit& o = quilt.orbit;
    std::vector<double> facts = {d.lambda, d.alpha, d.beta, d.gamma, d.omega, d.transformAmplitude, d.transformPhase,
                                 d.latticeRadius, d.blurRadius, d.inverseStepRange, quilt.pixelScale, o.pointX, o.pointY};
    for (const RndField* random : {&o.random, &quilt.paletteRandom})
        facts.insert(facts.end(), {double(random->x0), double(random->x1), double(random->x2), double(random->x3), double(random->carry)});
    return facts;
}

// A healthy quilt passes the check on copies: everything the search leaves, the generators
// included, is what the plain search leaves, and it grows into the same picture.
TEST(CheckedSearch, AHealthyQuiltIsLeftAsThePlainSearchFindsIt)
{
    for (const uint32_t seed : {1u, 5u}) {
        const Grown plain = Grow(seed, Settings::Search::plain), checked = Grow(seed, Settings::Search::checked);
        EXPECT_EQ(Facts(checked.quilt), Facts(plain.quilt)) << seed;
        EXPECT_TRUE(checked.quilt.image == plain.quilt.image) << seed;
        EXPECT_EQ(checked.quilt.orbitRestarts, 0) << seed;
    }
}

// The map z -> λz from a small start: the origin for λ = 0, gone beyond the bounds for λ = 3.
TEST(CheckedSearch, VerdictsOnOrbitsThatSettleLeaveOrAreNotNumbers)
{
    Quilt quilt = FreshQuilt();
    quilt.design = QuiltDesign{};
    quilt.design.powerExponent = 1;
    quilt.design.omega = 0;
    quilt.orbit.pointX = 0.1;
    EXPECT_EQ(CheckOrbit(quilt, 1, 0), OrbitVerdict::settled);
    quilt.design.lambda = 3;
    EXPECT_EQ(CheckOrbit(quilt, 1, 0), OrbitVerdict::escaped);
    quilt.orbit.pointX = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CheckOrbit(quilt, 1, 0), OrbitVerdict::notFinite);
    EXPECT_TRUE(std::isnan(quilt.orbit.pointX)) << "the check grows copies";
}

// Sent far away, a checked orbit starts again from the accepted point before anything is
// plotted from out there; a plain one is left to go where it goes.
TEST(CheckedSearch, AnOrbitThatLeavesTheBoundsStartsAgainFromTheAcceptedPoint)
{
    for (const Settings::Search search : {Settings::Search::checked, Settings::Search::plain}) {
        Grown grown = Grow(1, search);
        Quilt& quilt = grown.quilt;
        ClearQuilt(quilt, 1);
        quilt.orbit.pointX = quilt.orbit.pointY = 1e200;
        GrowBatch(quilt);
        const bool checked = search == Settings::Search::checked;
        EXPECT_EQ(quilt.orbitRestarts, checked ? 1 : 0);
        int64_t hits = 0;
        for (const AccumulatorCell& cell : quilt.accumulators) hits += cell.hitCount;
        if (checked) {
            EXPECT_GT(hits, batchSteps) << "it went on from the accepted point";
        }
    }
}

}  // namespace
}  // namespace tessalume
