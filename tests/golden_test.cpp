// Pinned digests of the parts whose results are numbers without a simpler statement: every
// catalogue entry and every colour map generator, over spreads of inputs wide enough to take
// every branch. A digest changes with any change of a value, a sign, a draw or its order.
// Run with TESSALUME_PRINT_GOLDENS=1 to print the digests of the current code, after a change
// that is meant to change results.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

bool Printing() { return std::getenv("TESSALUME_PRINT_GOLDENS") != nullptr; }

uint64_t GeneratorState(const RndField& f, uint64_t hash)
{
    for (const uint32_t word : {f.x0, f.x1, f.x2, f.x3, f.carry}) hash = DigestOf(word, hash);
    return hash;
}

// An entry on a grid of points around the origin (which some entries guard against), for
// every polygon, hexagon orientation, phase, frequency and sign of the amplitude. Entry I
// leaves its field term, entry II its new point; both leave the generator's draws.
uint64_t CatalogueEntryDigest(Transformation entry, bool second)
{
    Quilt quilt;
    QuiltDesign& design = quilt.design;
    Orbit& orbit = quilt.orbit;
    const double coordinates[] = {-1.3, -0.7, -0.2, 0, 0.35, 0.8, 1.4};
    uint64_t hash = Digest("");
    uint32_t seed = 1;
    for (int variant = 0; variant < 4; ++variant)
        for (const double phase : {0.0, 0.3, 4.0})
            for (const double x : coordinates)
                for (const double y : coordinates) {
                    LayHexagon(design, variant % 2 == 1);
                    design.transformVariant = variant;
                    design.transformPhase = phase;
                    design.transformFrequency = 3 * (variant + 1);
                    design.transformAmplitude = variant % 2 ? 0.6 : -0.3;
                    orbit.random.Seed(seed++);
                    orbit.pointX = second ? y : x;
                    orbit.pointY = second ? x : y;
                    orbit.nextX = x;
                    orbit.nextY = y;
                    orbit.fieldTerm = 0.5;
                    entry(quilt);
                    hash = second ? DigestOf(orbit.nextY, DigestOf(orbit.nextX, hash)) : DigestOf(orbit.fieldTerm, hash);
                    hash = GeneratorState(orbit.random, hash);
                }
    return hash;
}

constexpr uint64_t catalogueDigests[2][catalogueSize] = {
    {
        0xa3ec5f5909f00c7bull, 0x0e906cddef035987ull, 0x23c425a42e298e37ull, 0xacbf44b4c1681e4bull, 0x30ca7544063b3523ull,
        0x533b2f47b1c1515bull, 0x5b1e0815c69ee176ull, 0xa533c3085064583bull, 0x33eff8dcb757077aull, 0x7b0b23ffc41df215ull,
        0x18cd72ac4ae76a37ull, 0x2f6e0cf44c21d7d6ull, 0x65936a4a9e6ca25full, 0x38689e3ec5f5481full, 0x5001dabef5c3e1d1ull,
        0x8013c8488e647396ull, 0xadf592f428db535full, 0x1d7e18e3d449dafbull, 0x4bf642be937642baull, 0xee575fa850262029ull,
        0x30a8db735706cc8full, 0x49db416d3c52c2a1ull, 0x4c2aa3c950cb4f18ull, 0x472c4d57e041a589ull, 0xd424da7a74728173ull,
        0xdce8486cdda64328ull, 0x302be6f67902227full, 0x354650e47e16004cull, 0x7253a1b5f4ae605full, 0xd99c3dcf95266d79ull,
    },
    {
        0x58326fffc69a0d63ull, 0xa6da8ec89636fbdfull, 0x8abb3e7949ce6aebull, 0x85f189832f132f43ull, 0xda7e6bceed6f9233ull,
        0xfe1d76a52d322c77ull, 0x7e3893e1863eae77ull, 0x3dfe805b28d7acdbull, 0x50949b49bfadb005ull, 0xbcda83a1013fa208ull,
        0xa9ef3c09b407a0abull, 0x10b5be41a191d008ull, 0x9fc65d00268cb80bull, 0xb0df34470a77db53ull, 0x44b8edbfbc2fdb43ull,
        0x5b1c844e7cc460dfull, 0x25b15d7d26fbb93full, 0x315969217d1fd288ull, 0xd88e757dfbeae00dull, 0x1ca43532af60ad51ull,
        0x7210f4d6063d7222ull, 0x87e72e6043ccd499ull, 0x38f15bb2a7762116ull, 0xd30bb0dc840127f2ull, 0x92cba19dfe8b8e51ull,
        0xd49a3918837e3799ull, 0x6ec2a5dc27504abfull, 0x9218128eb3aa5e07ull, 0x22bad8580eb25eabull, 0xa958822975142643ull,
    },
};

TEST(Golden, EveryCatalogueEntry)
{
    for (int catalogue = 0; catalogue < 2; ++catalogue) {
        if (Printing()) std::printf("    {\n");
        for (int entry = 0; entry < catalogueSize; ++entry) {
            const Transformation function = (catalogue == 0 ? transformationCatalogueI : transformationCatalogueII)[entry];
            const uint64_t digest = CatalogueEntryDigest(function, catalogue == 1);
            if (Printing()) std::printf("%s0x%016" PRIx64 "ull,%s", entry % 5 == 0 ? "        " : "", digest, entry % 5 == 4 ? "\n" : " ");
            else EXPECT_EQ(digest, catalogueDigests[catalogue][entry]) << "catalogue " << catalogue + 1 << " entry " << entry;
        }
        if (Printing()) std::printf("    },\n");
    }
}

// The corners and translates that every search lays out, to the last unit: a translate one
// unit off moves a stamp across a pixel edge only once in a great many quilts.
TEST(Golden, HexagonAndLattice)
{
    uint64_t hash = Digest("");
    QuiltDesign d;
    for (const bool turned : {false, true}) {
        LayHexagon(d, turned);
        LayLattice(d, turned ? 0.37 : 1.5);
        for (const auto* table : {&d.latticeOffsetX, &d.latticeOffsetY}) hash = DigestOf(*table, hash);
        hash = DigestOf(d.hexMidY, DigestOf(d.hexMidX, DigestOf(d.hexPointY, DigestOf(d.hexPointX, hash))));
    }
    if (Printing()) std::printf("hexagon and lattice: 0x%016" PRIx64 "ull\n", hash);
    else EXPECT_EQ(hash, 0xaa57f4f4f8201c1full);
}

// Each generator from 300 seeds, over a map of a value no generator writes, so that entries a
// generator leaves alone show as well as the ones it writes.
TEST(Golden, EveryColorMapGenerator)
{
    const struct {
        const char* name;
        void (*generate)(Quilt&);
        uint64_t digest;
    } generators[] = {
        {"random curves, HSV or noise", [](Quilt& q) { GenerateRandomColorMap(q.colorMap, q.paletteRandom); },
         0xb24b1fabb2d6c929ull},
        {"HSV", [](Quilt& q) { GenerateHsvColorMap(q.colorMap, q.paletteRandom); }, 0xfaecd9191972626bull},
        {"key points", [](Quilt& q) { GenerateKeyPointColorMap(q.colorMap, q.orbit.random, q.paletteRandom); },
         0xd8e6d2d1194d0351ull},
        {"the Random button's choice", RandomColorMap, 0xa8e6e2e4e9391025ull},
    };
    Quilt q;
    ColorMapChannels& map = q.colorMap;
    for (const auto& generator : generators) {
        uint64_t hash = Digest("");
        for (uint32_t seed = 1; seed <= 300; ++seed) {
            q.paletteRandom.Seed(seed);
            q.orbit.random.Seed(seed * 7919);
            for (double* channel : {map.red, map.green, map.blue}) std::fill(channel, channel + 256, -1.5);
            generator.generate(q);
            hash = GeneratorState(q.orbit.random, GeneratorState(q.paletteRandom, DigestOf(map, hash)));
        }
        if (Printing()) std::printf("%s: 0x%016" PRIx64 "ull\n", generator.name, hash);
        else EXPECT_EQ(hash, generator.digest) << generator.name;
    }
}

}  // namespace
}  // namespace tessalume
