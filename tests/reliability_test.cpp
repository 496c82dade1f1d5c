// The files against unkind surroundings: a settings file far larger than any a person writes,
// a pipe in its place, and the temporary file of a write whose process was killed.
#include <sys/stat.h>

#include <sstream>

#include "files/unfinished.h"
#include "tests/fixtures.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Bytes this process has read so far, whatever the means (the kernel's count).
uint64_t BytesRead()
{
    std::istringstream io(ReadFile("/proc/self/io"));
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

class SettingsFile : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        fs::create_directories(folder / "config/tessalume");
        fs::create_directories(folder / "images");
        fs::create_directories(folder / "pictures");
    }
    std::string Settings() const { return PathIn("config/tessalume/settings.ini"); }
    std::string Load() const { return ImagesFolder(PathIn("config"), PathIn("home"), PathIn("pictures")); }
};

// A gigabyte without a line end (sparse, so it costs no disk) is read only as far as a settings
// file can reach, 64 KiB: the lines within count, a line the limit cuts does not.
TEST_F(SettingsFile, OnlyItsFirst64KiBAreRead)
{
    WriteFile(Settings(), "Images=" + PathIn("images") + "\n");
    fs::resize_file(Settings(), std::uintmax_t{1} << 30);
    const uint64_t before = BytesRead();
    const std::string images = Load();
    EXPECT_LT(BytesRead() - before, 1u << 20);
    EXPECT_EQ(images, PathIn("images"));

    // The limit falls inside the second line: the first is the last that counts.
    std::string text = "Images=" + PathIn("images") + "\nImages=/";
    text.resize(64 * 1024 + 10, 'x');
    WriteFile(Settings(), text + "\n");
    EXPECT_EQ(Load(), PathIn("images"));
    // Within the limit, the last line counts as always.
    WriteFile(Settings(), "Images=/nowhere\nImages=" + PathIn("images") + "\n");
    EXPECT_EQ(Load(), PathIn("images"));
}

// A pipe without a writer in its place would hold the start-up for ever: it counts as no file.
TEST_F(SettingsFile, PipeInItsPlaceCountsAsNoSettings)
{
    ASSERT_EQ(mkfifo(Settings().c_str(), 0644), 0);
    ChildProcess child(Fork([&] { return Load() == PathIn("pictures") ? 0 : 1; }));
    EXPECT_EQ(child.Wait(60s), 0) << "1: the pictures folder was not taken";
}

// A write killed outright (SIGKILL: no handler runs) leaves its hidden temporary file; the next
// write into the folder removes it, and nothing else.
class AbandonedTemporaries : public Renderer {};

TEST_F(AbandonedTemporaries, NextWriteRemovesOnlyThoseWhoseProcessHasGone)
{
    ChildProcess ended(Fork([] { return 0; }));
    ASSERT_EQ(ended.Wait(60s), 0);
    const std::string gone = std::to_string(ended.pid), alive = std::to_string(getpid());
    const std::vector<std::string> kept = {
        ".quilt.png.tessalume-tmp-" + alive + "-0-0-1f",           // this process's, under way
        ".quilt.png.tessalume-tmp-1-0-0-1f",                       // a PID in use
        "quilt.png.tessalume-tmp-" + gone + "-0-0-1f",             // not hidden
        ".quilt.png.tessalume-tmp-" + gone + "-0-0-1F",            // not the pattern
        ".quilt.png.tessalume-tmp-" + gone + "-0-0",               //
        ".quilt.png.tessalume-tmp-" + gone + "-0-0-1f-2",          //
        ".quilt.png.tessalume-tmp-" + gone + "x-0-0-1f",           //
        ".tessalume-tmp-" + gone + "-0-0-1f",                      //
        ".quilt.png.tmp-" + gone + "-0-0-1f",                      //
        "notes.txt",
    };
    for (const std::string& name : kept) WriteFile(work / name, "kept");
    fs::create_directory(work / (".folder.tessalume-tmp-" + gone + "-0-0-1f"));
    WriteFile(work / (".quilt.png.tessalume-tmp-" + gone + "-3-1-abc"), "abandoned");
    WriteFile(work / (".other.bmp.tessalume-tmp-" + gone + "-0-0-0"), "abandoned");

    ASSERT_EQ(Run({"--seed", "1", "--points", "0", "--out", "quilt.png", "--quiet"}).status, 0);
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(), {".folder.tessalume-tmp-" + gone + "-0-0-1f", "quilt.png"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(), expected);
}

TEST_F(AbandonedTemporaries, RendererKilledDuringTheWriteIsCleanedUpAfter)
{
    ChildProcess renderer = Start({"--seed", "1", "--points", "0", "--image", "8192x8192", "--out", "big.png", "--quiet"});
    // The temporary file appears beside the output when the writing starts; writing an
    // 8192 x 8192 picture takes seconds.
    const auto end = std::chrono::steady_clock::now() + 120s;
    while (Listing().empty() && !renderer.Wait(0ms) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(Listing().size(), 1u) << "no temporary file while the renderer ran";
    ASSERT_EQ(kill(renderer.pid, SIGKILL), 0);
    EXPECT_EQ(renderer.Finish(120s).signal, SIGKILL);
    ASSERT_EQ(Listing().size(), 1u);
    EXPECT_TRUE(Listing()[0].starts_with(".big.png.")) << Listing()[0];

    ASSERT_EQ(Run({"--seed", "1", "--points", "0", "--out", "small.png", "--quiet"}).status, 0);
    EXPECT_EQ(Listing(), std::vector<std::string>{"small.png"});
}

}  // namespace
}  // namespace tessalume
