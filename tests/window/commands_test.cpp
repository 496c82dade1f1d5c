// The commands driven in-process: clicks, drags and releases given straight to the shell with a
// fake platform. The worker is never started, so every request a command posts stays in view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/platform/platform.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "files/files.h"
#include "fake_desktop.h"
#include "fixtures.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

class FakePlatform : public Platform {
public:
    FakePlatform() { InstallPlatform(this); }
    ~FakePlatform() override { InstallPlatform(nullptr); }

    WindowOutcome OpenWindow(const char*, int32_t, int32_t, const IconPicture&, std::string&) override
    {
        return WindowOutcome::Opened;
    }
    void CloseWindow() override {}
    void ShowWindow() override {}
    bool PollMessage(Message&) override { return false; }
    bool WaitForMessageOrFrame(bool) override { return false; }
    void SwapBuffers() override {}
    void SetTimer(uint32_t period) override { timerPeriods.push_back(period); }
    void CaptureMouse(bool) override {}
    bool AskYesNo(const char*, const char*) override { return false; }
    void ShowMessage(const char*, const char*) override {}
    void OpenUrl(const std::string&) override {}

    std::vector<uint32_t> timerPeriods;
};

struct Point {
    int32_t x, y;
};

Point Centre(const Button& button)
{
    return {static_cast<int32_t>((button.left + button.right) / 2), static_cast<int32_t>(button.bottom + 11)};
}
// The radio mark of an entry; entry 0 is the top row.
Point Entry(const ListBox& list, int32_t entry)
{
    return {static_cast<int32_t>(list.left) + 10, static_cast<int32_t>(list.bottom) + 20 * (list.lastIndex - entry) + 10};
}
// The middle of the wheel of value index i; value 0 is the top row.
Point Wheel(const SLWindow& panel, int32_t i)
{
    return {static_cast<int32_t>((panel.left + panel.right) / 2),
            static_cast<int32_t>(panel.bottom) + 20 * (panel.count - 1 - i) + 10};
}
Point Box(const OptionsBox& lock) { return {static_cast<int32_t>(lock.left) + 10, static_cast<int32_t>(lock.bottom) + 10}; }
Point Cell(const TSelector& browser, int32_t cell) { return {browser.cellX[cell] + 32, browser.cellY[cell] + 32}; }
Point PageForward(const TSelector& browser) { return {static_cast<int32_t>(browser.right) + 16, static_cast<int32_t>(browser.bottom) + 32}; }
Point PageBack(const TSelector& browser) { return {static_cast<int32_t>(browser.right) + 16, static_cast<int32_t>(browser.top) - 32}; }
constexpr Point attractorTab{130, 676}, renderParametersTab{360, 676};

void Click(Point p)
{
    HandleLeftButtonDown(p.x, p.y);
    HandleLeftButtonUp();
}

void Drag(Point from, int32_t toX)
{
    HandleLeftButtonDown(from.x, from.y);
    HandleMouseMove(toX, from.y);
    HandleLeftButtonUp();
}

class Commands : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        ResetEngine();
        workerNotStarted = 0;  // never start it: the requests stay posted for the test to see
        lastIntensityChoice = 1;
        latticeRadius = 2.5;
        ClearRequests();
    }
    void TearDown() override
    {
        ClearRequests();
        ScratchFolder::TearDown();
    }

    static void ClearRequests()
    {
        newQuiltRequest = resetRequest = randomColorMapRequest = 0;
        clearOnReset = 1;
    }
    // The ticks since the last call: each refresh counts the notice down by one.
    int32_t Ticks()
    {
        const int32_t ticks = 1000 - exportNoticeTicks;
        exportNoticeTicks = 1000;
        return ticks;
    }
    // A refresh restarted: the timer back to 400 ms and the interval list back to "400ms".
    bool Restarted()
    {
        const bool restarted = !platform.timerPeriods.empty() && platform.timerPeriods.back() == 400 &&
                               refreshIntervalList.selected == 0;
        platform.timerPeriods.clear();
        refreshIntervalList.selected = 4;
        return restarted;
    }
    void Open(int32_t page) { Click(page == attractorPage ? attractorTab : renderParametersTab); }

    FakePlatform platform;
};

TEST_F(Commands, IntensityChoicesKeepThePictureOnlyBetweenFunctionsOnBlack)
{
    struct Case {
        int32_t previous, chosen;
        uint8_t reset, clear;
        bool restarts;
    };
    const Case cases[] = {
        {1, 1, 0, 0, false},  // the function in force: a pending reset is withdrawn
        {1, 6, 1, 0, true},   // both on black: the accumulators stay
        {6, 7, 1, 1, false},  // to white
        {7, 8, 1, 1, false},  // between the two on white
        {8, 0, 1, 1, false},  // from white
    };
    Open(renderParametersPage);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.previous) + " to " + std::to_string(c.chosen));
        lastIntensityChoice = c.previous;
        resetRequest = 1;
        clearOnReset = 1;
        Restarted();
        Click(Entry(intensityList, c.chosen));
        EXPECT_EQ(intensityList.selected, c.chosen);
        EXPECT_EQ(resetRequest, c.reset);
        EXPECT_EQ(clearOnReset, c.clear);
        EXPECT_EQ(lastIntensityChoice, c.chosen);
        EXPECT_EQ(Restarted(), c.restarts);
    }
}

TEST_F(Commands, SettingChangesRestartTheRefreshAndOtherClicksKeepTheInterval)
{
    struct Case {
        const char* what;
        int32_t page;
        Point where;
        bool resets, restarts;
        int32_t ticks;  // a restart refreshes at once, unless a new quilt is being found
    };
    const Case cases[] = {
        {"resolution", renderParametersPage, Entry(resolutionList, 1), true, true, 1},
        {"antialiasing", renderParametersPage, Entry(antialiasingList, 2), true, true, 1},
        {"colour mapping", renderParametersPage, Entry(colorMappingList, 3), true, true, 1},
        {"output format", renderParametersPage, Entry(outputFormatList, 1), false, false, 0},
        {"preview type", renderParametersPage, Entry(previewTypeList, 1), false, false, 0},
        {"another page's list", attractorPage, Entry(refreshIntervalList, 2), false, false, 0},
        {"lock", attractorPage, Box(blurringLock), false, false, 0},
        {"browser cell", attractorPage, Cell(transformBrowserI, 3), true, false, 0},
        {"random", attractorPage, Centre(randomButton), true, true, 1},
        {"new", attractorPage, Centre(newButton), false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.page);
        ClearRequests();
        Restarted();
        Ticks();
        Click(c.where);
        EXPECT_EQ(resetRequest, c.resets ? 1 : 0);
        EXPECT_EQ(Restarted(), c.restarts);
        EXPECT_EQ(Ticks(), c.ticks);
    }
    EXPECT_EQ(antialiasRadius, 1.5);
    EXPECT_EQ(refreshIntervalList.selected, 4) << "another page's list took the click";
    ClearRequests();
    Click(Centre(randomButton));
    EXPECT_EQ(randomColorMapRequest, 1) << "the worker draws the map";
    EXPECT_EQ(newQuiltRequest, 0);
    Click(Centre(newButton));
    EXPECT_EQ(newQuiltRequest, 1);
}

TEST_F(Commands, RefreshIntervalEntriesSetTheTimerAndRefreshAtOnce)
{
    const uint32_t periods[] = {400, 600, 1000, 2000, 5000};
    Open(renderParametersPage);
    for (int32_t entry = 4; entry >= 0; --entry) {
        platform.timerPeriods.clear();
        Ticks();
        Click(Entry(refreshIntervalList, entry));
        EXPECT_EQ(refreshIntervalList.selected, entry);
        EXPECT_EQ(platform.timerPeriods, std::vector<uint32_t>{periods[entry]});
        EXPECT_EQ(Ticks(), 1);
    }
}

TEST_F(Commands, BrowsersPageWithoutPickingAndACellPicksAndLocks)
{
    const struct {
        TSelector& browser;
        OptionsBox& lock;
        const int32_t& index;
        const int32_t& shown;
    } rows[] = {
        {transformBrowserI, transformLockI, transformIndexI, transformShownI},
        {transformBrowserII, transformLockII, transformIndexII, transformShownII},
    };
    for (const auto& row : rows) {
        for (int32_t expected : {5, 10, 15, 20, 20}) {
            Click(PageForward(row.browser));
            EXPECT_EQ(row.browser.firstShown, expected);
        }
        Click(PageBack(row.browser));
        EXPECT_EQ(row.browser.firstShown, 15);
        EXPECT_FALSE(row.lock.entryOn[0]) << "paging picks nothing";
        EXPECT_EQ(resetRequest, 0);

        Click(Cell(row.browser, 7));
        EXPECT_TRUE(row.lock.entryOn[0]);
        EXPECT_EQ(row.index, 22);
        EXPECT_EQ(row.shown, 22);
        EXPECT_EQ(resetRequest, 1);
        ClearRequests();
    }
}

TEST_F(Commands, TileSizeWheelsHoldAtTheLargestPicture)
{
    Open(renderParametersPage);
    const Point width = Wheel(tileSizeSlider, 0), height = Wheel(tileSizeSlider, 1);
    Drag(width, width.x + 5000);  // 2 per pixel: far beyond the largest picture
    EXPECT_EQ(tileSizeSlider.value[0], maxTiledPictureSide);
    EXPECT_EQ(tileSizeSlider.value[1], 1024);
    Drag(height, height.x + 100);
    EXPECT_EQ(tileSizeSlider.value[1], 1224);
    Drag(height, height.x - 5000);
    EXPECT_EQ(tileSizeSlider.value[1], 2) << "the wheel's own lower bound";
    Drag(width, width.x - 10);
    EXPECT_EQ(tileSizeSlider.value[0], maxTiledPictureSide - 20);
    EXPECT_FALSE(tileSizeSlider.dragging);
}

TEST_F(Commands, WheelDragsSetTheirSettings)
{
    const Point blur = Wheel(blurringSlider, 0);
    blurringSlider.value[0] = 1.0f;
    Restarted();
    HandleLeftButtonDown(blur.x, blur.y);
    HandleMouseMove(blur.x + 20, 300);  // only sideways motion counts
    EXPECT_FLOAT_EQ(blurringSlider.value[0], 1.1f);
    EXPECT_EQ(blurringFactor, static_cast<double>(blurringSlider.value[0]));
    EXPECT_EQ(blurRadius, latticeRadius * 0.001953125 * blurringFactor);
    EXPECT_EQ(resetRequest, 1);
    EXPECT_TRUE(Restarted());
    HandleLeftButtonUp();
    ClearRequests();

    // Brightness: the value follows the drag, the preview only the release.
    const Point bright = Wheel(brightnessSlider, 0);
    brightnessSlider.value[0] = 5.0f;
    Ticks();
    HandleLeftButtonDown(bright.x, bright.y);
    HandleMouseMove(bright.x - 40, bright.y);
    EXPECT_EQ(brightness, static_cast<double>(brightnessSlider.value[0]));
    EXPECT_FLOAT_EQ(brightnessSlider.value[0], 3.0f);
    EXPECT_EQ(Ticks(), 0);
    HandleLeftButtonUp();
    EXPECT_EQ(Ticks(), 1);
    EXPECT_EQ(resetRequest, 0);
    EXPECT_FALSE(Restarted()) << "a brightness change keeps the interval";
}

TEST_F(Commands, ALoadedMapIsNotOverwrittenByARandomMapStillToBeDrawn)
{
    FakeDesktop desktop;
    desktop.answer = PathIn("palette.map");
    WriteFile(*desktop.answer, "10.5 20.5 30.5\n");
    Click(Centre(randomButton));
    ASSERT_EQ(randomColorMapRequest, 1);
    Click(Centre(loadButton));
    EXPECT_EQ(randomColorMapRequest, 0);
    EXPECT_EQ(ColorMap.red[0], 10.5);
    EXPECT_EQ(ColorMap.blue[0], 30.5);
    EXPECT_EQ(resetRequest, 1);
}

}  // namespace
}  // namespace tessalume
