// Every control of the window used as a person uses it: real clicks and drags with xdotool on a
// private X server, the real GTK dialogs typed into, the screen judged by what it must show, and
// waits on the program's trace lines. Run against a ThreadSanitizer build of the program (as
// .ci/run does) it also checks that the two threads share nothing unsynchronised.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <tuple>

#include "fixtures.h"
#include "support/desktop_session.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr milliseconds stepLimit(60000);

// Places in the client area in drawing coordinates (origin at the lower left, y upward).
struct Point { int x, y; };
struct Rect { int left, bottom, right, top; };
constexpr Rect previewArea{494, 215, 1000, 721};  // inside the preview's frame
constexpr Rect noticeArea{491, 120, 700, 145};    // "Searching..." and "File Exported"
constexpr Rect colorStrip{34, 184, 288, 196}, browserI{32, 500, 384, 628}, lockI{332, 630, 352, 650};
constexpr Rect aboutPageFoot{700, 214, 701, 215}, stripMiddle{160, 190, 161, 191};

// The radio mark of a list's entry; entry 0 is the top row.
constexpr Point Entry(int left, int bottom, int count, int entry)
{
    return {left + 10, bottom + 20 * (count - 1 - entry) + 10};
}

using Pixels = std::vector<uint8_t>;  // RGB, rows from the top
// What an area must come to show, given what it showed before the input.
using Shows = std::function<bool(const Pixels& before, const Pixels& now)>;

double LitShare(const Pixels& pixels)
{
    std::size_t lit = 0;
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3)
        lit += pixels[i] > 16 || pixels[i + 1] > 16 || pixels[i + 2] > 16;
    return pixels.empty() ? 0 : 3.0 * static_cast<double>(lit) / static_cast<double>(pixels.size());
}
const Shows lit = [](const Pixels&, const Pixels& now) { return LitShare(now) > 0.01; };
const Shows dark = [](const Pixels&, const Pixels& now) { return LitShare(now) < 0.001; };
const Shows changed = [](const Pixels& before, const Pixels& now) { return now != before; };
const Shows aboutPage = [](const Pixels&, const Pixels& p) {
    return p[0] > 100 && p[0] < 150 && p[1] > 15 && p[1] < 50 && p[2] < 16;  // dark orange
};
const Shows red = [](const Pixels&, const Pixels& now) { return now == Pixels{200, 0, 0}; };

struct Look {
    Rect area;
    Shows shows;
    milliseconds limit = stepLimit;
};

// One thing a person does and what must follow it.
struct Step {
    Point at{-1, -1};              // where the click, the press or the wheel turn goes (none when negative)
    std::optional<int> dragTo{};   // the column the press is dragged to, beyond the window if need be
    std::string key{};             // a key pressed instead of a click (xdotool's names: "ctrl+s")
    int notches = 0;               // the wheel turned instead of a click, away from the user when positive
    std::string held{};            // a modifier held while the wheel turns ("shift", "ctrl")
    std::string line{};            // the trace line the input brings
    std::string dialog{}, path{};  // the file chooser that opens ("folder", "save-file", "open-file"), the path typed
    std::vector<Look> looks{};     // what the screen must come to show, in turn
};

Pixels Shown(const DesktopProgram& session, Rect r) { return session.Area(r.left, r.bottom, r.right, r.top); }

// Where the step's click or press goes, the trace line it brings, the chooser answered and what
// the screen comes to show; the looks see what their areas showed before the input.
::testing::AssertionResult Take(DesktopProgram& session, const Step& step)
{
    std::vector<Pixels> before;
    for (const Look& look : step.looks) before.push_back(Shown(session, look.area));
    // A press waits a moment, as a hand does: the program lets go of the mouse after it has
    // traced the release before, and a press that came sooner would lose its own release.
    const auto& window = session.geometry;
    const auto column = [&](int x) { return std::to_string(std::clamp(window.x + x, 0, 1279)); };
    const std::string row = std::to_string(window.y + clientHeight - step.at.y);
    std::vector<std::string> input = {"mousemove", column(step.at.x), row, "click", "1"};
    if (step.dragTo)
        input = {"mousemove", column(step.at.x), row, "sleep", "0.1", "mousedown", "1",
                 "mousemove", column(*step.dragTo), row, "mouseup", "1"};
    const bool done = !step.key.empty() ? session.Press(step.key)
                      : step.notches != 0 ? session.Turn(step.at.x, step.at.y, step.notches, step.held)
                      : step.at.x < 0 || Xdotool(session.DisplayName(), input);
    if (!done) return ::testing::AssertionFailure() << "xdotool failed";
    if (!step.line.empty() && !session.Expect(step.line)) return ::testing::AssertionFailure() << "no trace line";
    // The chooser must be gone once the program goes on: nothing else would take it away.
    static const std::map<std::string, std::string> titles = {
        {"folder", "Select Folder"}, {"save-file", "Save As"}, {"open-file", "Open"}};
    if (!step.dialog.empty() &&
        !(session.Expect("dialog " + step.dialog) &&
          TypePathInto(session.DisplayName(), titles.at(step.dialog), step.path, session.Window()) &&
          session.Expect("answer " + step.path) &&
          FindWindows(session.DisplayName(), titles.at(step.dialog), milliseconds(0)).empty()))
        return ::testing::AssertionFailure() << "the " << step.dialog << " dialog was not answered or stayed";
    for (std::size_t i = 0; i < step.looks.size(); ++i)
        for (const Clock::time_point end = Clock::now() + step.looks[i].limit;;) {
            const Pixels now = Shown(session, step.looks[i].area);
            if (!now.empty() && step.looks[i].shows(before[i], now)) break;
            if (Clock::now() >= end) return ::testing::AssertionFailure() << "look " << i << " not seen";
            std::this_thread::sleep_for(milliseconds(20));
        }
    return ::testing::AssertionSuccess();
}

// The quit question, answered with a key.
bool Answer(DesktopProgram& session, const char* key, const std::string& answer)
{
    return session.Expect("dialog Do you want to Quit?") &&
           PressKeyIn(session.DisplayName(), "Tessalume", key, session.Window()) && session.Expect("answer " + answer);
}

// The program with its own PATH besides its own home and settings.
class CommandsOnTheDesktop : public DesktopTest {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        for (const char* place : {"home", "config/tessalume", "bin", "images", "exports", "maps"})
            fs::create_directories(folder / place);
        // The desktop's opener, recording the address it is asked to open.
        WriteFile(folder / "bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + PathIn("opened") + "'\n");
        fs::permissions(folder / "bin/xdg-open", fs::perms::owner_all);
        std::string red;
        for (int i = 0; i < 256; ++i) red += "200.5 0.5 0.5\n";
        WriteFile(folder / "maps/red.map", red);
    }
    bool Start()
    {
        const char* path = std::getenv("PATH");
        return session.Start(folder, "3", {"PATH=" + PathIn("bin") + ":" + (path ? path : "")});
    }
};

// New at once, before the first refresh tick would have started the worker: the new quilt is
// still found (its colour map shows).
TEST_F(CommandsOnTheDesktop, NewBeforeTheFirstRefreshIsCarriedOut)
{
    if (!Start()) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(session.Ready());
    EXPECT_TRUE(Take(session, {.at = {744, 191}, .line = "command new", .looks = {{colorStrip, changed}}}));
}

TEST_F(CommandsOnTheDesktop, EveryControlByRealInput)
{
    WriteFile(folder / "config/tessalume/settings.ini", "Images=" + PathIn("images") + "\n");
    const std::string exports = PathIn("exports");
    const fs::path page = fs::path(TESSALUME_PROGRAM_PATH).parent_path() / "index.html";

    // The window shows centred; the quilt appears in it and goes on growing as the worker plots.
    if (!Start()) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(session.Ready());
    const auto& window = session.geometry;
    ASSERT_EQ(std::tie(window.width, window.height, window.x, window.y),
              std::make_tuple(clientWidth, clientHeight, (1280 - clientWidth) / 2, (1024 - clientHeight) / 2));
    ASSERT_TRUE(Take(session, {.looks = {{previewArea, lit}}}));
    ASSERT_TRUE(Take(session, {.looks = {{previewArea, changed}}})) << "the quilt did not grow";
    const Pixels noNotice = Shown(session, noticeArea);
    const Shows notice = [&](const Pixels&, const Pixels& now) { return now != noNotice; };
    const Shows noNoticeLeft = [&](const Pixels&, const Pixels& now) { return now == noNotice; };

    std::vector<Step> steps = {
        // Help opens the page beside the program with the desktop's opener; About shows its page
        // over the preview until it is clicked again.
        {.at = {535, 19}, .line = "command help file://" + page.string()},
        {.at = {747, 19}, .line = "command about shown", .looks = {{aboutPageFoot, aboutPage}}},
        {.at = {747, 19}, .line = "command about hidden", .looks = {{aboutPageFoot, std::not_fn(aboutPage)}}},
        // The Render Parameters page: a new resolution blanks the preview until the quilt is
        // plotted again at that size; then one entry of each other list.
        {.at = {360, 676}, .line = "command tab 1"},
        {.at = Entry(32, 578, 3, 1), .line = "command resolution 1", .looks = {{previewArea, dark}, {previewArea, lit}}},
        {.at = Entry(32, 400, 5, 2), .line = "command antialiasing 2"},
        {.at = Entry(272, 162, 9, 3), .line = "command intensity 3"},
        {.at = Entry(32, 202, 7, 2), .line = "command color-mapping 2"},
        {.at = Entry(272, 460, 2, 1), .line = "command output-format 1"},
        {.at = Entry(887, 144, 2, 1), .line = "command preview-type 1"},
        {.at = Entry(887, 144, 2, 0), .line = "command preview-type 0"},
        {.at = Entry(32, 32, 5, 1), .line = "command refresh-interval 1"},
        // The tile size wheels, 2 per pixel: the width dragged to the screen's edge 805 pixels
        // away, the height down until it stops at 2.
        {.at = {340, 606}, .dragTo = 2000, .line = "command tile-size 2634 1024"},
        {.at = {340, 586}, .dragTo = 40, .line = "command tile-size 2634 424"},
        {.at = {340, 586}, .dragTo = 40, .line = "command tile-size 2634 2"},
        // Output Directory; Export Tile as BMP, with its notice; Export Image as PNG at the wheels' size.
        {.at = {354, 431}, .line = "command output-directory", .dialog = "folder", .path = exports},
        {.at = {551, 191}, .line = "command export-tile", .dialog = "save-file", .path = exports + "/tile",
         .looks = {{noticeArea, notice}}},
        {.at = Entry(272, 460, 2, 0), .line = "command output-format 0"},
        {.at = {551, 159}, .line = "command export-image 2634 2", .dialog = "save-file", .path = exports + "/wide"},
        {.line = "exported " + exports + "/wide.png"},
        // Brightness with a 5 s refresh: the picture follows the wheel when the button is released.
        {.at = Entry(32, 32, 5, 4), .line = "command refresh-interval 4"},
        {.at = {641, 84}, .dragTo = -1000, .line = "command brightness 0", .looks = {{previewArea, dark, milliseconds(3000)}}},
        {.at = {641, 84}, .dragTo = 741, .line = "command brightness 5", .looks = {{previewArea, lit, milliseconds(3000)}}},
    };
    // The Attractor page: the blurring wheel down to its lower bound, each drag followed by a click
    // on the open tab so that its release has surely been taken.
    for (int drag = 0; drag < 5; ++drag)
        steps.insert(steps.end(), {{.at = {330, 264}, .dragTo = -1000}, {.at = {130, 676}, .line = "command tab 0"}});
    steps.insert(steps.end(), 4, Step{.at = {368, 596}});  // the browser back to its first page
    steps.insert(steps.end(), {
        // The browser pages; a cell is highlighted and locks its transformation.
        {.at = {368, 532}, .line = "command transform-i page 5", .looks = {{browserI, changed}}},
        {.at = {192, 596}, .line = "command transform-i 7", .looks = {{browserI, changed}, {lockI, changed}}},
        // Random; Load through the open dialog turns the strip to the file's red; Save.
        {.at = {74, 159}, .line = "command random", .looks = {{colorStrip, changed}}},
        {.at = {250, 159}, .line = "command load", .dialog = "open-file", .path = PathIn("maps/red.map"),
         .looks = {{stripMiddle, red}}},
        {.at = {162, 159}, .line = "command save", .dialog = "save-file", .path = exports + "/saved"},
        {.looks = {{noticeArea, noNoticeLeft}}},
    });
    for (const Step& step : steps) ASSERT_TRUE(Take(session, step)) << step.line;
    const std::vector<std::string>& lines = session.program->Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "command blurring 0.2"), lines.end());

    // New: "Searching..." shows while the worker searches. Many searches end within a frame, so
    // the notice's place is watched closely and New pressed again until one is seen. It comes
    // last: about one new quilt in thirty has an orbit that leaves the plane soon after it was
    // found, and the picture checks above want the start-up quilt, which stays.
    bool searchShown = false;
    for (int press = 0; press < 40 && !searchShown; ++press) {
        ASSERT_TRUE(Take(session, {.at = {744, 191}, .line = "command new"}));
        for (const Clock::time_point end = Clock::now() + milliseconds(500); !searchShown && Clock::now() < end;)
            searchShown = Shown(session, noticeArea) != noNotice;
    }
    EXPECT_TRUE(searchShown);
    ASSERT_TRUE(Take(session, {.looks = {{noticeArea, noNoticeLeft}}})) << "the search went on";

    // What the answered dialogs wrote: the page opened, the tile at the resolution's size, the
    // image at the wheels' size, the colour map with the extension added.
    EXPECT_NE(ReadFile(page).find("<title>Tessalume help</title>"), std::string::npos);
    EXPECT_EQ(ReadFile(folder / "opened"), "file://" + page.string());
    const std::string tile = ReadFile(exports + "/tile.bmp");
    EXPECT_TRUE(tile.starts_with("BM") && tile.size() == 54 + 512 * (886 * 3 + 2)) << "886 x 512, rows padded";
    const RgbPicture wide = DecodePng(ReadFile(exports + "/wide.png"));
    EXPECT_TRUE(wide.width == 2634 && wide.height == 2);
    EXPECT_TRUE(ReadFile(exports + "/saved.map").starts_with("200.500000 0.500000 0.500000\n"));

    // Quit answered No runs on; the close box answered Yes ends the program with status 0.
    ASSERT_TRUE(Take(session, {.at = {951, 19}, .line = "command quit"}));
    ASSERT_TRUE(Answer(session, "Escape", "No"));
    EXPECT_FALSE(session.program->Wait(milliseconds(500))) << "the program ended on No";
    ASSERT_TRUE(SendCloseRequest(session.DisplayName(), session.Window()));
    ASSERT_TRUE(Answer(session, "Return", "Yes"));
    EXPECT_TRUE(session.Expect("quit"));
    EXPECT_EQ(session.program->Wait(stepLimit), 0) << "a sanitizer report ends the program with 66";
}

// The keys and the mouse wheel as a person uses them: each key gives the command of its click
// (the same trace line), the wheel moves the value panels and pages the browsers, and a file
// written is named on the notice line and in the window title. The chooser opens transient for
// the window and centred on it, and leaves no trace of itself once it has closed, while the
// export it asked for is still being written.
TEST_F(CommandsOnTheDesktop, KeysAndTheWheel)
{
    const std::string exports = PathIn("exports");
    const fs::path page = fs::path(TESSALUME_PROGRAM_PATH).parent_path() / "index.html";
    if (!Start()) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(session.Ready());
    ASSERT_TRUE(Take(session, {.looks = {{previewArea, lit}}}));
    const Pixels noNotice = Shown(session, noticeArea);
    const Shows notice = [&](const Pixels&, const Pixels& now) { return now != noNotice; };

    // Panels and browsers: the places the wheel is turned at.
    constexpr Point tileWidth{340, 606}, tileHeight{340, 586}, blurring{182, 264}, brightness{641, 84}, browser{192, 564};
    const std::vector<Step> steps = {
        // The tile size wheels: a step of 16, ten with Shift; Ctrl doubles and halves.
        {.key = "Tab", .line = "command tab 1"},
        {.at = tileWidth, .notches = 1, .line = "command tile-size 1040 1024"},
        {.at = tileWidth, .notches = 2, .held = "ctrl", .line = "command tile-size 4160 1024"},
        {.at = tileHeight, .notches = -1, .held = "ctrl", .line = "command tile-size 4160 512"},
        {.at = tileHeight, .notches = -1, .held = "shift", .line = "command tile-size 4160 352"},
        {.at = tileHeight, .notches = 3, .held = "ctrl", .line = "command tile-size 4160 2816"},
        {.key = "Tab", .line = "command tab 0"},
        {.key = "t", .line = "command preview-type 1"},
        {.key = "t", .line = "command preview-type 0"},
        {.key = "2", .line = "command resolution 1", .looks = {{previewArea, dark}, {previewArea, lit}}},
        {.key = "1", .line = "command resolution 0"},
        {.key = "F1", .line = "command help file://" + page.string()},
        {.at = {747, 19}, .line = "command about shown", .looks = {{aboutPageFoot, aboutPage}}},
        {.key = "Escape", .line = "command about hidden", .looks = {{aboutPageFoot, std::not_fn(aboutPage)}}},
        // Blurring and brightness down to their lower bounds and up again, taken as on a release.
        {.at = blurring, .notches = -13, .held = "shift", .line = "command blurring 0.2"},
        {.at = blurring, .notches = 1, .line = "command blurring 0.25"},
        {.at = brightness, .notches = -6, .held = "shift", .line = "command brightness 0", .looks = {{previewArea, dark}}},
        {.at = brightness, .notches = 1, .line = "command brightness 0.2"},
        {.at = brightness, .notches = 2, .held = "shift", .line = "command brightness 4.2", .looks = {{previewArea, lit}}},
        // The browser pages toward the user, ten pages with Shift (up to its last), and back; first
        // back to its first page, and the open tab clicked so that the wheel has surely been taken.
        {.at = browser, .notches = 4},
        {.at = {130, 676}, .line = "command tab 0"},
        {.at = browser, .notches = -1, .line = "command transform-i page 5", .looks = {{browserI, changed}}},
        {.at = browser, .notches = -1, .held = "shift", .line = "command transform-i page 20"},
        {.at = browser, .notches = 1, .line = "command transform-i page 15"},
        // Back to the start-up quilt once the New's is kept, then Forward to the New's again; at
        // the end, Forward does nothing but trace.
        {.key = "n", .line = "command new"},
        {.line = "quilt kept 2", .looks = {{previewArea, changed}}},
        {.key = "alt+Left", .line = "command back", .looks = {{previewArea, changed}}},
        {.key = "alt+Right", .line = "command forward", .looks = {{previewArea, changed}}},
        {.key = "alt+Right", .line = "command forward"},
        // The colour map's Load and Save; Export Tile, named on the notice line.
        {.key = "ctrl+o", .line = "command load", .dialog = "open-file", .path = PathIn("maps/red.map"),
         .looks = {{stripMiddle, red}}},
        {.key = "ctrl+shift+s", .line = "command save", .dialog = "save-file", .path = exports + "/saved",
         .looks = {{noticeArea, notice}}},
        {.key = "ctrl+s", .line = "command export-tile", .dialog = "save-file", .path = exports + "/tile",
         .looks = {{noticeArea, notice}}},
    };
    // The title carries the name of the file last written.
    const auto titleComesTo = [&](const std::string& title) {
        for (const Clock::time_point end = Clock::now() + stepLimit; Clock::now() < end; std::this_thread::sleep_for(milliseconds(50)))
            if (const std::optional<WindowPlace> place = PlaceOf(session.DisplayName(), session.Window()); place && place->title == title)
                return true;
        return false;
    };
    for (const Step& step : steps) ASSERT_TRUE(Take(session, step)) << step.line;
    EXPECT_TRUE(titleComesTo("tile.png - Tessalume"));
    EXPECT_EQ(ReadFile(folder / "opened"), "file://" + page.string());
    EXPECT_TRUE(ReadFile(exports + "/saved.map").starts_with("200.500000 0.500000 0.500000\n"));

    // Export Image by its key, with the "Output Directory" button, which the chooser covers, in view.
    constexpr Rect underChooser{272, 420, 436, 442};
    ASSERT_TRUE(Take(session, {.key = "Tab", .line = "command tab 1", .looks = {{underChooser, changed}}}));
    const Pixels clear = Shown(session, underChooser);
    ASSERT_TRUE(session.Press("ctrl+e"));
    ASSERT_TRUE(session.Expect("command export-image 4160 2816") && session.Expect("dialog save-file"));
    const std::vector<unsigned long> choosers = FindWindows(session.DisplayName(), "Save As", stepLimit);
    ASSERT_EQ(choosers.size(), 1u);
    ASSERT_TRUE(Take(session, {.looks = {{underChooser, [&](const Pixels&, const Pixels& now) { return now != clear; }}}}));
    const std::optional<WindowPlace> chooser = PlaceOf(session.DisplayName(), choosers[0]);
    const std::optional<WindowPlace> window = PlaceOf(session.DisplayName(), session.Window());
    ASSERT_TRUE(chooser && window);
    EXPECT_EQ(chooser->transientFor, session.Window());
    EXPECT_NEAR(chooser->x + chooser->width / 2, window->x + window->width / 2, 1);
    EXPECT_NEAR(chooser->y + chooser->height / 2, window->y + window->height / 2, 1);
    ASSERT_TRUE(TypePathInto(session.DisplayName(), "Save As", exports + "/wide", session.Window()));
    ASSERT_TRUE(session.Expect("answer " + exports + "/wide"));
    ASSERT_TRUE(session.Expect("exported " + exports + "/wide.png"));
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(Shown(session, underChooser), clear) << "the chooser's ghost is still on the window";
    EXPECT_TRUE(titleComesTo("wide.png - Tessalume"));
    const RgbPicture wide = DecodePng(ReadFile(exports + "/wide.png"));
    EXPECT_TRUE(wide.width == 4160 && wide.height == 2816);

    // New by either key; the quit question by its key, answered No.
    ASSERT_TRUE(Take(session, {.key = "n", .line = "command new"}));
    ASSERT_TRUE(Take(session, {.key = "space", .line = "command new"}));
    ASSERT_TRUE(Take(session, {.key = "ctrl+q", .line = "command quit"}));
    ASSERT_TRUE(Answer(session, "Escape", "No"));
}

}  // namespace
}  // namespace tessalume
