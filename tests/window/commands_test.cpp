// The commands driven in-process: clicks, drags and releases given straight to the shell with a
// fake platform.
#include <tuple>

#include "ui/draw/draw.h"
#include "window/fake_platform.h"

namespace tessalume {
namespace {

struct Point { int32_t x, y; };

int32_t Px(double coordinate) { return static_cast<int32_t>(coordinate); }
Point Centre(const Button& button) { return {Px((button.left + button.right) / 2), Px(button.bottom + 11)}; }
// The radio mark of an entry; entry 0 is the top row.
Point Entry(const ListBox& list, int32_t entry) { return {Px(list.left) + 10, Px(list.bottom) + 20 * (list.lastIndex - entry) + 10}; }
// The middle of the wheel of value index i; value 0 is the top row.
Point Wheel(const SLWindow& panel, int32_t i) { return {Px((panel.left + panel.right) / 2), Px(panel.bottom) + 20 * (panel.count - 1 - i) + 10}; }
Point Box(const OptionsBox& lock) { return {Px(lock.left) + 10, Px(lock.bottom) + 10}; }
Point Cell(const TSelector& browser, int32_t cell) { return {browser.cellX[cell] + 32, browser.cellY[cell] + 32}; }
Point PageForward(const TSelector& browser) { return {Px(browser.right) + 16, Px(browser.bottom) + 32}; }
Point PageBack(const TSelector& browser) { return {Px(browser.right) + 16, Px(browser.top) - 32}; }
constexpr Point attractorTab{130, 676}, renderParametersTab{360, 676};

void Click(Point p) { HandleLeftButtonDown(p.x, p.y); HandleLeftButtonUp(); }
void Drag(Point from, int32_t toX) { HandleLeftButtonDown(from.x, from.y); HandleMouseMove(toX, from.y); HandleLeftButtonUp(); }

constexpr const char* restart = "400 0";

class Commands : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        lastIntensityChoice = 1;
        refreshIntervalList.selected = 4;  // so that a restart shows
    }

    static int32_t Requests()
    {
        return windowWorker.NewQuiltPending() + windowWorker.RandomColorMapPending() * 2 + windowWorker.ResetPending() * 4;
    }
    // The ticks since the last call: each refresh counts the notice down by one.
    int32_t Ticks()
    {
        const int32_t ticks = 1000 - exportNoticeTicks;
        exportNoticeTicks = 1000;
        return ticks;
    }
    // The period the refresh timer was last set to since the last call and the interval list's
    // entry then, "" if it was not set: a restart gives "400 0".
    std::string Timer()
    {
        const std::vector<uint32_t>& set = platform.timerPeriods;
        const std::string timer = set.empty() ? "" : std::to_string(set.back()) + " " + std::to_string(refreshIntervalList.selected);
        platform.timerPeriods.clear();
        refreshIntervalList.selected = 4;
        return timer;
    }
    void Open(int32_t page) { Click(page == attractorPage ? attractorTab : renderParametersTab); }
};

TEST_F(Commands, IntensityChoicesKeepThePictureOnlyBetweenFunctionsOnBlack)
{
    const struct { int32_t previous, chosen; bool reset, keep; const char* timer; } cases[] = {
        {1, 1, false, true, ""},   // the function in force: the posted reset is withdrawn
        {1, 6, true, true, restart},  // both on black: the accumulators stay
        {6, 7, true, false, ""},   // to white
        {7, 8, true, false, ""},   // between the two on white
        {8, 0, true, false, ""},   // from white
    };
    Open(renderParametersPage);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.previous) + " to " + std::to_string(c.chosen));
        lastIntensityChoice = c.previous;
        windowWorker.PostReset();
        windowWorker.KeepPictureOnNextReset(false);
        Click(Entry(intensityList, c.chosen));
        EXPECT_EQ(windowWorker.ResetPending(), c.reset);
        EXPECT_EQ(windowWorker.KeepsPictureOnNextReset(), c.keep);
        EXPECT_EQ(windowSettings.intensity, c.chosen);
        EXPECT_EQ(lastIntensityChoice, c.chosen);
        EXPECT_EQ(Timer(), c.timer);
    }
}

// A refresh interval entry sets the timer and refreshes at once; changes of what the picture
// shows restart the refresh; brightness shows on the release without a reset; other clicks keep
// the interval.
TEST_F(Commands, SettingChangesRestartTheRefreshAndOtherClicksKeepTheInterval)
{
    const struct {
        const char* what;
        int32_t page;
        Point where;
        bool resets;
        const char* timer;
        int32_t ticks;  // a restart refreshes at once, unless a new quilt is being found
        int32_t posted = 0;  // a request besides the reset: 1 a new quilt, 2 a random colour map
        int32_t dragBy = 0;  // a drag from the place instead of a click
    } cases[] = {
        {"resolution", renderParametersPage, Entry(resolutionList, 1), true, restart, 1},
        {"antialiasing", renderParametersPage, Entry(antialiasingList, 2), true, restart, 1},
        {"colour mapping", renderParametersPage, Entry(colorMappingList, 3), true, restart, 1},
        {"refresh interval", renderParametersPage, Entry(refreshIntervalList, 3), false, "2000 3", 1},
        {"output format", renderParametersPage, Entry(outputFormatList, 1), false, "", 0},
        {"preview type", renderParametersPage, Entry(previewTypeList, 1), false, "", 0},
        {"lock", attractorPage, Box(blurringLock), false, "", 0},
        {"browser cell", attractorPage, Cell(transformBrowserI, 3), true, "", 0},
        {"random", attractorPage, Centre(randomButton), true, restart, 1, 2},  // the worker draws it
        {"new", attractorPage, Centre(newButton), false, restart, 0, 1},
        {"blurring", attractorPage, Wheel(blurringSlider, 0), true, restart, 1, 0, 20},
        {"brightness", attractorPage, Wheel(brightnessSlider, 0), false, "", 1, 0, -40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.page);
        windowWorker.DropRequests();
        Ticks();
        c.dragBy ? Drag(c.where, c.where.x + c.dragBy) : Click(c.where);
        EXPECT_EQ(Requests(), c.posted + (c.resets ? 4 : 0));
        EXPECT_EQ(Timer(), c.timer);
        EXPECT_EQ(Ticks(), c.ticks);
    }
    EXPECT_EQ(windowSettings.resolution, 1);
    EXPECT_EQ(windowSettings.antialiasing, 2);
    EXPECT_EQ(windowSettings.colorMapping, 3);
    EXPECT_EQ(windowSettings.outputFormat, 1);
    EXPECT_TRUE(windowSettings.blurringLocked);
    EXPECT_EQ(windowSettings.blurringFactor, static_cast<double>(blurringSlider.value[0]));
    EXPECT_EQ(windowSettings.brightness, static_cast<double>(brightnessSlider.value[0]));
}

// The arrows only page; a cell picks the entry it shows for the next new quilt and locks it.
TEST_F(Commands, BrowsersPageWithoutPickingAndACellPicksAndLocks)
{
    Settings& s = windowSettings;
    const struct { TSelector& browser; OptionsBox& lock; const bool& locked; const int32_t &index, &shown, &page; } rows[] = {
        {transformBrowserI, transformLockI, s.transformILocked, s.transformI, s.transformShownI, s.browserPageI},
        {transformBrowserII, transformLockII, s.transformIILocked, s.transformII, s.transformShownII, s.browserPageII}};
    for (const auto& row : rows) {
        for (const Point arrow : {PageForward(row.browser), PageForward(row.browser), PageBack(row.browser)}) Click(arrow);
        EXPECT_FALSE(row.lock.on || row.locked);
        EXPECT_EQ(row.page, 5);
        EXPECT_EQ(Requests(), 0);
        Click(Cell(row.browser, 7));
        EXPECT_TRUE(row.lock.on && row.locked);
        EXPECT_EQ(row.index, 12);
        EXPECT_EQ(row.shown, 12);
        EXPECT_EQ(Requests(), 4);
        windowWorker.DropRequests();
    }
}

// The tile size wheels hold at the largest picture an export makes; the lower bound is met on
// the desktop.
TEST_F(Commands, TileSizeWheelsHoldAtTheLargestExport)
{
    Open(renderParametersPage);
    for (int32_t row = 0; row < 2; ++row) {
        const Point wheel = Wheel(tileSizeSlider, row);
        Drag(wheel, wheel.x + 5000);
        EXPECT_EQ(tileSizeSlider.value[row], maxTiledPictureSide);
    }
    EXPECT_EQ(windowSettings.tiledWidth + windowSettings.tiledHeight, 2 * maxTiledPictureSide);
    EXPECT_FALSE(tileSizeSlider.dragging);
}

TEST_F(Commands, ALoadedMapIsNotOverwrittenByARandomMapStillToBeDrawn)
{
    platform.answer = PathIn("palette.map");
    WriteFile(*platform.answer, "10.5 20.5 30.5\n");
    Click(Centre(randomButton));
    ASSERT_TRUE(windowWorker.RandomColorMapPending());
    Click(Centre(loadButton));
    EXPECT_FALSE(windowWorker.RandomColorMapPending());
    EXPECT_EQ(windowWorker.quilt().colorMap.blue[0], 30.5);
    EXPECT_EQ(Requests(), 4);
}

// The wheel moves a value panel by its step, ten with Shift, and takes the value as a release
// would; Ctrl doubles or halves a tile size; each bound holds. Over a browser it pages.
TEST_F(Commands, TheWheelMovesPanelsByTheirStepAndPagesBrowsers)
{
    const struct {
        const char* what;
        int32_t page;
        SLWindow& panel;
        int32_t row, notches;
        uint8_t modifiers;
        float start, end;
        bool resets;
        const char* timer;
        int32_t ticks;  // the blurring and the brightness refresh at once, as on a release
    } cases[] = {
        {"blurring up", attractorPage, blurringSlider, 0, 1, 0, 1.0f, 1.05f, true, restart, 1},
        {"blurring down ten steps", attractorPage, blurringSlider, 0, -1, shiftHeld, 1.0f, 0.5f, true, restart, 1},
        {"blurring to its bound", attractorPage, blurringSlider, 0, -30, 0, 1.0f, 0.2f, true, restart, 1},
        {"blurring on the other page", renderParametersPage, blurringSlider, 0, 1, 0, 1.0f, 1.0f, false, "", 0},
        {"brightness", renderParametersPage, brightnessSlider, 0, 2, 0, 5.0f, 5.4f, false, "", 1},
        {"brightness to its bound", attractorPage, brightnessSlider, 0, -3, shiftHeld, 5.0f, 0.0f, false, "", 1},
        {"tile width up", renderParametersPage, tileSizeSlider, 0, 1, 0, 1024, 1040, false, "", 0},
        {"tile height down ten steps", renderParametersPage, tileSizeSlider, 1, -1, shiftHeld, 1024, 864, false, "", 0},
        {"tile width doubled", renderParametersPage, tileSizeSlider, 0, 1, ctrlHeld, 1000, 2000, false, "", 0},
        {"tile height halved", renderParametersPage, tileSizeSlider, 1, -1, ctrlHeld, 1001, 500, false, "", 0},
        {"tile width to the largest", renderParametersPage, tileSizeSlider, 0, 5, ctrlHeld, 1024, 8192, false, "", 0},
        {"tile height to its bound", renderParametersPage, tileSizeSlider, 1, -12, ctrlHeld, 1024, 2, false, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.page);
        c.panel.value[c.row] = c.start;
        windowWorker.DropRequests();
        Ticks();
        const Point at = Wheel(c.panel, c.row);
        MainWindowProc(Message{.kind = MessageKind::Wheel, .x = at.x, .y = clientHeight - at.y, .notches = c.notches,
                               .modifiers = c.modifiers});
        EXPECT_FLOAT_EQ(c.panel.value[c.row], c.end);
        EXPECT_EQ(Requests(), c.resets ? 4 : 0);
        EXPECT_EQ(Timer(), c.timer);
        EXPECT_EQ(Ticks(), c.ticks);
    }
    EXPECT_EQ(windowSettings.blurringFactor, 0.2f);
    EXPECT_EQ(windowSettings.brightness, 0.0);
    EXPECT_EQ(windowSettings.tiledWidth, 8192);
    EXPECT_EQ(windowSettings.tiledHeight, 2);

    // Toward the user the next page, away the one before; ten pages with Shift, up to the last.
    Open(attractorPage);
    const Point browser = Cell(transformBrowserII, 2);
    for (const auto& [notches, modifiers, page] : {std::tuple{-1, 0, 5}, {-1, shiftHeld, 20}, {2, 0, 10}}) {
        MainWindowProc(Message{.kind = MessageKind::Wheel, .x = browser.x, .y = clientHeight - browser.y,
                               .notches = notches, .modifiers = static_cast<uint8_t>(modifiers)});
        EXPECT_EQ(windowSettings.browserPageII, page);
    }
    EXPECT_FALSE(transformLockII.on) << "paging picks nothing";
}

// Each key gives its button's or list's command; a key with other modifiers gives none. Every
// key is named on the help page and in the manual.
TEST_F(Commands, KeysGiveTheCommandsOfTheirClicksAndAreListed)
{
    const auto press = [](int32_t key, uint8_t modifiers = 0) {
        MainWindowProc(Message{.kind = MessageKind::KeyDown, .key = key, .modifiers = modifiers});
    };
    press('n', shiftHeld);
    press('s');
    EXPECT_EQ(Requests(), 0);
    EXPECT_TRUE(platform.saveRequests.empty());
    press(' ');
    EXPECT_EQ(Requests(), 1);
    windowWorker.DropRequests();
    press('2');
    EXPECT_EQ(windowSettings.resolution, 1);
    EXPECT_EQ(Requests(), 4);
    press(keyTab);
    EXPECT_EQ(panelTabs.selected, renderParametersPage);
    press('t');
    EXPECT_EQ(previewTypeList.selected, 1);
    press(keyEscape);
    EXPECT_FALSE(aboutShown);
    aboutShown = true;
    press(keyEscape);
    EXPECT_FALSE(aboutShown);
    press('s', ctrlHeld | shiftHeld);
    press('e', ctrlHeld);
    ASSERT_EQ(platform.saveRequests.size(), 2u);
    EXPECT_STREQ(platform.saveRequests[0].defaultExtension, "map");
    EXPECT_STREQ(platform.saveRequests[1].defaultExtension, "png");

    const std::string help = ReadFile(std::string(TESSALUME_SOURCE_DIR) + "/app/help/index.html");
    const std::string manual = ReadFile(std::string(TESSALUME_SOURCE_DIR) + "/packaging/man/tessalume.1");
    for (const Shortcut& shortcut : shortcuts) {
        const std::string keys = shortcut.keys;
        EXPECT_NE(help.find("<kbd>" + keys + "</kbd>"), std::string::npos) << keys;
        EXPECT_TRUE(manual.find(".B " + keys + "\n") != std::string::npos ||
                    manual.find("\\fB" + keys + "\\fR") != std::string::npos) << keys;
    }
}

}  // namespace
}  // namespace tessalume
