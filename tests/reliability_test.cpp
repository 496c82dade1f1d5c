// The per-user settings file that names the folder exports go to, also against unkind
// surroundings (a file far larger than any a person writes, a pipe in its place), and the
// temporary files of writes whose process was killed.
#include <sys/stat.h>

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
        for (const char* place : {"config/tessalume", "home/Pictures", "home/.config", "home/Bilder", "images"})
            fs::create_directories(folder / place);
    }
    std::string Settings() const { return PathIn("config/tessalume/settings.ini"); }
    // The folder for exports with these settings written first, or with the file as it is.
    std::string Load(const std::optional<std::string>& settings = {}, const std::string& pictures = "home/Pictures")
    {
        if (settings) WriteFile(Settings(), *settings);
        return ImagesFolder(PathIn("config"), PathIn("home"), PathIn(pictures));
    }
};

TEST_F(SettingsFile, ImagesSettingElseThePicturesFolderOrHome)
{
    EXPECT_EQ(Load("# quilts\r\n[paths]\r\nOther=/x\r\n  Images = /srv/quilts 2024 \r\n"), "/srv/quilts 2024");
    EXPECT_EQ(Load("Images=~/Quilts\n"), PathIn("home") + "/Quilts");
    const std::string overlong = "Images=/" + std::string(maxPathLength, 'x') + "\n";
    for (const std::string& unusable : {std::string("Images=\n"), std::string("images=/x\n"), overlong})
        EXPECT_EQ(Load(unusable), PathIn("home/Pictures"));
    EXPECT_EQ(Load("", "home/NoPictures"), PathIn("home"));

    // From the environment: HOME's user-dirs.dirs names the pictures folder, XDG_CONFIG_HOME
    // the folder of the settings.
    const char* names[] = {"XDG_CONFIG_HOME", "HOME"};
    std::optional<std::string> before[2];
    for (int i = 0; i < 2; ++i)
        if (const char* value = std::getenv(names[i])) before[i] = value;
    WriteFile(PathIn("home/.config/user-dirs.dirs"), "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    setenv("HOME", PathIn("home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ImagesFolder(), PathIn("home/Bilder"));
    setenv("XDG_CONFIG_HOME", PathIn("config").c_str(), 1);
    WriteFile(Settings(), "Images=/from/settings\n");
    EXPECT_EQ(ImagesFolder(), "/from/settings");
    for (int i = 0; i < 2; ++i) before[i] ? setenv(names[i], before[i]->c_str(), 1) : unsetenv(names[i]);
}

// A gigabyte without a line end (sparse, so it costs no disk) is read only as far as a settings
// file can reach, 64 KiB: the lines within count, a line the limit cuts does not.
TEST_F(SettingsFile, OnlyItsFirst64KiBAreRead)
{
    WriteFile(Settings(), "Images=" + PathIn("images") + "\n");
    fs::resize_file(Settings(), std::uintmax_t{1} << 30);
    const uint64_t before = BytesRead();
    EXPECT_EQ(Load(), PathIn("images"));
    EXPECT_LT(BytesRead() - before, 1u << 20);

    std::string cut = "Images=" + PathIn("images") + "\nImages=/";
    cut.resize(64 * 1024 + 10, 'x');
    EXPECT_EQ(Load(cut + "\n"), PathIn("images"));
    EXPECT_EQ(Load("Images=/nowhere\nImages=" + PathIn("images") + "\n"), PathIn("images"));
}

// A pipe without a writer in its place would hold the start-up for ever: it counts as no file.
TEST_F(SettingsFile, PipeInItsPlaceCountsAsNoSettings)
{
    ASSERT_EQ(mkfifo(Settings().c_str(), 0644), 0);
    ChildProcess child(Fork([&] { return Load() == PathIn("home/Pictures") ? 0 : 1; }));
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
        ".quilt.png.tessalume-tmp-" + alive + "-0-0-1f",  // this process's, under way
        ".quilt.png.tessalume-tmp-1-0-0-1f",              // a PID in use
        "quilt.png.tessalume-tmp-" + gone + "-0-0-1f",    // not hidden
        ".quilt.png.tessalume-tmp-" + gone + "-0-0-1F",   // not the pattern
        ".quilt.png.tessalume-tmp-" + gone + "-0-0",      //
        ".quilt.png.tessalume-tmp-" + gone + "-0-0-1f-2", //
        ".quilt.png.tessalume-tmp-" + gone + "x-0-0-1f",  //
        ".tessalume-tmp-" + gone + "-0-0-1f",             //
        ".quilt.png.tmp-" + gone + "-0-0-1f",             //
        "notes.txt",
    };
    for (const std::string& name : kept) WriteFile(work / name, "kept");
    fs::create_directory(work / (".folder.tessalume-tmp-" + gone + "-0-0-1f"));
    WriteFile(work / (".quilt.png.tessalume-tmp-" + gone + "-3-1-abc"), "abandoned");
    WriteFile(work / (".other.bmp.tessalume-tmp-" + gone + "-0-0-0"), "abandoned");

    ASSERT_EQ(Run(Words("--seed 1 --points 0 --out quilt.png --quiet")).status, 0);
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(), {".folder.tessalume-tmp-" + gone + "-0-0-1f", "quilt.png"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(), expected);
}

}  // namespace
}  // namespace tessalume
