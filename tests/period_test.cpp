// Periods of any height: the three resolutions' heights give the resolutions themselves, any
// other tiles without a seam, and one too large for memory is refused before any work.
#include <cmath>
#include <numeric>
#include <regex>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

// How much a toned quilt changes from each column to the next (the last to the first across
// the join of two tiles), summed over rows and channels, and the same for rows.
struct Gradients {
    std::vector<double> acrossColumns, acrossRows;  // entry i: between i and i + 1, wrapping
};

Gradients GradientsOf(const Quilt& quilt)
{
    const int32_t width = quilt.periodWidth, height = quilt.periodHeight;
    Gradients gradients{std::vector<double>(width), std::vector<double>(height)};
    const auto pixel = [&](int32_t column, int32_t row) {
        return quilt.image.data() + (static_cast<std::size_t>(row) * width + column) * 3;
    };
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c)
            for (int32_t channel = 0; channel < 3; ++channel) {
                const int value = pixel(c, r)[channel];
                gradients.acrossColumns[c] += std::abs(pixel((c + 1) % width, r)[channel] - value);
                gradients.acrossRows[r] += std::abs(pixel(c, (r + 1) % height)[channel] - value);
            }
    return gradients;
}

// The join's gradient against the mean inside. Pixels ten apart differ twice as much as
// neighbours on this quilt: a seam, as a period ten pixels too wide or high would leave, stands
// out above one and a half times the mean.
double JoinAgainstInside(const std::vector<double>& gradients)
{
    const double inside = std::accumulate(gradients.begin(), gradients.end() - 1, 0.0) / (gradients.size() - 1);
    return gradients.back() / inside;
}

TEST(Periods, AnOddPeriodTilesWithoutASeam)
{
    Settings settings;
    settings.periodHeight = 300;
    settings.search = Settings::Search::plain;
    Quilt quilt = FreshQuilt(settings, 3);
    NewQuilt(quilt, settings);
    ASSERT_EQ(quilt.periodWidth, 520);  // round(300 √3)
    for (int batch = 0; batch < 50; ++batch) GrowBatch(quilt);
    ToneQuilt(quilt, settings.brightness);
    const Gradients gradients = GradientsOf(quilt);
    EXPECT_LT(JoinAgainstInside(gradients.acrossColumns), 1.5);
    EXPECT_LT(JoinAgainstInside(gradients.acrossRows), 1.5);
}

class PeriodRenders : public Renderer {};

TEST_F(PeriodRenders, TheResolutionsHeightsAreTheResolutions)
{
    for (int32_t resolution = 0; resolution < resolutionCount; ++resolution) {
        const std::string height = std::to_string(resolutionTable[resolution].periodHeight);
        SCOPED_TRACE(height);
        const std::string common = "--seed 21 --points 40000 --search plain --quiet --format bmp --out ";
        const Finished byResolution = Run(Words(common + "resolution.bmp --resolution " + std::to_string(resolution)));
        const Finished byHeight = Run(Words(common + "period.bmp --period " + height));
        ASSERT_EQ(byResolution.status, 0) << byResolution.error;
        ASSERT_EQ(byHeight.status, 0) << byHeight.error;
        const std::regex timings(",\"plotSeconds\":.*");
        EXPECT_EQ(std::regex_replace(byHeight.output, timings, ""), std::regex_replace(byResolution.output, timings, ""));
        EXPECT_EQ(ReadFile(work / "period.bmp"), ReadFile(work / "resolution.bmp"));
    }
}

// Refused before any work: out of range, beside a resolution, or larger than memory allows (an
// address space of 300 MB against the 840 MB that a 7482 x 4320 period needs).
TEST_F(PeriodRenders, APeriodOutOfRangeOrTooLargeForMemoryIsRefused)
{
    for (const std::string period : {"63", "4321", "512 --resolution 1"}) {
        SCOPED_TRACE(period);
        ExpectRefused(Run(Words("--seed 1 --out quilt.png --period " + period)));
    }
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no address space limit can stand for a "
                    "small machine";
#endif
    const Finished tooLarge = ChildProcess({"prlimit", "--as=300000000", TESSALUME_RENDER_PATH, "--seed", "1", "--period",
                                            "4320", "--out", "quilt.png"},
                                           work.string())
                                  .Finish(std::chrono::minutes(1));
    ExpectRefused(tooLarge);
    EXPECT_NE(tooLarge.error.find("needs 840 MB of memory"), std::string::npos) << tooLarge.error;
    EXPECT_TRUE(Listing().empty());
}

}  // namespace
}  // namespace tessalume
