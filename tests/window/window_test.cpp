// The window program as a person meets it: a real window on a private X server, the quilt
// growing in it, the quit question through the close box; and its command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "support/desktop_session.h"

namespace tessalume {
namespace {

constexpr milliseconds startLimit(120000);  // the first quilt is searched before the window shows

// The preview square in a screenshot of the client area (rows from the top).
constexpr int previewLeft = 491, previewTop = 732 - 724, previewSide = 512;

int LitPreviewPixels(const RgbImage& shot)
{
    if (shot.width < 1011 || shot.height < 732) return 0;
    int lit = 0;
    for (int y = previewTop; y < previewTop + previewSide; ++y)
        for (int x = previewLeft; x < previewLeft + previewSide; ++x) {
            const uint8_t* pixel = shot.At(x, y);
            lit += pixel[0] > 16 || pixel[1] > 16 || pixel[2] > 16;
        }
    return lit;
}

bool SamePreview(const RgbImage& a, const RgbImage& b)
{
    for (int y = previewTop; y < previewTop + previewSide; ++y)
        if (std::memcmp(a.At(previewLeft, y), b.At(previewLeft, y), previewSide * 3) != 0) return false;
    return true;
}

// The one window of that title that is not the main window.
std::optional<unsigned long> QuitQuestion(const std::string& display, unsigned long mainWindow)
{
    const std::vector<unsigned long> boxes = FindWindows(display, "Tessalume", milliseconds(10000), mainWindow);
    if (boxes.size() != 1) return std::nullopt;
    return boxes[0];
}

bool Answer(const std::string& display, unsigned long box, const char* key)
{
    return Xdotool(display, {"windowfocus", "--sync", std::to_string(box)}) &&
           Xdotool(display, {"key", "--window", std::to_string(box), key});
}

TEST(WindowProgram, GrowsTheQuiltAndAsksBeforeQuitting)
{
    VirtualDisplay display;
    if (!display.Start()) GTEST_SKIP() << "no X server could be started";
    ProgramUnderTest program(display.Name(), {"--seed", "3"});
    ASSERT_TRUE(program.WaitForLine("ready", startLimit)) << "no frame was shown";

    const std::vector<unsigned long> windows = FindWindows(display.Name(), "Tessalume", milliseconds(10000));
    ASSERT_EQ(windows.size(), 1u);
    const unsigned long window = windows[0];
    const std::optional<WindowGeometry> geometry = GeometryOf(display.Name(), window);
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->width, 1011);
    EXPECT_EQ(geometry->height, 732);
    EXPECT_EQ(geometry->x, (1280 - 1011) / 2);
    EXPECT_EQ(geometry->y, (1024 - 732) / 2);

    // The quilt appears within a few ticks and keeps changing as the worker plots.
    RgbImage first;
    for (int attempt = 0; attempt < 100 && LitPreviewPixels(first) < 1000; ++attempt) {
        std::this_thread::sleep_for(milliseconds(200));
        first = CaptureWindow(display.Name(), window);
        ASSERT_EQ(first.width, 1011);
    }
    ASSERT_GE(LitPreviewPixels(first), 1000) << "the preview stayed black";
    bool grew = false;
    for (int attempt = 0; attempt < 20 && !grew; ++attempt) {
        std::this_thread::sleep_for(milliseconds(1000));
        grew = !SamePreview(first, CaptureWindow(display.Name(), window));
    }
    EXPECT_TRUE(grew) << "the preview did not change in 20 seconds";

    // The close box asks; Escape answers No and the program runs on.
    ASSERT_TRUE(SendCloseRequest(display.Name(), window));
    ASSERT_TRUE(program.WaitForLine("dialog Do you want to Quit?", milliseconds(20000)));
    std::optional<unsigned long> box = QuitQuestion(display.Name(), window);
    ASSERT_TRUE(box) << "the quit question did not show";
    ASSERT_TRUE(Answer(display.Name(), *box, "Escape"));
    ASSERT_TRUE(program.WaitForLine("answer No", milliseconds(20000)));
    EXPECT_FALSE(program.Wait(milliseconds(500))) << "the program ended on No";

    // Return answers Yes: the program ends with status 0.
    ASSERT_TRUE(SendCloseRequest(display.Name(), window));
    ASSERT_TRUE(program.WaitForLine("dialog Do you want to Quit?", milliseconds(20000)));
    box = QuitQuestion(display.Name(), window);
    ASSERT_TRUE(box);
    ASSERT_TRUE(Answer(display.Name(), *box, "Return"));
    ASSERT_TRUE(program.WaitForLine("answer Yes", milliseconds(20000)));
    EXPECT_TRUE(program.WaitForLine("quit", milliseconds(20000)));
    EXPECT_EQ(program.Wait(milliseconds(20000)), 0);
}

TEST(WindowProgram, CommandLineAndMissingDisplay)
{
    const Finished help = RunToEnd({"--help"}, milliseconds(20000));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: tessalume", 0), 0u) << help.output;

    const Finished version = RunToEnd({"--version"}, milliseconds(20000));
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "Tessalume 1.1\n");

    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"--bogus"}, {"--seed"}, {"--seed", "-1"}, {"--seed", "4294967296"}}) {
        const Finished run = RunToEnd(refused, milliseconds(20000));
        EXPECT_EQ(run.status, 2) << refused.back();
        EXPECT_EQ(std::count(run.error.begin(), run.error.end(), '\n'), 1) << run.error;
        EXPECT_EQ(run.output, "");
    }

    // No display at all: one line saying so, status 1, and no window searched for elsewhere.
    const Finished headless = RunToEnd({"--seed", "1"}, milliseconds(60000));
    EXPECT_EQ(headless.status, 1);
    EXPECT_EQ(std::count(headless.error.begin(), headless.error.end(), '\n'), 1) << headless.error;
}

TEST(WindowProgram, DisplayWithoutOpenGlSaysSoAndEnds)
{
    VirtualDisplay display;
    if (!display.Start(false)) GTEST_SKIP() << "no X server could be started";
    ProgramUnderTest program(display.Name(), {"--seed", "3"});
    ASSERT_TRUE(program.WaitForLine("dialog SetPixelFormat failed", milliseconds(30000)));
    const std::vector<unsigned long> boxes = FindWindows(display.Name(), "Error", milliseconds(10000));
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_TRUE(Answer(display.Name(), boxes[0], "Return"));
    EXPECT_EQ(program.Wait(milliseconds(20000)), 1);
}

}  // namespace
}  // namespace tessalume
