// The window program as a person meets it: a real window on a private X server, the quilt
// growing in it, the quit question through the close box; and its command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <tuple>

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
        for (int x = previewLeft; x < previewLeft + previewSide; ++x)
            lit += *std::max_element(shot.At(x, y), shot.At(x, y) + 3) > 16;
    return lit;
}

bool SamePreview(const RgbImage& a, const RgbImage& b)
{
    for (int y = previewTop; y < previewTop + previewSide; ++y)
        if (std::memcmp(a.At(previewLeft, y), b.At(previewLeft, y), previewSide * 3) != 0) return false;
    return true;
}

// Focuses the one box of that title other than besides and presses the key in it.
bool Answer(const std::string& display, const std::string& title, const char* key, unsigned long besides = 0)
{
    const std::vector<unsigned long> boxes = FindWindows(display, title, milliseconds(10000), besides);
    return boxes.size() == 1 && Xdotool(display, {"windowfocus", "--sync", std::to_string(boxes[0])}) &&
           Xdotool(display, {"key", "--window", std::to_string(boxes[0]), key});
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
    EXPECT_EQ(std::tie(geometry->width, geometry->height, geometry->x, geometry->y),
              std::make_tuple(1011, 732, (1280 - 1011) / 2, (1024 - 732) / 2));

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

    // The close box asks; Escape answers No and the program runs on, Return answers Yes and it
    // ends with status 0.
    for (const auto& [key, answer] : {std::pair{"Escape", "answer No"}, {"Return", "answer Yes"}}) {
        ASSERT_TRUE(SendCloseRequest(display.Name(), window));
        ASSERT_TRUE(program.WaitForLine("dialog Do you want to Quit?", milliseconds(20000)));
        ASSERT_TRUE(Answer(display.Name(), "Tessalume", key, window)) << "the quit question did not show";
        ASSERT_TRUE(program.WaitForLine(answer, milliseconds(20000)));
        EXPECT_TRUE(*key == 'R' || !program.Wait(milliseconds(500))) << "the program ended on No";
    }
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

    // Refused arguments (status 2) and no display at all (status 1): one line each, nothing on
    // standard output.
    for (const auto& [args, status] : std::initializer_list<std::pair<std::vector<std::string>, int>>{
             {{"--bogus"}, 2}, {{"--seed"}, 2}, {{"--seed", "-1"}, 2}, {{"--seed", "4294967296"}, 2}, {{"--seed", "1"}, 1}}) {
        const Finished run = RunToEnd(args, milliseconds(60000));
        EXPECT_EQ(run.status, status) << args.back();
        EXPECT_EQ(std::count(run.error.begin(), run.error.end(), '\n'), 1) << run.error;
        EXPECT_EQ(run.output, "") << args.back();
    }
}

TEST(WindowProgram, DisplayWithoutOpenGlSaysSoAndEnds)
{
    VirtualDisplay display;
    if (!display.Start(false)) GTEST_SKIP() << "no X server could be started";
    ProgramUnderTest program(display.Name(), {"--seed", "3"});
    ASSERT_TRUE(program.WaitForLine("dialog SetPixelFormat failed", milliseconds(30000)));
    ASSERT_TRUE(Answer(display.Name(), "Error", "Return"));
    EXPECT_EQ(program.Wait(milliseconds(20000)), 1);
}

}  // namespace
}  // namespace tessalume
