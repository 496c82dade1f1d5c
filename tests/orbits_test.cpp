// Several orbits grow one quilt: the picture depends on the orbits and their steps, never on
// the threads that grew them, and the worker's requests reach every orbit.
#include "tests/fixtures.h"

namespace tessalume {
namespace {

// The picture of each row is pinned for one thread and must come out byte for byte the same
// for two and three; the points are split evenly, in whole batches per orbit.
struct OrbitRow {
    const char* arguments;
    int32_t orbits;
    uint64_t points;
    uint64_t pictureDigest;
};
constexpr OrbitRow orbitRows[] = {
    {"--seed 7 --points 100000 --orbits 2 --antialias 3 --resolution 1", 2, 120000, 0x1d57b5a5ce11ad0full},
    {"--seed 11 --points 100000 --orbits 3 --mapping 5 --intensity 7", 3, 120000, 0xdcf5f5dfe604a479ull},
    {"--seed 19 --points 60000 --orbits 3 --search plain --random-colormap 1", 3, 60000, 0x009a9090f9b4abdcull},
};

TEST_F(Renderer, OrbitsGiveThePictureOfTheirCountWhateverTheThreads)
{
    for (const OrbitRow& row : orbitRows) {
        for (int32_t threads : {1, 2, 3}) {
            SCOPED_TRACE(std::string(row.arguments) + " --threads " + std::to_string(threads));
            std::vector<std::string> arguments = Words(row.arguments);
            arguments.insert(arguments.end(), {"--threads", std::to_string(threads), "--out", "quilt.png", "--quiet"});
            const Finished result = Run(arguments);
            ASSERT_EQ(result.status, 0) << result.error;
            const std::string expected = "\"points\":" + std::to_string(row.points) + ",\"orbits\":" +
                                         std::to_string(row.orbits) + ",\"threads\":" +
                                         std::to_string(std::min(threads, row.orbits)) + ",";
            EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
            const std::vector<uint8_t> pixels = DecodePng(ReadFile(PathIn("work/quilt.png"))).pixels;
            const uint64_t digest = Digest({reinterpret_cast<const char*>(pixels.data()), pixels.size()});
            EXPECT_EQ(digest, row.pictureDigest);
        }
    }
}

// Grows passes on the worker's own crew, driven from the test's thread.
class WorkerOrbits : public ::testing::Test {
protected:
    void SetUp() override
    {
        worker.quilt() = FreshQuilt(settings, 16);
        NewQuilt(worker.quilt(), settings);
        worker.SetOrbits(3);
        ASSERT_TRUE(worker.Start(false));
        for (int pass = 0; pass < 3; ++pass) worker.RunBatch();
    }

    // Every other orbit as a new set made from the quilt as it now stands would be, apart from
    // its accumulators, which must be zero.
    void ExpectOrbitsMadeAfresh()
    {
        std::vector<Quilt> fresh;
        StartOrbits(worker.quilt(), 3, fresh);
        const std::span<const Quilt> others = worker.otherOrbits();
        ASSERT_EQ(others.size(), 2u);
        for (std::size_t i = 0; i < others.size(); ++i) {
            ExpectSameDesign(others[i].design, worker.quilt().design);
            const Orbit &orbit = others[i].orbit, &expected = fresh[i].orbit;
            EXPECT_EQ(orbit.pointX, expected.pointX) << "orbit " << i + 2;
            EXPECT_EQ(orbit.pointY, expected.pointY) << "orbit " << i + 2;
            EXPECT_EQ(orbit.random.x0, expected.random.x0) << "orbit " << i + 2;
            EXPECT_EQ(orbit.random.carry, expected.random.carry) << "orbit " << i + 2;
            EXPECT_EQ(DigestOf(others[i].colorMap), DigestOf(worker.quilt().colorMap)) << "orbit " << i + 2;
            ExpectCleared(others[i]);
        }
    }

    static void ExpectSameDesign(const QuiltDesign& design, const QuiltDesign& expected)
    {
        EXPECT_EQ(design.lambda, expected.lambda);
        EXPECT_EQ(design.latticeRadius, expected.latticeRadius);
        EXPECT_EQ(design.blurRadius, expected.blurRadius);
        EXPECT_EQ(design.transformIndexI, expected.transformIndexI);
    }

    void ExpectCleared(const Quilt& other)
    {
        ASSERT_EQ(other.accumulators.size(), worker.quilt().accumulators.size());
        EXPECT_TRUE(std::all_of(other.accumulators.begin(), other.accumulators.end(),
                                [](const AccumulatorCell& cell) { return cell.hitCount == 0; }));
    }

    Settings settings;
    Worker worker{settings};
};

TEST_F(WorkerOrbits, ANewQuiltDuringPlottingLeavesNoOrbitOfTheOldOne)
{
    const QuiltDesign old = worker.quilt().design;
    for (const Quilt& other : worker.otherOrbits()) ExpectSameDesign(other.design, old);
    worker.PostNewQuilt();
    worker.RunBatch();
    ASSERT_FALSE(worker.NewQuiltPending());
    EXPECT_NE(worker.quilt().design.lambda, old.lambda) << "a new quilt was found";
    ExpectOrbitsMadeAfresh();
}

// A resolution, a random colour map and a blur reach every orbit with the reset; one that keeps
// the picture keeps every orbit's accumulators.
TEST_F(WorkerOrbits, ResetsAndRandomColourMapsReachEveryOrbit)
{
    settings.resolution = 1;
    settings.blurringFactor = 3;
    worker.PostRandomColorMap();
    worker.PostReset();
    worker.RunBatch();
    ASSERT_FALSE(worker.ResetPending() || worker.RandomColorMapPending());
    for (const Quilt& other : worker.otherOrbits()) {
        EXPECT_EQ(other.resolution, 1);
        ExpectSameDesign(other.design, worker.quilt().design);
        EXPECT_EQ(DigestOf(other.colorMap), DigestOf(worker.quilt().colorMap));
        ExpectCleared(other);
    }
    worker.RunBatch();
    worker.KeepPictureOnNextReset(true);
    worker.PostReset();
    worker.RunBatch();
    for (const Quilt& other : worker.otherOrbits())
        EXPECT_GT(std::count_if(other.accumulators.begin(), other.accumulators.end(),
                                [](const AccumulatorCell& cell) { return cell.hitCount != 0; }), 0);
}

// A refresh tones the sum the worker made between passes after the refresh before asked for
// it, the picture the renderer makes of the same orbits; never a sum from before a clear.
TEST_F(WorkerOrbits, ARefreshTonesTheSumTheWorkerMadeAfterTheRefreshBefore)
{
    Quilt& quilt = worker.quilt();
    const std::vector<uint8_t> blank = quilt.image;
    EXPECT_FALSE(worker.TonePicture(1)) << "nothing was summed yet";
    EXPECT_EQ(quilt.image, blank);
    worker.RunBatch();
    Quilt expected = quilt;
    std::vector<AccumulatorCell> sum;
    ASSERT_TRUE(ToneOrbits(expected, worker.otherOrbits(), sum, 1));
    worker.RunBatch();  // grows on; the sum was asked for once
    EXPECT_TRUE(worker.TonePicture(1));
    EXPECT_EQ(quilt.image, expected.image);

    worker.RunBatch();  // the sum the last refresh asked for, then cleared
    worker.PostReset();
    worker.RunBatch();
    const std::vector<uint8_t> cleared = quilt.image;
    EXPECT_FALSE(worker.TonePicture(1));
    EXPECT_EQ(quilt.image, cleared);
}

}  // namespace
}  // namespace tessalume
