// The widgets' hit rules, edges and drags, as tables of clicks.
#include <gtest/gtest.h>

#include "ui/widgets.h"

namespace tessalume {
namespace {

// A click at (x, y), whether the widget answers true, and the selection it leaves.
struct Click {
    int32_t x, y;
    bool hit;
    int32_t selected;
};
#define AT(c) (c).x << ", " << (c).y

TEST(ButtonWidget, EdgesAreInclusiveAndAnUnconsumedClickStaysTrue)
{
    Button button{};
    button.Build(32, 148, 84, "Random");
    button.visible = true;
    const Click cases[] = {{32, 148, true, 0},  {116, 170, true, 0},  {116, 148, true, 0}, {32, 170, true, 0},
                           {31, 160, false, 0}, {117, 160, false, 0}, {60, 147, false, 0}, {60, 171, false, 0}};
    for (const Click& c : cases) {
        button.clicked = false;
        button.pressTicks = 0;
        EXPECT_EQ(button.HitTest(c.x, c.y), c.hit) << AT(c);
        EXPECT_EQ(button.pressTicks, c.hit ? 10 : 0);
    }
    button.clicked = true;  // not yet consumed by the window procedure
    EXPECT_TRUE(button.HitTest(0, 0));
    button.clicked = false;
    button.visible = false;
    EXPECT_FALSE(button.HitTest(60, 160));
}

TEST(ListBoxWidget, OnlyTheRadioColumnSelectsAndTheUpperRowWinsABoundary)
{
    const char* const entries[] = {"Off", "1.25X", "1.5X", "1.75X", "2.0X"};
    ListBox list{};
    list.Build(32, 400, 148, 5, "Antialiasing", entries);
    list.visible = true;
    // Starting from 2. Rows from the bottom show the entries from the last; 52 is the radio
    // column's right edge, 420 a shared boundary, 500..520 the title row.
    const Click cases[] = {{32, 405, true, 4},  {52, 405, true, 4},  {53, 405, false, 2}, {31, 405, false, 2},
                           {40, 400, true, 4},  {40, 420, true, 3},  {40, 490, true, 0},  {40, 500, true, 0},
                           {40, 510, false, 2}, {40, 520, false, 2}, {40, 399, false, 2}, {40, 450, true, 2}};
    for (const Click& c : cases) {
        list.selected = 2;
        EXPECT_EQ(list.HitTest(c.x, c.y), c.hit) << AT(c);
        EXPECT_EQ(list.selected, c.selected) << AT(c);
    }
    list.visible = false;
    EXPECT_FALSE(list.HitTest(40, 405));
    EXPECT_EQ(list.selected, 2);
}

TEST(OptionsBoxWidget, OnlyTheBoxTogglesEntryZero)
{
    OptionsBox box{};
    box.Build(335, 253, "&");
    box.visible = true;
    EXPECT_TRUE(box.HitTest(335, 253));
    EXPECT_TRUE(box.entryOn[0]);
    EXPECT_TRUE(box.HitTest(355, 273));
    EXPECT_FALSE(box.entryOn[0]);
    EXPECT_EQ(box.lastToggled, 0);
    // 274 is the label row.
    const Click misses[] = {{356, 260, false, 0}, {334, 260, false, 0}, {340, 274, false, 0}, {340, 252, false, 0}};
    for (const Click& c : misses) {
        box.hit = true;
        EXPECT_FALSE(box.HitTest(c.x, c.y)) << AT(c);
        EXPECT_FALSE(box.hit);
        EXPECT_FALSE(box.entryOn[0]);
    }
    box.visible = false;
    EXPECT_FALSE(box.HitTest(340, 260));
    EXPECT_FALSE(box.entryOn[0]);
}

TEST(TabWidget, TheStripStartsAt664AndTheSharedEdgeOpensPageZero)
{
    Tab tabs{};
    tabs.Build();
    tabs.visible = true;
    const Click cases[] = {{100, 663, false, 1}, {100, 664, true, 0},  {245, 670, true, 0},
                           {246, 670, true, 1},  {474, 688, true, 1},  {16, 688, true, 0},
                           {15, 670, false, 1},  {475, 670, false, 1}, {100, 689, false, 1}};
    for (const Click& c : cases) {
        tabs.selected = 1;
        EXPECT_EQ(tabs.HitTest(c.x, c.y), c.hit) << AT(c);
        EXPECT_EQ(tabs.hit, c.hit);
        EXPECT_EQ(tabs.selected, c.selected) << AT(c);
    }
    tabs.visible = false;
    EXPECT_FALSE(tabs.HitTest(100, 670));
    EXPECT_EQ(tabs.selected, 1);
}

TEST(SLWindowWidget, BuildDerivesTracksScaleAndWheelFromTheDescriptors)
{
    const char* const labels[] = {"Width", "Height"};
    const SliderRow rows[] = {{2, 8192, 1024, 1, 0, 1}, {0.5f, 4, 1, 0, 0.5f, 0}};
    SLWindow panel{};
    panel.Build(224, 576, 233, 2, "Tiled Image resolution", labels, rows);
    EXPECT_EQ(panel.halfTrack, 116);  // integer halves and quarters of the width
    EXPECT_EQ(panel.quarterTrack, 58);
    EXPECT_EQ(panel.value[0], 1024);
    EXPECT_FLOAT_EQ(panel.scale[0], 8190.0f / 232);
    EXPECT_FLOAT_EQ(panel.wheelAngle[1], 224 + 1 / (3.5f / 232));
    EXPECT_TRUE(panel.hasMinimum[0] && !panel.hasMaximum[0] && panel.showAsInteger[0]);
    EXPECT_TRUE(!panel.hasMinimum[1] && panel.hasMaximum[1] && !panel.showAsInteger[1]);  // any flag not 0 is true

    SliderRow many[SLWindow::maxRows + 5] = {};
    SLWindow tall{};
    tall.Build(0, 0, 100, SLWindow::maxRows + 5, "", nullptr, many);
    EXPECT_EQ(tall.count, SLWindow::maxRows);
}

TEST(SLWindowWidget, PressOnAnEdgeOrRowBoundaryGrabsNothing)
{
    const char* const labels[] = {"Width", "Height"};
    const SliderRow rows[] = {{2, 8192, 1024, 1, 0, 1}, {2, 8192, 1024, 1, 0, 1}};
    SLWindow panel{};
    panel.Build(224, 576, 232, 2, "Tiled Image resolution", labels, rows);
    panel.visible = true;
    // "selected" is the active row. Edges 224 and 456, bottom 576, boundaries 596 and 616, title 620.
    const Click cases[] = {{225, 580, true, 1},  {455, 615, true, 0},  {224, 580, false, 0}, {456, 580, false, 0},
                           {300, 576, false, 0}, {300, 596, false, 0}, {300, 616, false, 0}, {300, 620, false, 0}};
    for (const Click& c : cases) {
        panel.dragging = true;
        panel.activeRow = 0;
        EXPECT_EQ(panel.Press(c.x, c.y), c.hit) << AT(c);
        EXPECT_EQ(panel.dragging, c.hit);
        EXPECT_EQ(panel.activeRow, c.selected);
        if (c.hit) {
            EXPECT_EQ(panel.lastX, c.x);
        }
    }
    panel.visible = false;
    panel.dragging = true;
    EXPECT_FALSE(panel.Press(300, 580));
    EXPECT_TRUE(panel.dragging);  // an invisible panel leaves a drag alone
}

// A one-row panel from 0.5 to 2 at value 1, a pixel moving it by 0.125, pressed at x = 100.
SLWindow PressedPanel(float hasMinimum, float hasMaximum)
{
    const char* const labels[] = {" "};
    const SliderRow row{0.5f, 2.0f, 0, hasMinimum, hasMaximum, 0};
    SLWindow panel{};
    panel.Build(32, 254, 300, 1, "Attractor Blurring Factor", labels, &row);
    panel.visible = true;
    panel.value[0] = 1.0f;
    panel.scale[0] = 0.25f;
    panel.wheelAngle[0] = 10.5f;
    EXPECT_TRUE(panel.Press(100, 260));
    return panel;
}

TEST(SLWindowWidget, DragPinsAValueBeyondABoundKeepingTheWheelAndIgnoresOneOnIt)
{
    struct Case {
        const char* name;
        float hasMinimum, hasMaximum;
        int32_t toX;
        bool changed;
        float value, wheelAngle;
    };
    const Case cases[] = {
        {"free, right", 0, 0, 104, true, 1.5f, 14},       {"free, far left", 0, 0, 80, true, -1.5f, -9},
        {"lower, above", 1, 0, 98, true, 0.75f, 8},       {"lower, equal", 1, 0, 96, false, 1.0f, 10.5f},
        {"lower, below", 1, 0, 90, true, 0.5f, 10.5f},    {"upper, below", 0, 1, 104, true, 1.5f, 14},
        {"upper, equal", 0, 1, 108, false, 1.0f, 10.5f},  {"upper, above", 0, 1, 120, true, 2.0f, 10.5f},
        {"upper, far left", 0, 1, 60, true, -4.0f, -29},  {"both, between", 1, 1, 98, true, 0.75f, 8},
        {"both, at minimum", 1, 1, 96, false, 1.0f, 10.5f}, {"both, at maximum", 1, 1, 108, false, 1.0f, 10.5f},
        {"both, below", 1, 1, 80, true, 0.5f, 10.5f},     {"both, above", 1, 1, 140, true, 2.0f, 10.5f},
    };
    for (const Case& c : cases) {
        SLWindow panel = PressedPanel(c.hasMinimum, c.hasMaximum);
        EXPECT_EQ(panel.Drag(c.toX, 0), c.changed) << c.name;
        EXPECT_EQ(panel.value[0], c.value) << c.name;
        EXPECT_EQ(panel.wheelAngle[0], c.wheelAngle) << c.name;
        EXPECT_EQ(panel.lastX, c.toX) << c.name;
    }
    SLWindow pinned = PressedPanel(1, 0);
    EXPECT_TRUE(pinned.Drag(90, 0));  // pinned at 0.5
    EXPECT_TRUE(pinned.Drag(80, 0));  // further below is still a change
    EXPECT_FALSE(pinned.Drag(80, 0));  // a candidate exactly on the bound is none
    EXPECT_EQ(pinned.value[0], 0.5f);
    EXPECT_EQ(pinned.wheelAngle[0], 10.5f);
    EXPECT_TRUE(pinned.dragging);

    // Without a press, or while hidden, a drag only follows the mouse; the next one measures
    // from the last position seen, not from the press.
    SLWindow panel = PressedPanel(0, 0);
    panel.dragging = false;
    EXPECT_FALSE(panel.Drag(140, 0));
    panel.dragging = true;
    panel.visible = false;
    EXPECT_FALSE(panel.Drag(150, 0));
    EXPECT_EQ(panel.value[0], 1.0f);
    panel.visible = true;
    EXPECT_TRUE(panel.Drag(152, 0));
    EXPECT_EQ(panel.value[0], 1.25f);
}

TEST(TSelectorWidget, GridCellsCountFromTheUpperRow)
{
    TSelector browser{};
    browser.Build(500, "Transformation Browser", 0);
    browser.visible = true;
    // "selected" is the cell, starting from 3.
    const Click cases[] = {{32, 500, true, 5},  {95, 563, true, 5},   {96, 563, true, 6},
                           {96, 564, true, 1},  {32, 628, true, 0},   {351, 600, true, 4},
                           {31, 600, false, 3}, {200, 499, false, 3}, {200, 629, false, 3}};
    for (const Click& c : cases) {
        browser.cell = 3;
        browser.firstShown = 10;
        EXPECT_EQ(browser.HitTest(c.x, c.y), c.hit) << AT(c);
        EXPECT_EQ(browser.cell, c.selected) << AT(c);
        EXPECT_EQ(browser.selected, 10 + c.selected);
    }
    browser.visible = false;
    browser.selected = 7;
    EXPECT_FALSE(browser.HitTest(40, 510));
    EXPECT_EQ(browser.selected, 7);
}

TEST(TSelectorWidget, PagingStopsAtBothEndsAndMovesTheSelection)
{
    TSelector browser{};
    browser.Build(328, "Transformation II Browser", 64);
    browser.visible = true;
    browser.cell = 2;
    for (int32_t expected : {5, 10, 15, 20, 20}) {
        EXPECT_FALSE(browser.HitTest(370, 340));  // lower half of the scroll column
        EXPECT_EQ(browser.firstShown, expected);
        EXPECT_EQ(browser.selected, expected + 2);
    }
    for (int32_t expected : {15, 10, 5, 0, 0}) {
        EXPECT_FALSE(browser.HitTest(384, 456));  // right edge, top edge: pages back
        EXPECT_EQ(browser.firstShown, expected);
    }
    EXPECT_FALSE(browser.HitTest(385, 340));
    EXPECT_EQ(browser.firstShown, 0);
    // x = right is a cell of column 4 and a scroll click at once.
    browser.firstShown = 5;
    EXPECT_TRUE(browser.HitTest(352, 340));
    EXPECT_EQ(browser.cell, 9);
    EXPECT_EQ(browser.selected, 19);
}

}  // namespace
}  // namespace tessalume
