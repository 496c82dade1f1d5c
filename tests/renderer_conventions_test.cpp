// The renderer's command line conventions as a user meets them: --help and --version, values
// after '=', and an output name whose extension must not name another format than the one written.
#include "tests/fixtures.h"
#include "version.h"

namespace tessalume {
namespace {

class RendererConventions : public Renderer {};

TEST_F(RendererConventions, HelpAndVersionPrintAndEndTheRun)
{
    const std::string version = "tessalume-render (Tessalume) " + std::string(programVersion) + "\n";
    for (const std::string arguments : {"--version", "--seed 1 --out quilt.png --version", "--version --bogus", "--help"}) {
        const Finished run = Run(Words(arguments));
        EXPECT_EQ(run.status, 0) << arguments;
        if (arguments == "--help")
            EXPECT_TRUE(run.output.starts_with("Usage: tessalume-render --seed N --out FILE")) << run.output;
        else
            EXPECT_EQ(run.output, version);
        EXPECT_EQ(run.error, "");
        EXPECT_TRUE(Listing().empty());
    }
}

TEST_F(RendererConventions, ValueAfterAnEqualsSignIsTheSameAsTheNextArgument)
{
    ASSERT_EQ(Run(Words("--seed 5 --points 20000 --antialias 2 --out apart.png --quiet")).status, 0);
    const Finished joined = Run(Words("--seed=5 --points=20000 --antialias=2 --format=png --out=joined.png --quiet"));
    ASSERT_EQ(joined.status, 0) << joined.error;
    EXPECT_EQ(ReadFile(work / "joined.png"), ReadFile(work / "apart.png"));
    // Only the first '=' divides: the rest is the value's.
    EXPECT_EQ(Run(Words("--seed=1 --points=0 --quiet --out=a=b.png")).status, 0);
    EXPECT_TRUE(std::filesystem::exists(work / "a=b.png"));

    const std::vector<std::string> before = Listing();
    for (const std::string refused : {"--quiet=1", "--help=yes", "--seed=", "--seed=x", "--points==1", "--bogus=1"}) {
        ExpectRefused(Run(Words("--seed 1 --points 0 --out refused.png " + refused)));
        EXPECT_EQ(Listing(), before) << refused;
    }
}

TEST_F(RendererConventions, OutputExtensionMustNotNameAnotherFormat)
{
    // Refused before any work, and nothing written.
    for (const std::string arguments : {"--out quilt.jpg", "--out quilt.JPEG --format bmp", "--out quilt.png --format bmp",
                                        "--out quilt.PNG --format=bmp", "--out quilt.bmp --format png",
                                        "--out dir.png/quilt.tiff", "--out quilt.webp"}) {
        ExpectRefused(Run(Words("--seed 1 --points 0 --quiet " + arguments)));
        EXPECT_TRUE(Listing().empty()) << arguments;
    }
    // The extension chooses BMP without --format; a matching --format changes nothing; no
    // extension, or one that names no picture format, is written as --format says.
    const struct { const char *out, *format, *written; } cases[] = {
        {"a.bmp", "", "BM"},          {"b.BMP", "", "BM"},  {"c.bmp", "--format bmp", "BM"},
        {"d.png", "", "\x89PNG"},     {"e.Png", "--format png", "\x89PNG"}, {"f", "", "\x89PNG"},
        {"g", "--format=bmp", "BM"},  {"h.quilt", "", "\x89PNG"}, {"i.out", "--format bmp", "BM"}};
    for (const auto& c : cases) {
        const Finished run = Run(Words(std::string("--seed 1 --points 0 --out ") + c.out + " " + c.format));
        EXPECT_EQ(run.status, 0) << run.error;
        EXPECT_TRUE(ReadFile(work / c.out).starts_with(c.written)) << c.out;
        // The summary's default export name follows the format written.
        EXPECT_NE(run.output.find(c.written[0] == 'B' ? ".bmp\",\"points\"" : ".png\",\"points\""), std::string::npos) << c.out;
    }
}

}  // namespace
}  // namespace tessalume
