// The renderer against unkind surroundings: a termination signal during the write, colour
// maps and outputs that are not regular files, a standard output that cannot take the summary.
// Each case runs the real program in a fresh folder and is ended by its PID at the latest.
#include <sys/stat.h>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class RendererEdges : public Renderer {};

// Plotting this many points takes hours: a run that gets as far as plotting them runs into the
// processor time limit its test sets, many times what a refusal needs.
const std::string endlessPoints = "1000000000000";

TEST_F(RendererEdges, TerminationDuringTheWriteRemovesTheTemporaryAndKeepsTheOldFile)
{
    for (const auto& [signal, format] : {std::pair{SIGTERM, "png"}, std::pair{SIGHUP, "bmp"}}) {
        SCOPED_TRACE(format);
        const std::string name = std::string("quilt.") + format;
        const std::string kept = "an earlier picture";
        WriteFile(work / name, kept);
        ChildProcess renderer = Start({"--seed", "1", "--points", "0", "--image", "8192x8192", "--format", format,
                                       "--out", name, "--quiet"});
        // The temporary file appears beside the output when the writing starts; writing an
        // 8192 x 8192 picture takes seconds.
        const auto end = Clock::now() + 120s;
        while (Listing().size() == 1 && !renderer.Wait(0ms) && Clock::now() < end) std::this_thread::sleep_for(1ms);
        ASSERT_EQ(Listing().size(), 2u) << "no temporary file while the renderer ran";
        ASSERT_EQ(kill(renderer.pid, signal), 0);
        const Finished ending = renderer.Finish(120s);
        EXPECT_EQ(ending.signal, signal) << "status " << ending.status.value_or(-1) << ": " << ending.error;
        EXPECT_EQ(Listing(), std::vector<std::string>{name});
        EXPECT_EQ(ReadFile(work / name), kept);
        fs::remove(work / name);
    }
}

TEST_F(RendererEdges, ColourMapMustBeARegularFileAndIsReadOnlyAsFarAsItCounts)
{
    // A pipe without a writer would block the read for ever; a device is refused alike.
    ASSERT_EQ(mkfifo((work / "pipe.map").c_str(), 0644), 0);
    for (const std::string map : {"pipe.map", "/dev/null"}) {
        SCOPED_TRACE(map);
        ExpectRefused(Run({"--seed", "1", "--out", "quilt.png", "--colormap", map}));
        EXPECT_EQ(Listing(), std::vector<std::string>{"pipe.map"});
    }

    // A gigabyte of colour map (sparse, so it costs no disk): only its start can count, and
    // only its start is read into memory.
    WriteFile(work / "huge.map", "255 0 0\n");
    fs::resize_file(work / "huge.map", std::uintmax_t{1} << 30);
    const Finished ending = Run({"--seed", "1", "--points", "0", "--out", "quilt.png", "--colormap", "huge.map"});
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
        const Finished ending = Run({"--seed", "1", "--points", "0", "--out", "quilt.png", "--quiet"}, output);
        EXPECT_EQ(ending.status, 1);
        EXPECT_TRUE(!ending.error.empty() && ending.error.find('\n') == ending.error.size() - 1) << ending.error;
        // The picture itself is whole: a PNG from its signature to its end chunk.
        const std::string picture = ReadFile(work / "quilt.png");
        EXPECT_TRUE(picture.size() > 20 && picture.starts_with("\x89PNG\r\n\x1a\n") &&
                    picture.substr(picture.size() - 8, 4) == "IEND");
        fs::remove(work / "quilt.png");
    }
}

}  // namespace
}  // namespace tessalume
