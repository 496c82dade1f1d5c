#include <gtest/gtest.h>

#include "ui/widgets.h"

namespace tessalume {
namespace {

struct Point {
    int32_t x, y;
};

TEST(ButtonWidget, EdgesAreInclusiveAndAnUnconsumedClickStaysTrue)
{
    Button button{};
    button.Build(32, 148, 84, "Random");
    EXPECT_EQ(button.right, 116);
    EXPECT_EQ(button.top, 170);
    button.visible = true;

    struct Case {
        Point at;
        bool hit;
    };
    const Case cases[] = {
        {{32, 148}, true},  {{116, 170}, true},  {{116, 148}, true},  {{32, 170}, true},
        {{31, 160}, false}, {{117, 160}, false}, {{60, 147}, false}, {{60, 171}, false},
    };
    for (const Case& c : cases) {
        button.clicked = false;
        button.pressTicks = 0;
        EXPECT_EQ(button.HitTest(c.at.x, c.at.y), c.hit) << c.at.x << ", " << c.at.y;
        EXPECT_EQ(button.pressTicks, c.hit ? 10 : 0);
    }

    button.clicked = true;  // not yet consumed by the window procedure
    EXPECT_TRUE(button.HitTest(0, 0));
    button.clicked = false;
    button.visible = false;
    EXPECT_FALSE(button.HitTest(60, 160));
    EXPECT_FALSE(button.clicked);
}

TEST(ListBoxWidget, OnlyTheRadioColumnSelectsAndTheUpperRowWinsABoundary)
{
    const char* const entries[] = {"Off", "1.25X", "1.5X", "1.75X", "2.0X"};
    ListBox list{};
    list.Build(32, 400, 148, 5, "Antialiasing", entries);
    EXPECT_EQ(list.top, 520);
    EXPECT_EQ(list.lastIndex, 4);
    list.visible = true;

    struct Case {
        Point at;
        bool hit;
        int32_t selected;  // after the click, starting from 2
    };
    const Case cases[] = {
        {{32, 405}, true, 4},   // lowest row shows the last entry
        {{52, 405}, true, 4},   // right edge of the radio column
        {{53, 405}, false, 2},  // one pixel right of it: the entry text
        {{31, 405}, false, 2},
        {{40, 400}, true, 4},   // bottom edge
        {{40, 420}, true, 3},   // shared boundary: the upper row
        {{40, 490}, true, 0},   // top entry row
        {{40, 500}, true, 0},   // top edge of entry 0, bottom of the title
        {{40, 510}, false, 2},  // title row
        {{40, 520}, false, 2},
        {{40, 399}, false, 2},
        {{40, 450}, true, 2},   // the entry already selected still answers true
    };
    for (const Case& c : cases) {
        list.selected = 2;
        EXPECT_EQ(list.HitTest(c.at.x, c.at.y), c.hit) << c.at.x << ", " << c.at.y;
        EXPECT_EQ(list.selected, c.selected) << c.at.x << ", " << c.at.y;
    }

    list.visible = false;
    EXPECT_FALSE(list.HitTest(40, 405));
    EXPECT_EQ(list.selected, 2);
}

TEST(OptionsBoxWidget, OnlyTheBoxTogglesEntryZero)
{
    OptionsBox box{};
    box.Build(335, 253, "&");
    EXPECT_EQ(box.right, 355);
    EXPECT_EQ(box.top, 293);
    EXPECT_EQ(box.boxTop, 273);
    EXPECT_EQ(box.depth, 0.5f);
    EXPECT_EQ(box.count, 1);
    box.visible = true;

    EXPECT_TRUE(box.HitTest(335, 253));
    EXPECT_TRUE(box.entryOn[0]);
    EXPECT_TRUE(box.HitTest(355, 273));
    EXPECT_FALSE(box.entryOn[0]);
    EXPECT_EQ(box.lastToggled, 0);

    const Point misses[] = {{356, 260}, {334, 260}, {340, 274}, {340, 252}};
    for (const Point& p : misses) {
        box.hit = true;
        EXPECT_FALSE(box.HitTest(p.x, p.y)) << p.x << ", " << p.y;
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
    EXPECT_EQ(tabs.left, 16);
    EXPECT_EQ(tabs.top, 688);
    EXPECT_EQ(tabs.stripBottom, 664);
    EXPECT_STREQ(tabs.labels[1], "Render Parameters");
    tabs.visible = true;

    struct Case {
        Point at;
        bool hit;
        int32_t selected;  // after the click, starting from 1
    };
    const Case cases[] = {
        {{100, 663}, false, 1}, {{100, 664}, true, 0},  {{245, 670}, true, 0},
        {{246, 670}, true, 1},  {{474, 688}, true, 1},  {{16, 688}, true, 0},
        {{15, 670}, false, 1},  {{475, 670}, false, 1}, {{100, 689}, false, 1},
    };
    for (const Case& c : cases) {
        tabs.selected = 1;
        EXPECT_EQ(tabs.HitTest(c.at.x, c.at.y), c.hit) << c.at.x << ", " << c.at.y;
        EXPECT_EQ(tabs.hit, c.hit);
        EXPECT_EQ(tabs.selected, c.selected) << c.at.x << ", " << c.at.y;
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
    EXPECT_EQ(panel.top, 636);
    EXPECT_EQ(panel.right, 457);
    EXPECT_EQ(panel.halfTrack, 116);  // integer halves and quarters of the width
    EXPECT_EQ(panel.quarterTrack, 58);
    EXPECT_EQ(panel.value[0], 1024);
    EXPECT_EQ(panel.initialValue[1], 1);
    EXPECT_FLOAT_EQ(panel.scale[0], 8190.0f / 232);
    EXPECT_FLOAT_EQ(panel.wheelAngle[1], 224 + 1 / (3.5f / 232));
    EXPECT_TRUE(panel.hasMinimum[0]);
    EXPECT_FALSE(panel.hasMaximum[0]);
    EXPECT_TRUE(panel.showAsInteger[0]);
    EXPECT_FALSE(panel.hasMinimum[1]);
    EXPECT_TRUE(panel.hasMaximum[1]);  // any flag not 0 is true
    EXPECT_FALSE(panel.showAsInteger[1]);

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

    struct Case {
        Point at;
        bool pressed;
        int32_t activeRow;
    };
    const Case cases[] = {
        {{225, 580}, true, 1},   // lower row is the last value
        {{455, 615}, true, 0},
        {{224, 580}, false, 0},  // left edge
        {{456, 580}, false, 0},  // right edge
        {{300, 576}, false, 0},  // bottom edge
        {{300, 596}, false, 0},  // boundary between the rows
        {{300, 616}, false, 0},  // boundary to the title
        {{300, 620}, false, 0},  // title row
    };
    for (const Case& c : cases) {
        panel.dragging = true;
        panel.activeRow = 0;
        EXPECT_EQ(panel.Press(c.at.x, c.at.y), c.pressed) << c.at.x << ", " << c.at.y;
        EXPECT_EQ(panel.dragging, c.pressed);
        EXPECT_EQ(panel.activeRow, c.activeRow);
        if (c.pressed) {
            EXPECT_EQ(panel.lastX, c.at.x);
        }
    }

    panel.visible = false;
    panel.dragging = true;
    EXPECT_FALSE(panel.Press(300, 580));
    EXPECT_TRUE(panel.dragging);  // an invisible panel leaves a drag alone
}

// A one-row panel already pressed at x = 100, with the given bounds and value.
SLWindow PressedPanel(SliderRow row, float value, float scale, float wheelAngle)
{
    const char* const labels[] = {" "};
    SLWindow panel{};
    panel.Build(32, 254, 300, 1, "Attractor Blurring Factor", labels, &row);
    panel.visible = true;
    panel.value[0] = value;
    panel.scale[0] = scale;
    panel.wheelAngle[0] = wheelAngle;
    EXPECT_TRUE(panel.Press(100, 260));
    return panel;
}

TEST(SLWindowWidget, DragBeyondTheLowerBoundPinsTheValueAndKeepsTheWheel)
{
    SLWindow panel = PressedPanel({0.2f, 2.0f, 0.0f, 1, 0, 0}, 0.25f, 0.01f, 40);
    EXPECT_TRUE(panel.Drag(80, 300));  // 20 pixels to the left
    EXPECT_EQ(panel.value[0], 0.2f);
    EXPECT_EQ(panel.wheelAngle[0], 40);
    EXPECT_TRUE(panel.Drag(60, 300));  // further left: still a change
    EXPECT_EQ(panel.value[0], 0.2f);
    EXPECT_EQ(panel.wheelAngle[0], 40);
    EXPECT_FALSE(panel.Drag(60, 300));  // candidate exactly on the bound
    EXPECT_EQ(panel.value[0], 0.2f);
    EXPECT_TRUE(panel.dragging);
}

TEST(SLWindowWidget, DragBoundRules)
{
    // Binary fractions keep every candidate exact: a pixel moves the value by 0.125.
    struct Case {
        const char* name;
        float hasMinimum, hasMaximum;
        int32_t toX;  // pressed at 100
        bool changed;
        float value, wheelAngle;
    };
    const Case cases[] = {
        {"free, right", 0, 0, 104, true, 1.5f, 14},
        {"free, far left", 0, 0, 80, true, -1.5f, -9},
        {"lower, above", 1, 0, 98, true, 0.75f, 8},
        {"lower, equal", 1, 0, 96, false, 1.0f, 10.5f},
        {"lower, below", 1, 0, 90, true, 0.5f, 10.5f},
        {"upper, below", 0, 1, 104, true, 1.5f, 14},
        {"upper, equal", 0, 1, 108, false, 1.0f, 10.5f},
        {"upper, above", 0, 1, 120, true, 2.0f, 10.5f},
        {"upper, far left", 0, 1, 60, true, -4.0f, -29},
        {"both, between", 1, 1, 98, true, 0.75f, 8},
        {"both, at minimum", 1, 1, 96, false, 1.0f, 10.5f},
        {"both, at maximum", 1, 1, 108, false, 1.0f, 10.5f},
        {"both, below", 1, 1, 80, true, 0.5f, 10.5f},
        {"both, above", 1, 1, 140, true, 2.0f, 10.5f},
    };
    for (const Case& c : cases) {
        SLWindow panel = PressedPanel({0.5f, 2.0f, 0, c.hasMinimum, c.hasMaximum, 0}, 1.0f, 0.25f, 10.5f);
        EXPECT_EQ(panel.Drag(c.toX, 0), c.changed) << c.name;
        EXPECT_EQ(panel.value[0], c.value) << c.name;
        EXPECT_EQ(panel.wheelAngle[0], c.wheelAngle) << c.name;
        EXPECT_EQ(panel.lastX, c.toX) << c.name;
    }
}

TEST(SLWindowWidget, DragWithoutPressOnlyFollowsTheMouse)
{
    SLWindow panel = PressedPanel({0.5f, 2.0f, 0, 0, 0, 0}, 1.0f, 0.25f, 10.5f);
    panel.dragging = false;
    EXPECT_FALSE(panel.Drag(140, 0));
    EXPECT_EQ(panel.value[0], 1.0f);
    EXPECT_EQ(panel.lastX, 140);
    panel.dragging = true;
    panel.visible = false;
    EXPECT_FALSE(panel.Drag(150, 0));
    EXPECT_EQ(panel.lastX, 150);
    // The next drag measures from the last position seen, not from the press.
    panel.visible = true;
    EXPECT_TRUE(panel.Drag(152, 0));
    EXPECT_EQ(panel.value[0], 1.25f);
}

TEST(TSelectorWidget, GridCellsCountFromTheUpperRow)
{
    TSelector browser{};
    browser.Build(500, "Transformation Browser", 0);
    EXPECT_EQ(browser.top, 628);
    EXPECT_EQ(browser.cellX[4], 288);
    EXPECT_EQ(browser.cellX[5], 32);
    EXPECT_EQ(browser.cellY[0], 564);
    EXPECT_EQ(browser.cellY[9], 500);
    browser.visible = true;

    struct Case {
        Point at;
        bool hit;
        int32_t cell;  // after the click, starting from 3
    };
    const Case cases[] = {
        {{32, 500}, true, 5},   {{95, 563}, true, 5},   {{96, 563}, true, 6},   {{96, 564}, true, 1},
        {{32, 628}, true, 0},   {{351, 600}, true, 4},  {{31, 600}, false, 3},
        {{200, 499}, false, 3}, {{200, 629}, false, 3},
    };
    for (const Case& c : cases) {
        browser.cell = 3;
        browser.firstShown = 10;
        EXPECT_EQ(browser.HitTest(c.at.x, c.at.y), c.hit) << c.at.x << ", " << c.at.y;
        EXPECT_EQ(browser.cell, c.cell) << c.at.x << ", " << c.at.y;
        EXPECT_EQ(browser.selected, 10 + c.cell);
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

    const int32_t forward[] = {5, 10, 15, 20, 20};
    for (int32_t expected : forward) {
        EXPECT_FALSE(browser.HitTest(370, 340));  // lower half of the scroll column
        EXPECT_EQ(browser.firstShown, expected);
        EXPECT_EQ(browser.selected, expected + 2);
    }
    const int32_t back[] = {15, 10, 5, 0, 0};
    for (int32_t expected : back) {
        EXPECT_FALSE(browser.HitTest(384, 456));  // right edge, top edge: pages back
        EXPECT_EQ(browser.firstShown, expected);
    }
    EXPECT_FALSE(browser.HitTest(385, 340));
    EXPECT_EQ(browser.firstShown, 0);

    // x = right is a cell of column 4 and a scroll click at once.
    browser.firstShown = 5;
    EXPECT_TRUE(browser.HitTest(352, 340));
    EXPECT_EQ(browser.cell, 9);
    EXPECT_EQ(browser.firstShown, 10);
    EXPECT_EQ(browser.selected, 19);
}

}  // namespace
}  // namespace tessalume
