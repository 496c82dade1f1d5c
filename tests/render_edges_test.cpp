// The renderer against unkind surroundings: a signal or a file size limit during the write,
// colour maps and outputs that are not regular files, a standard output that cannot take the
// summary. Each case runs the real program in a fresh folder and is ended by its PID at the latest.
#include <sys/stat.h>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RendererEdges : public Renderer {};

// Plotting this many points takes hours: a run that gets as far as plotting them runs into the
// processor time limit its test sets, many times what a refusal needs.
const std::string endlessPoints = "1000000000000";

// A termination signal removes the temporary file; a kill (no handler runs) leaves it to the
// next write into the folder, which removes it. The earlier file survives either way.
TEST_F(RendererEdges, SignalDuringTheWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    // Sizes that take a while to write: a blank PNG compresses a thousandfold.
    for (const auto& [signal, format, size] : {std::tuple{SIGTERM, "png", "65535x65535"}, std::tuple{SIGHUP, "bmp", "8192x8192"},
                                               std::tuple{SIGKILL, "png", "65535x65535"}}) {
        SCOPED_TRACE(signal);
        const std::string name = std::string("quilt.") + format;
        WriteFile(work / name, "an earlier picture");
        ChildProcess renderer = Start(Words("--seed 1 --points 0 --image " + std::string(size) + " --quiet --format " +
                                            std::string(format) + " --out " + name));
        AwaitTemporary(renderer, 1);
        ASSERT_EQ(kill(renderer.pid, signal), 0);
        const Finished ending = renderer.Finish(120s);
        EXPECT_EQ(ending.signal, signal) << "status " << ending.status.value_or(-1) << ": " << ending.error;
        if (signal == SIGKILL) {
            EXPECT_EQ(Listing().size(), 2u);
            ASSERT_EQ(Run(Words("--seed 1 --points 0 --quiet --out small.png")).status, 0);
            fs::remove(work / "small.png");
        }
        EXPECT_EQ(Listing(), std::vector<std::string>{name});
        EXPECT_EQ(ReadFile(work / name), "an earlier picture");
        fs::remove(work / name);
    }
}

// A file size limit stops the write midway, as a full disk would (a 64 x 64 bitmap is 12342
// bytes, the limit 2 KiB; a blank 20000 x 20000 PNG about a megabyte, streamed, the limit 64
// KiB): the earlier file survives byte for byte and no temporary is left.
TEST_F(RendererEdges, FailedWriteLeavesWhatWasAtTheOutput)
{
    for (const auto& [name, size, limit] : {std::tuple{"wall.bmp", "64x64", 2048}, std::tuple{"wall.png", "20000x20000", 65536}}) {
        SCOPED_TRACE(name);
        WriteFile(work / name, "an earlier picture");
        ExpectRefused(Run(Words("--seed 1 --points 0 --image " + std::string(size) + " --out " + name),
                          StandardOutput::Captured, 0, limit));
        EXPECT_EQ(ReadFile(work / name), "an earlier picture");
        EXPECT_EQ(Listing(), std::vector<std::string>{name});
        fs::remove(work / name);
    }
}

TEST_F(RendererEdges, ColourMapMustBeARegularFileAndIsReadOnlyAsFarAsItCounts)
{
    // A pipe without a writer would block the read for ever; a device is refused alike.
    ASSERT_EQ(mkfifo((work / "pipe.map").c_str(), 0644), 0);
    for (const std::string map : {"pipe.map", "/dev/null"}) {
        ExpectRefused(Run(Words("--seed 1 --out quilt.png --colormap " + map)));
        EXPECT_EQ(Listing(), std::vector<std::string>{"pipe.map"}) << map;
    }
    // A gigabyte of colour map (sparse, so it costs no disk): only its start can count, and
    // only its start is read into memory.
    WriteFile(work / "huge.map", "255 0 0\n");
    fs::resize_file(work / "huge.map", std::uintmax_t{1} << 30);
    const Finished ending = Run(Words("--seed 1 --points 0 --out quilt.png --colormap huge.map"));
    EXPECT_EQ(ending.status, 0) << ending.error;
    EXPECT_LT(ending.maxResidentKiB, 512 * 1024);
}

TEST_F(RendererEdges, UnusableOutputIsRefusedBeforeAnyWorkAndLeftAlone)
{
    // Renamed over, a pipe or a device node (say /dev/null, for root) would become a file.
    ASSERT_EQ(mkfifo((work / "pipe.png").c_str(), 0644), 0);
    fs::create_directory(work / "folder.png");
    WriteFile(work / "file", "not a folder");
    for (const std::string out : {"pipe.png", "folder.png", "no-such-folder/quilt.png", "file/quilt.png"}) {
        SCOPED_TRACE(out);
        ExpectRefused(Run({"--seed", "1", "--points", endlessPoints, "--out", out}, StandardOutput::Captured, 10));
        EXPECT_EQ(Listing(), (std::vector<std::string>{"file", "folder.png", "pipe.png"}));
        struct stat status {};
        EXPECT_TRUE(lstat((work / "pipe.png").c_str(), &status) == 0 && S_ISFIFO(status.st_mode));
    }
}

TEST_F(RendererEdges, SummaryThatCannotBeWrittenFailsTheRunAfterThePicture)
{
    for (const StandardOutput output : {StandardOutput::FullDevice, StandardOutput::Closed}) {
        SCOPED_TRACE(output == StandardOutput::Closed ? "closed" : "full");
        const Finished ending = Run(Words("--seed 1 --points 0 --out quilt.png --quiet"), output);
        EXPECT_EQ(ending.status, 1);
        EXPECT_TRUE(!ending.error.empty() && ending.error.find('\n') == ending.error.size() - 1) << ending.error;
        // The picture itself is whole: a PNG from its signature to its end chunk.
        const std::string picture = ReadFile(work / "quilt.png");
        EXPECT_TRUE(picture.starts_with("\x89PNG\r\n\x1a\n") && picture.ends_with(std::string("IEND\xae\x42\x60\x82", 8)));
        fs::remove(work / "quilt.png");
    }
}

}  // namespace
}  // namespace tessalume
