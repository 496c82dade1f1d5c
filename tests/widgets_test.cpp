// The widgets' hit rules, edges and drags, as tables of clicks.
#include <gtest/gtest.h>

#include <initializer_list>

#include "ui/widgets.h"

namespace tessalume {
namespace {

// A click at (x, y), whether the widget answers true, and the selection it leaves.
struct Click { int32_t x, y; bool hit; int32_t selected; };

// Each click (HitTest unless press says otherwise) goes to a fresh copy of the widget; hidden,
// the widget answers none of them and keeps its selection.
template <typename Widget, typename Selection>
void ExpectClicks(Widget widget, std::initializer_list<Click> clicks, Selection selection,
                  bool (Widget::*press)(int32_t, int32_t) = &Widget::HitTest)
{
    for (const bool visible : {true, false})
        for (const Click& c : clicks) {
            Widget copy = widget;
            copy.visible = visible;
            EXPECT_EQ((copy.*press)(c.x, c.y), c.hit && visible) << c.x << ", " << c.y;
            EXPECT_EQ(selection(copy), visible ? c.selected : selection(widget)) << c.x << ", " << c.y;
        }
}

TEST(Widgets, ButtonEdgesAreInclusiveAndAnUnconsumedClickStaysTrue)
{
    Button button{};
    button.Build(32, 148, 84, "Random");
    ExpectClicks(button,
                 {{32, 148, true, 1}, {116, 170, true, 1}, {116, 148, true, 1}, {32, 170, true, 1},
                  {31, 160, false, 0}, {117, 160, false, 0}, {60, 147, false, 0}, {60, 171, false, 0}},
                 [](const Button& b) { return b.pressTicks > 0; });
    button.clicked = true;  // not yet consumed by the window procedure
    EXPECT_TRUE(button.HitTest(0, 0));
}

TEST(Widgets, ListBoxSelectsByItsRadioColumnAndTheUpperRowWinsABoundary)
{
    ListBox list{};
    list.Build(32, 400, 148, 5, "Antialiasing", nullptr);
    list.selected = 2;
    // Rows from the bottom show the entries from the last; 52 is the radio column's right edge,
    // 420 a shared boundary, 500..520 the title row.
    ExpectClicks(list,
                 {{32, 405, true, 4}, {52, 405, true, 4}, {53, 405, false, 2}, {31, 405, false, 2},
                  {40, 400, true, 4}, {40, 420, true, 3}, {40, 490, true, 0}, {40, 500, true, 0},
                  {40, 510, false, 2}, {40, 520, false, 2}, {40, 399, false, 2}, {40, 450, true, 2}},
                 [](const ListBox& l) { return l.selected; });
}

TEST(Widgets, OnlyTheLockBoxTogglesNotItsLabelRow)
{
    OptionsBox box{};
    box.Build(335, 253, "&");
    ExpectClicks(box,
                 {{335, 253, true, 1}, {355, 273, true, 1}, {356, 260, false, 0}, {334, 260, false, 0},
                  {340, 274, false, 0}, {340, 252, false, 0}},
                 [](const OptionsBox& b) { return b.on; });
    box.visible = true;
    EXPECT_TRUE(box.HitTest(340, 260) && box.HitTest(340, 260) && !box.on) << "a second click unlocks";
}

TEST(Widgets, TabStripStartsAt664AndTheSharedEdgeOpensPageZero)
{
    Tab tabs{};
    tabs.Build();
    tabs.selected = 1;
    ExpectClicks(tabs,
                 {{100, 663, false, 1}, {100, 664, true, 0}, {245, 670, true, 0}, {246, 670, true, 1},
                  {474, 688, true, 1}, {16, 688, true, 0}, {15, 670, false, 1}, {475, 670, false, 1},
                  {100, 689, false, 1}},
                 [](const Tab& t) { return t.selected; });
}

TEST(Widgets, BrowserCellsCountFromTheUpperRowAndPagingStopsAtBothEnds)
{
    TSelector browser{};
    browser.Build(500, "Transformation Browser", 0);
    browser.cell = 3;
    browser.firstShown = 10;
    // The selection is the page's first entry plus the cell.
    ExpectClicks(browser,
                 {{32, 500, true, 15}, {95, 563, true, 15}, {96, 563, true, 16}, {96, 564, true, 11},
                  {32, 628, true, 10}, {351, 600, true, 14}, {31, 600, false, 13}, {200, 499, false, 13},
                  {200, 629, false, 13}},
                 [](const TSelector& b) { return b.selected; });

    browser.Build(328, "Transformation II Browser", 64);
    browser.visible = true;
    browser.cell = 2;
    // The scroll column's lower half pages on, its upper half (here at its right and top edges)
    // back, with the selection following.
    for (int32_t expected : {5, 10, 15, 20, 20})
        EXPECT_TRUE(!browser.HitTest(370, 340) && browser.selected == expected + 2) << expected;
    for (int32_t expected : {15, 10, 5, 0, 0})
        EXPECT_TRUE(!browser.HitTest(384, 456) && browser.selected == expected + 2) << expected;
    EXPECT_FALSE(browser.HitTest(385, 340));
    EXPECT_EQ(browser.firstShown, 0);
    // x = right is a cell of column 4 and a scroll click at once.
    browser.firstShown = 5;
    EXPECT_TRUE(browser.HitTest(352, 340));
    EXPECT_EQ(browser.selected, 19);
}

TEST(Widgets, ValuePanelTakesAnyFlagNotZeroAndAPressOnAnEdgeOrRowBoundaryGrabsNothing)
{
    const SliderRow rows[] = {{2, 8192, 1024, 1, 0, 1}, {0.5f, 4, 1, 0, 0.5f, 0}};
    SLWindow panel{};
    panel.Build(224, 576, 233, 2, "Tiled Image resolution", nullptr, rows);
    EXPECT_TRUE(panel.hasMinimum[0] && !panel.hasMaximum[0] && panel.showAsInteger[0]);
    EXPECT_TRUE(!panel.hasMinimum[1] && panel.hasMaximum[1] && !panel.showAsInteger[1]);  // any flag not 0 is true

    panel.dragging = true;  // a press ends any drag; a hidden panel leaves it alone
    // "selected" is the row dragged, -1 for none. Edges 224 and 457, bottom 576, boundaries 596
    // and 616, title 620.
    ExpectClicks(panel,
                 {{225, 580, true, 1}, {456, 615, true, 0}, {224, 580, false, -1}, {457, 580, false, -1},
                  {300, 576, false, -1}, {300, 596, false, -1}, {300, 616, false, -1}, {300, 620, false, -1}},
                 [](const SLWindow& p) { return p.dragging ? p.activeRow : -1; }, &SLWindow::Press);

    SliderRow many[SLWindow::maxRows + 5] = {};
    panel.Build(0, 0, 100, SLWindow::maxRows + 5, "", nullptr, many);
    EXPECT_EQ(panel.count, SLWindow::maxRows);
}

// A one-row panel from 0.5 to 2 at value 1, a pixel moving it by 0.125, pressed at x = 100.
SLWindow PressedPanel(float hasMinimum, float hasMaximum)
{
    const SliderRow row{0.5f, 2.0f, 0, hasMinimum, hasMaximum, 0};
    SLWindow panel{};
    panel.Build(32, 254, 300, 1, "Attractor Blurring Factor", nullptr, &row);
    panel.visible = true;
    panel.value[0] = 1.0f;
    panel.scale[0] = 0.25f;
    panel.wheelAngle[0] = 10.5f;
    EXPECT_TRUE(panel.Press(100, 260));
    return panel;
}

TEST(Widgets, ValuePanelDragPinsAValueBeyondABoundKeepingTheWheelAndIgnoresOneOnIt)
{
    struct Case { float hasMinimum, hasMaximum; int32_t toX; bool changed; float value, wheelAngle; };
    // The wheel turns by whole degrees, cut towards 0.
    for (const Case& c : {Case{0, 0, 104, true, 1.5f, 14}, {0, 0, 80, true, -1.5f, -9}, {1, 0, 98, true, 0.75f, 8},
                          {1, 0, 96, false, 1.0f, 10.5f}, {1, 0, 90, true, 0.5f, 10.5f}, {0, 1, 108, false, 1.0f, 10.5f},
                          {0, 1, 120, true, 2.0f, 10.5f}, {0, 1, 60, true, -4.0f, -29}, {1, 1, 96, false, 1.0f, 10.5f},
                          {1, 1, 108, false, 1.0f, 10.5f}, {1, 1, 80, true, 0.5f, 10.5f}, {1, 1, 140, true, 2.0f, 10.5f}}) {
        SCOPED_TRACE(testing::Message() << "bounds " << c.hasMinimum << c.hasMaximum << ", to " << c.toX);
        SLWindow panel = PressedPanel(c.hasMinimum, c.hasMaximum);
        EXPECT_EQ(panel.Drag(c.toX, 0), c.changed);
        EXPECT_EQ(panel.value[0], c.value);
        EXPECT_EQ(panel.wheelAngle[0], c.wheelAngle);
        EXPECT_EQ(panel.lastX, c.toX);
    }
    // Once pinned at 0.5, a candidate further below is still a change, one exactly on it none.
    SLWindow pinned = PressedPanel(1, 0);
    EXPECT_TRUE(pinned.Drag(90, 0) && pinned.Drag(80, 0) && !pinned.Drag(80, 0) && pinned.value[0] == 0.5f);

    // Without a press, or while hidden, a drag only follows the mouse; the next one measures
    // from the last position seen, not from the press.
    SLWindow panel = PressedPanel(0, 0);
    panel.dragging = false;
    EXPECT_FALSE(panel.Drag(140, 0));
    panel.dragging = true;
    panel.visible = false;
    EXPECT_FALSE(panel.Drag(150, 0));
    panel.visible = true;
    EXPECT_TRUE(panel.Drag(152, 0) && panel.value[0] == 1.25f);
}

}  // namespace
}  // namespace tessalume
