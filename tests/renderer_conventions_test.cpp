// The renderer's command line conventions as a user meets them: --version, values after '=',
// and an output name whose extension must not name another format than the one written.
#include <sstream>

#include "tests/fixtures.h"
#include "version.h"

namespace tessalume {
namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream text(line);
    std::vector<std::string> words;
    for (std::string word; text >> word;) words.push_back(word);
    return words;
}

class RendererConventions : public Renderer {
protected:
    // What a successful run wrote at out: "PNG", "BMP" or "other".
    std::string FormatWritten(const std::string& arguments, const std::string& out) const
    {
        const Finished run = Run(Words("--seed 1 --points 0 --quiet --out " + out + " " + arguments));
        EXPECT_EQ(run.status, 0) << run.error;
        const std::string bytes = ReadFile(work / out);
        return bytes.starts_with("\x89PNG") ? "PNG" : bytes.starts_with("BM") ? "BMP" : "other";
    }
};

TEST_F(RendererConventions, VersionIsTheProjectsAndEndsTheRun)
{
    for (const std::string arguments : {"--version", "--seed 1 --out quilt.png --version", "--version --bogus"}) {
        const Finished run = Run(Words(arguments));
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_EQ(run.output, "tessalume-render (Tessalume) " + std::string(programVersion) + "\n");
        EXPECT_EQ(run.error, "");
        EXPECT_TRUE(Listing().empty());
    }
}

TEST_F(RendererConventions, ValueAfterAnEqualsSignIsTheSameAsTheNextArgument)
{
    ASSERT_EQ(Run(Words("--seed 5 --points 20000 --antialias 2 --out apart.png --quiet")).status, 0);
    const Finished joined = Run(Words("--seed=5 --points=20000 --antialias=2 --out=joined.png --quiet"));
    ASSERT_EQ(joined.status, 0) << joined.error;
    EXPECT_EQ(ReadFile(work / "joined.png"), ReadFile(work / "apart.png"));
    EXPECT_EQ(FormatWritten("--format=bmp", "wall"), "BMP");
    // Only the first '=' divides: the rest is the value's.
    EXPECT_EQ(Run(Words("--seed=1 --points=0 --quiet --out=a=b.png")).status, 0);
    EXPECT_TRUE(std::filesystem::exists(work / "a=b.png"));

    const std::vector<std::string> before = Listing();
    for (const std::string refused : {"--quiet=1", "--help=yes", "--seed=", "--seed=x", "--points==1", "--bogus=1"}) {
        SCOPED_TRACE(refused);
        ExpectRefused(Run(Words("--seed 1 --points 0 --out refused.png " + refused)));
        EXPECT_EQ(Listing(), before);
    }
}

TEST_F(RendererConventions, OutputExtensionMustNotNameAnotherFormat)
{
    // Refused before any work, and nothing written.
    for (const std::string arguments : {"--out quilt.jpg", "--out quilt.JPEG --format bmp", "--out quilt.png --format bmp",
                                        "--out quilt.PNG --format=bmp", "--out quilt.bmp --format png",
                                        "--out dir.png/quilt.tiff", "--out quilt.webp"}) {
        SCOPED_TRACE(arguments);
        ExpectRefused(Run(Words("--seed 1 --points 0 --quiet " + arguments)));
        EXPECT_TRUE(Listing().empty());
    }
    // The extension chooses BMP without --format; a matching --format changes nothing; no
    // extension, or one that names no picture format, is written as --format says.
    EXPECT_EQ(FormatWritten("", "a.bmp"), "BMP");
    EXPECT_EQ(FormatWritten("", "b.BMP"), "BMP");
    EXPECT_EQ(FormatWritten("--format bmp", "c.bmp"), "BMP");
    EXPECT_EQ(FormatWritten("", "d.png"), "PNG");
    EXPECT_EQ(FormatWritten("--format png", "e.Png"), "PNG");
    EXPECT_EQ(FormatWritten("", "f"), "PNG");
    EXPECT_EQ(FormatWritten("--format bmp", "g"), "BMP");
    EXPECT_EQ(FormatWritten("", "h.quilt"), "PNG");
    EXPECT_EQ(FormatWritten("--format bmp", "i.out"), "BMP");
    // The summary's default export name follows the format the extension chose.
    const Finished run = Run(Words("--seed 1 --points 0 --quiet --out j.bmp"));
    EXPECT_NE(run.output.find(".bmp\",\"points\""), std::string::npos) << run.output;
}

}  // namespace
}  // namespace tessalume
