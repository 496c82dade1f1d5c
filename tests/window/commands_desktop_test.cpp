// Every control of the window used as a person uses it: real clicks and drags with xdotool on a
// private X server, the real GTK dialogs typed into, the screen judged by what it must show, and
// waits on the program's trace lines. Run against a ThreadSanitizer build of the program (as
// .ci/run does) it also checks that the two threads share nothing unsynchronised.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "support/desktop_session.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr milliseconds startLimit(300000);  // a sanitizer build searches the first quilt slowly
constexpr milliseconds stepLimit(60000);

// An area of the client area in drawing coordinates (origin at the lower left, y upward).
struct Rect {
    int left, bottom, right, top;
};
constexpr Rect previewArea{494, 215, 1000, 721};  // inside the preview's frame
constexpr Rect noticeArea{491, 120, 700, 145};    // "Searching..." and "File Exported"
constexpr Rect colorStrip{34, 184, 288, 196}, browserI{32, 500, 384, 628}, lockI{332, 630, 352, 650};
constexpr Rect aboutPageFoot{700, 214, 701, 215}, stripMiddle{160, 190, 161, 191};

// RGB bytes of an area, rows from the top.
using Pixels = std::vector<uint8_t>;

double LitShare(const Pixels& pixels)
{
    std::size_t lit = 0;
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3)
        lit += pixels[i] > 16 || pixels[i + 1] > 16 || pixels[i + 2] > 16;
    return pixels.empty() ? 0 : 3.0 * static_cast<double>(lit) / static_cast<double>(pixels.size());
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The file once it has at least that many bytes: the program writes it after the dialog.
std::string ReadOnceWritten(const fs::path& path, std::size_t atLeast)
{
    std::string text = ReadText(path);
    for (const Clock::time_point end = Clock::now() + stepLimit; text.size() < atLeast && Clock::now() < end;) {
        std::this_thread::sleep_for(milliseconds(100));
        text = ReadText(path);
    }
    return text;
}

uint32_t Word(const std::string& bytes, std::size_t at, bool bigEndian)
{
    uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + (bigEndian ? i : 3 - i)]);
    return value;
}

// The window program on its own X server, driven in drawing coordinates.
class Session {
public:
    // A failed scenario shows what the program wrote: its trace and any sanitizer report.
    ~Session()
    {
        if (x_) XCloseDisplay(x_);
        if (!program_ || !::testing::Test::HasFailure()) return;
        program_->Wait(milliseconds(3000));  // the rest of its output
        for (const std::string& line : program_->Lines()) std::fprintf(stderr, "tessalume: %s\n", line.c_str());
    }

    bool Start(const fs::path& scratch)
    {
        if (!display_.Start()) return false;
        const char* path = std::getenv("PATH");
        program_.emplace(display_.Name(), std::vector<std::string>{"--seed", "3"},
                         std::vector<std::string>{"HOME=" + (scratch / "home").string(),
                                                  "XDG_CONFIG_HOME=" + (scratch / "config").string(),
                                                  "PATH=" + (scratch / "bin").string() + ":" + (path ? path : "")});
        return true;
    }
    bool Ready()
    {
        if (!program_->WaitForLine("ready", startLimit)) return false;
        const std::vector<unsigned long> windows = FindWindows(display_.Name(), "Tessalume", stepLimit);
        const std::optional<WindowGeometry> geometry =
            windows.size() == 1 ? GeometryOf(display_.Name(), windows[0]) : std::nullopt;
        if (!geometry) return false;
        window_ = windows[0];
        origin_ = *geometry;
        x_ = XOpenDisplay(display_.Name().c_str());
        return x_ != nullptr;
    }
    ProgramUnderTest& Program() { return *program_; }

    int ScreenX(int x) const { return origin_.x + x; }
    int ScreenY(int y) const { return origin_.y + 732 - y; }
    bool Expect(const std::string& line) { return program_->WaitForLine(line, stepLimit); }
    bool Click(int x, int y)
    {
        return Xdotool(display_.Name(), {"mousemove", std::to_string(ScreenX(x)), std::to_string(ScreenY(y)), "click", "1"})
            .has_value();
    }
    bool ClickAndExpect(int x, int y, const std::string& line) { return Click(x, y) && Expect(line); }
    // Presses at (x, y), moves sideways to the screen column toScreenX, releases there. The
    // press waits a moment, as a hand does: the program lets go of the mouse after it has
    // traced the release before, and a press that came sooner would lose its own release.
    bool Drag(int x, int y, int toScreenX)
    {
        return Xdotool(display_.Name(), {"mousemove", std::to_string(ScreenX(x)), std::to_string(ScreenY(y)),
                                         "sleep", "0.1", "mousedown", "1", "mousemove", std::to_string(toScreenX),
                                         std::to_string(ScreenY(y)), "mouseup", "1"})
            .has_value();
    }

    // What the screen shows in the area now, quick enough to watch a single frame.
    Pixels Area(Rect area)
    {
        const int width = area.right - area.left, height = area.top - area.bottom;
        XImage* image = XGetImage(x_, window_, area.left, 732 - area.top, width, height, AllPlanes, ZPixmap);
        if (!image) return {};
        Pixels pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                pixels.insert(pixels.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                             static_cast<uint8_t>(pixel)});
            }
        XDestroyImage(image);
        return pixels;
    }
    // Watches the area until the test holds for what it shows.
    bool Soon(Rect area, const std::function<bool(const Pixels&)>& test, milliseconds limit = stepLimit)
    {
        for (const Clock::time_point end = Clock::now() + limit;;) {
            const Pixels pixels = Area(area);
            if (!pixels.empty() && test(pixels)) return true;
            if (Clock::now() >= end) return false;
            std::this_thread::sleep_for(milliseconds(20));
        }
    }
    bool SoonNot(Rect area, const Pixels& before) { return Soon(area, [&](const Pixels& now) { return now != before; }); }

    // Types a path into the GTK file chooser of that title, confirms it and waits for the answer.
    bool AnswerDialog(const std::string& title, const std::string& path)
    {
        const std::vector<unsigned long> dialogs = FindWindows(display_.Name(), title, stepLimit, window_);
        if (dialogs.size() != 1 || !Xdotool(display_.Name(), {"windowfocus", "--sync", std::to_string(dialogs[0])}))
            return false;
        std::this_thread::sleep_for(milliseconds(500));  // GTK takes keys only once it has settled
        for (const std::vector<std::string>& keys :
             {std::vector<std::string>{"key", "ctrl+l"}, {"key", "ctrl+a"}, {"type", "--delay", "20", path},
              {"key", "Delete"}, {"key", "Return"}}) {
            if (!Xdotool(display_.Name(), keys)) return false;
            std::this_thread::sleep_for(milliseconds(200));
        }
        return Expect("answer " + path);
    }
    // The quit question, answered with a key.
    bool AnswerQuestion(const char* key, const char* answer)
    {
        if (!Expect("dialog Do you want to Quit?")) return false;
        const std::vector<unsigned long> boxes = FindWindows(display_.Name(), "Tessalume", stepLimit, window_);
        return boxes.size() == 1 && Xdotool(display_.Name(), {"windowfocus", "--sync", std::to_string(boxes[0])}) &&
               Xdotool(display_.Name(), {"key", "--window", std::to_string(boxes[0]), key}) &&
               Expect(std::string("answer ") + answer);
    }
    bool PressCloseBox() { return SendCloseRequest(display_.Name(), window_); }

private:
    VirtualDisplay display_;
    std::optional<ProgramUnderTest> program_;
    unsigned long window_ = 0;
    WindowGeometry origin_;
    ::Display* x_ = nullptr;
};

// The radio mark of a list's entry; entry 0 is the top row.
struct Point {
    int x, y;
};
constexpr Point Entry(int left, int bottom, int count, int entry)
{
    return {left + 10, bottom + 20 * (count - 1 - entry) + 10};
}

// A folder of the test's own for the program's home, settings and files.
fs::path MakeScratch()
{
    char name[] = "/tmp/tessalume-commands-XXXXXX";
    if (mkdtemp(name) == nullptr) return {};
    const fs::path scratch = name;
    for (const char* folder : {"home", "config/tessalume", "bin", "images", "exports", "maps"})
        fs::create_directories(scratch / folder);
    return scratch;
}

// New at once, before the first refresh tick would have started the worker: the new quilt is
// still found (its colour map shows).
TEST(CommandsOnTheDesktop, NewBeforeTheFirstRefreshIsCarriedOut)
{
    const fs::path scratch = MakeScratch();
    ASSERT_FALSE(scratch.empty());
    Session session;
    if (!session.Start(scratch)) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(session.Ready());
    const Pixels startingMap = session.Area(colorStrip);
    ASSERT_TRUE(session.ClickAndExpect(744, 191, "command new"));
    EXPECT_TRUE(session.SoonNot(colorStrip, startingMap));
    fs::remove_all(scratch);
}

TEST(CommandsOnTheDesktop, EveryControlByRealInput)
{
    const fs::path scratch = MakeScratch();
    ASSERT_FALSE(scratch.empty());
    std::ofstream(scratch / "config/tessalume/settings.ini") << "Images=" << (scratch / "images").string() << "\n";
    // The desktop's opener, recording the address it is asked to open.
    std::ofstream(scratch / "bin/xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << (scratch / "opened").string()
                                           << "'\n";
    fs::permissions(scratch / "bin/xdg-open", fs::perms::owner_all);
    {
        std::ofstream map(scratch / "maps/red.map");
        for (int i = 0; i < 256; ++i) map << "200.5 0.5 0.5\n";
    }

    Session session;
    if (!session.Start(scratch)) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(session.Ready()) << "no window with a frame";
    ASSERT_TRUE(session.Soon(previewArea, [](const Pixels& p) { return LitShare(p) > 0.01; }));
    const Pixels noNotice = session.Area(noticeArea);

    // Help: the page beside the program, opened with the desktop's opener.
    const char* other = std::getenv("TESSALUME_PROGRAM");
    const fs::path page = fs::path(other && *other ? other : TESSALUME_PROGRAM_PATH).parent_path() / "index.html";
    ASSERT_TRUE(session.ClickAndExpect(535, 19, "command help file://" + page.string()));
    EXPECT_NE(ReadText(page).find("<title>Tessalume help</title>"), std::string::npos);
    EXPECT_EQ(ReadOnceWritten(scratch / "opened", 1), "file://" + page.string());

    // About: the page over the preview, dark orange at its foot; a second click takes it away.
    const auto aboutPage = [](const Pixels& p) { return p[0] > 100 && p[0] < 150 && p[1] > 15 && p[1] < 50 && p[2] < 16; };
    ASSERT_TRUE(session.ClickAndExpect(747, 19, "command about shown"));
    EXPECT_TRUE(session.Soon(aboutPageFoot, aboutPage));
    ASSERT_TRUE(session.ClickAndExpect(747, 19, "command about hidden"));
    EXPECT_TRUE(session.Soon(aboutPageFoot, [&](const Pixels& p) { return !aboutPage(p); }));

    // The Render Parameters page: a new resolution blanks the preview until the quilt is
    // plotted again at that size; then one entry of each other list.
    ASSERT_TRUE(session.ClickAndExpect(360, 676, "command tab 1"));
    constexpr Point resolution = Entry(32, 578, 3, 1);
    ASSERT_TRUE(session.ClickAndExpect(resolution.x, resolution.y, "command resolution 1"));
    EXPECT_TRUE(session.Soon(previewArea, [](const Pixels& p) { return LitShare(p) < 0.001; }));
    EXPECT_TRUE(session.Soon(previewArea, [](const Pixels& p) { return LitShare(p) > 0.01; }));
    const struct {
        Point where;
        const char* line;
    } lists[] = {
        {Entry(32, 400, 5, 2), "command antialiasing 2"}, {Entry(272, 162, 9, 3), "command intensity 3"},
        {Entry(32, 202, 7, 2), "command color-mapping 2"}, {Entry(272, 460, 2, 1), "command output-format 1"},
        {Entry(887, 144, 2, 1), "command preview-type 1"},  {Entry(887, 144, 2, 0), "command preview-type 0"},
        {Entry(32, 32, 5, 1), "command refresh-interval 1"},
    };
    for (const auto& list : lists) ASSERT_TRUE(session.ClickAndExpect(list.where.x, list.where.y, list.line));

    // The tile size wheels, dragged out of the window to the screen's edge: the width stops at
    // 8192; the height goes down 2 per pixel and stops at 2.
    for (int width = 1024; width < 8192;) {
        ASSERT_TRUE(session.Drag(340, 606, 1279));
        width = std::min(width + 2 * (1279 - session.ScreenX(340)), 8192);
        ASSERT_TRUE(session.Expect("command tile-size " + std::to_string(width) + " 1024"));
    }
    ASSERT_TRUE(session.Drag(340, 586, session.ScreenX(340) - 300));
    ASSERT_TRUE(session.Expect("command tile-size 8192 424"));
    ASSERT_TRUE(session.Drag(340, 586, session.ScreenX(340) - 300));
    ASSERT_TRUE(session.Expect("command tile-size 8192 2"));

    // Output Directory; Export Tile as BMP at the resolution's size, with its notice; Export
    // Image as PNG at the wheels' size.
    ASSERT_TRUE(session.ClickAndExpect(354, 431, "command output-directory"));
    ASSERT_TRUE(session.Expect("dialog folder"));
    ASSERT_TRUE(session.AnswerDialog("Select Folder", (scratch / "exports").string()));
    ASSERT_TRUE(session.ClickAndExpect(551, 191, "command export-tile"));
    ASSERT_TRUE(session.Expect("dialog save-file"));
    ASSERT_TRUE(session.AnswerDialog("Save As", (scratch / "exports/tile").string()));
    const std::string tile = ReadOnceWritten(scratch / "exports/tile.bmp", 26);
    ASSERT_GE(tile.size(), 26u);
    EXPECT_EQ(tile.substr(0, 2), "BM");
    EXPECT_EQ(Word(tile, 18, false), 886u);
    EXPECT_EQ(Word(tile, 22, false), 512u);
    EXPECT_TRUE(session.SoonNot(noticeArea, noNotice)) << "no \"File Exported\"";
    constexpr Point png = Entry(272, 460, 2, 0);
    ASSERT_TRUE(session.ClickAndExpect(png.x, png.y, "command output-format 0"));
    ASSERT_TRUE(session.ClickAndExpect(551, 159, "command export-image 8192 2"));
    ASSERT_TRUE(session.Expect("dialog save-file"));
    ASSERT_TRUE(session.AnswerDialog("Save As", (scratch / "exports/wide").string()));
    const std::string wide = ReadOnceWritten(scratch / "exports/wide.png", 24);
    ASSERT_GE(wide.size(), 24u);
    EXPECT_EQ(Word(wide, 16, true), 8192u);
    EXPECT_EQ(Word(wide, 20, true), 2u);

    // Brightness with a 5 s refresh: the picture follows the wheel when the button is released.
    constexpr Point slowest = Entry(32, 32, 5, 4);
    ASSERT_TRUE(session.ClickAndExpect(slowest.x, slowest.y, "command refresh-interval 4"));
    ASSERT_TRUE(session.Drag(641, 84, 0));
    ASSERT_TRUE(session.Expect("command brightness 0"));
    EXPECT_TRUE(session.Soon(previewArea, [](const Pixels& p) { return LitShare(p) < 0.001; }, milliseconds(3000)));
    ASSERT_TRUE(session.Drag(641, 84, session.ScreenX(641) + 100));
    ASSERT_TRUE(session.Expect("command brightness 5"));
    EXPECT_TRUE(session.Soon(previewArea, [](const Pixels& p) { return LitShare(p) > 0.01; }, milliseconds(3000)));

    // The Attractor page: the blurring wheel down to its lower bound, each drag followed by a
    // click on the open tab so that its release has surely been taken.
    ASSERT_TRUE(session.ClickAndExpect(130, 676, "command tab 0"));
    for (int drag = 0; drag < 5; ++drag) {
        ASSERT_TRUE(session.Drag(330, 264, 0));  // 330 pixels at least: 1.65 less
        ASSERT_TRUE(session.ClickAndExpect(130, 676, "command tab 0"));
    }
    const std::vector<std::string>& lines = session.Program().Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "command blurring 0.2"), lines.end());

    // A browser pages; a cell is highlighted and locks its transformation.
    for (int back = 0; back < 4; ++back) ASSERT_TRUE(session.Click(368, 596));  // to the first page
    Pixels before = session.Area(browserI);
    ASSERT_TRUE(session.ClickAndExpect(368, 532, "command transform-i page 5"));
    EXPECT_TRUE(session.SoonNot(browserI, before));
    before = session.Area(browserI);
    const Pixels unlocked = session.Area(lockI);
    ASSERT_TRUE(session.ClickAndExpect(32 + 64 * 2 + 32, 500 + 64 + 32, "command transform-i 7"));
    EXPECT_TRUE(session.SoonNot(browserI, before)) << "no highlight";
    EXPECT_TRUE(session.SoonNot(lockI, unlocked)) << "no lock mark";

    // Random, then Load through the open dialog: the strip turns to the file's red; Save
    // through the save dialog, which adds the extension.
    before = session.Area(colorStrip);
    ASSERT_TRUE(session.ClickAndExpect(74, 159, "command random"));
    EXPECT_TRUE(session.SoonNot(colorStrip, before));
    ASSERT_TRUE(session.ClickAndExpect(250, 159, "command load"));
    ASSERT_TRUE(session.Expect("dialog open-file"));
    ASSERT_TRUE(session.AnswerDialog("Open", (scratch / "maps/red.map").string()));
    EXPECT_TRUE(session.Soon(stripMiddle, [](const Pixels& p) { return p == Pixels{200, 0, 0}; }));
    ASSERT_TRUE(session.ClickAndExpect(162, 159, "command save"));
    ASSERT_TRUE(session.Expect("dialog save-file"));
    ASSERT_TRUE(session.AnswerDialog("Save As", (scratch / "exports/saved").string()));
    EXPECT_EQ(ReadOnceWritten(scratch / "exports/saved.map", 29).substr(0, 29), "200.500000 0.500000 0.500000\n");

    // New: "Searching..." shows while the worker searches. Many searches end within a frame,
    // so the notice's place is watched closely and New pressed again until one is seen. It comes
    // last: about one new quilt in thirty has an orbit that leaves the plane soon after it was
    // found, and the picture checks above want the start-up quilt, which stays.
    ASSERT_TRUE(session.Soon(noticeArea, [&](const Pixels& p) { return p == noNotice; })) << "a notice stayed";
    bool searchShown = false;
    for (int press = 0; press < 40 && !searchShown; ++press) {
        ASSERT_TRUE(session.ClickAndExpect(744, 191, "command new"));
        for (const Clock::time_point end = Clock::now() + milliseconds(500); !searchShown && Clock::now() < end;)
            searchShown = session.Area(noticeArea) != noNotice;
    }
    EXPECT_TRUE(searchShown);
    ASSERT_TRUE(session.Soon(noticeArea, [&](const Pixels& p) { return p == noNotice; })) << "the search went on";

    // Quit answered No runs on; the close box answered Yes ends the program with status 0.
    ASSERT_TRUE(session.ClickAndExpect(951, 19, "command quit"));
    ASSERT_TRUE(session.AnswerQuestion("Escape", "No"));
    EXPECT_FALSE(session.Program().Wait(milliseconds(500))) << "the program ended on No";
    ASSERT_TRUE(session.PressCloseBox());
    ASSERT_TRUE(session.AnswerQuestion("Return", "Yes"));
    EXPECT_EQ(session.Program().Wait(stepLimit), 0) << "a sanitizer report ends the program with 66";

    fs::remove_all(scratch);
}

}  // namespace
}  // namespace tessalume
