// The window program around its modal dialogs, as a person meets it on a private X server: the
// quilt goes on growing while a file chooser is open, and the quit question keeps Yes as its
// default after a chooser was closed with Escape.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "support/desktop_session.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

constexpr milliseconds startLimit(300000);  // a sanitizer build searches the first quilt slowly
constexpr milliseconds stepLimit(60000);

// Buttons, in drawing coordinates (origin at the lower left of the client area, y upward).
struct Point { int x, y; };
constexpr Point exportTileButton{551, 191}, quitButton{951, 19};

class DialogsOnTheDesktop : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        for (const char* place : {"home", "config", "exports"}) fs::create_directories(folder / place);
    }
    void TearDown() override
    {
        if (program && HasFailure()) {
            program->Wait(milliseconds(3000));
            for (const std::string& line : program->Lines()) std::fprintf(stderr, "tessalume: %s\n", line.c_str());
        }
        program.reset();
        ScratchFolder::TearDown();
    }

    // The program on the display with its own home, seeded; true once its first frame shows.
    ::testing::AssertionResult Start(const std::string& seed)
    {
        program.emplace(display.Name(), std::vector<std::string>{"--seed", seed},
                        std::vector<std::string>{"HOME=" + PathIn("home"), "XDG_CONFIG_HOME=" + PathIn("config")});
        if (!program->WaitForLine("ready", startLimit)) return ::testing::AssertionFailure() << "no frame was shown";
        const std::vector<unsigned long> windows = FindWindows(display.Name(), "Tessalume", stepLimit);
        if (windows.size() != 1) return ::testing::AssertionFailure() << windows.size() << " windows";
        window = windows[0];
        geometry = GeometryOf(display.Name(), window).value_or(WindowGeometry{});
        return ::testing::AssertionSuccess();
    }
    bool Click(Point at)
    {
        return Xdotool(display.Name(), {"mousemove", std::to_string(geometry.x + at.x),
                                        std::to_string(geometry.y + clientHeight - at.y), "click", "1"});
    }
    bool Expect(const std::string& line) { return program->WaitForLine(line, stepLimit); }

    VirtualDisplay display;
    std::optional<ProgramUnderTest> program;
    unsigned long window = 0;
    WindowGeometry geometry;
};

// Export Tile pressed as soon as the window shows, before the first refresh has started the
// worker: while the chooser is open (the typing keeps it open a good second) the quilt grows,
// and the tile written is that quilt, not the black of a picture nothing has plotted into yet.
TEST_F(DialogsOnTheDesktop, QuiltGrowsWhileAFileChooserIsOpen)
{
    if (!display.Start()) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(Start("7"));
    ASSERT_TRUE(Click(exportTileButton));
    ASSERT_TRUE(Expect("command export-tile"));
    ASSERT_TRUE(Expect("dialog save-file"));
    const std::string tile = PathIn("exports/tile.png");
    ASSERT_TRUE(TypePathInto(display.Name(), "Save As", tile, window));
    ASSERT_TRUE(Expect("answer " + tile));

    // Written whole under its name (renamed into place) once it is there at all.
    for (const auto end = std::chrono::steady_clock::now() + stepLimit;
         !fs::exists(tile) && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(milliseconds(20));
    const RgbPicture picture = DecodePng(ReadFile(tile));
    ASSERT_GT(picture.width, 0) << "no tile was written";
    const auto lit = std::count_if(picture.pixels.begin(), picture.pixels.end(), [](uint8_t v) { return v > 16; });
    EXPECT_GT(lit, static_cast<long>(picture.pixels.size() / 100)) << "the tile is black";
}

// Return answers the quit question Yes, also after a file chooser was closed with Escape.
TEST_F(DialogsOnTheDesktop, ReturnQuitsAfterAChooserWasEscaped)
{
    if (!display.Start()) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(Start("3"));
    ASSERT_TRUE(Click(exportTileButton));
    ASSERT_TRUE(Expect("dialog save-file"));
    ASSERT_TRUE(PressKeyIn(display.Name(), "Save As", "Escape", window));
    ASSERT_TRUE(Expect("answer cancel"));
    ASSERT_TRUE(SendCloseRequest(display.Name(), window));
    ASSERT_TRUE(Expect("dialog Do you want to Quit?"));
    // The question shows; Return goes to whatever window has the keyboard, as a hand presses it.
    ASSERT_EQ(FindWindows(display.Name(), "Tessalume", stepLimit, window).size(), 1u);
    ASSERT_TRUE(Xdotool(display.Name(), {"key", "Return"}));
    ASSERT_TRUE(program->WaitForLine("answer Yes", milliseconds(10000)));
    EXPECT_EQ(program->Wait(stepLimit), 0);
}

}  // namespace
}  // namespace tessalume
