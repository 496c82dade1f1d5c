#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace tessalume {
namespace {

struct Rect {
    std::string name;
    const void* control;
    float left, bottom, right, top;  // the area that takes clicks
};

const std::pair<const char*, Button*> buttons[] = {
    {"exportTile", &exportTileButton}, {"exportImage", &exportImageButton}, {"random", &randomButton},
    {"outputDirectory", &outputDirectoryButton}, {"new", &newButton}, {"about", &aboutButton},
    {"help", &helpButton}, {"quit", &quitButton}, {"load", &loadButton}, {"save", &saveButton}};

// Every control with the area it claims on the screen; the browsers include their scroll
// column, the lock boxes only their box.
std::vector<Rect> ControlAreas()
{
    std::vector<Rect> areas;
    auto add = [&](const char* name, const auto& c, float right, float top) {
        areas.push_back({name, &c, c.left, c.bottom, right, top});
    };
    for (auto [name, button] : buttons) add(name, *button, button->right, button->top);
    for (auto [name, list] : {std::pair<const char*, ListBox*>{"intensity", &intensityList},
                              {"colorMapping", &colorMappingList}, {"antialiasing", &antialiasingList},
                              {"resolution", &resolutionList}, {"previewType", &previewTypeList},
                              {"outputFormat", &outputFormatList}, {"refreshInterval", &refreshIntervalList}})
        add(name, *list, list->right, list->top);
    add("browserI", transformBrowserI, transformBrowserI.right + 32, transformBrowserI.top);
    add("browserII", transformBrowserII, transformBrowserII.right + 32, transformBrowserII.top);
    for (auto [name, panel] : {std::pair<const char*, SLWindow*>{"blurring", &blurringSlider},
                               {"tileSize", &tileSizeSlider}, {"brightness", &brightnessSlider}})
        add(name, *panel, panel->right, panel->top);
    for (auto [name, lock] : {std::pair<const char*, OptionsBox*>{"blurringLock", &blurringLock},
                              {"transformLockI", &transformLockI}, {"transformLockII", &transformLockII},
                              {"colorMapLock", &colorMapLock}})
        add(name, *lock, lock->right, lock->boxTop);
    return areas;
}

TEST(Controls, StartValuesAndASecondBuildResetsEveryChange)
{
    BuildControls();
    intensityList.selected = 8;
    panelTabs.selected = 1;
    transformBrowserI.firstShown = 20;
    transformBrowserII.selected = 29;
    tileSizeSlider.value[1] = 8192;
    brightnessSlider.dragging = true;
    colorMapLock.entryOn[0] = true;
    newButton.clicked = true;
    quitButton.pressTicks = 7;
    refreshIntervalList.visible = false;

    BuildControls();
    for (auto [name, b] : buttons) {
        EXPECT_TRUE(b->visible && !b->clicked && b->pressTicks == 0) << name;
        EXPECT_EQ(b->top - b->bottom, 22) << name;
    }
    const std::pair<const ListBox*, int32_t> lists[] = {  // with the selected entry
        {&intensityList, 1}, {&colorMappingList, 0}, {&antialiasingList, 0}, {&resolutionList, 0},
        {&previewTypeList, 0}, {&outputFormatList, 0}, {&refreshIntervalList, 0}};
    for (auto [list, selected] : lists) {
        EXPECT_TRUE(list->visible) << list->title;
        EXPECT_EQ(list->selected, selected) << list->title;
    }
    EXPECT_STREQ(intensityList.entries[5], "Low Constrast");
    EXPECT_EQ(panelTabs.selected, 0);
    for (const TSelector* browser : {&transformBrowserI, &transformBrowserII})
        EXPECT_TRUE(browser->visible && browser->firstShown == 0 && browser->selected == 0);

    struct PanelStart {
        const SLWindow* panel;
        int32_t count;
        float value, scale, minimum;
        bool asInteger;
    };
    for (const PanelStart& p : {PanelStart{&blurringSlider, 1, 0, 0.01f, 0.2f, false},
                                PanelStart{&tileSizeSlider, 2, 1024, 4.0f, 2, true},
                                PanelStart{&brightnessSlider, 1, 0, 0.1f, 0, false}}) {
        EXPECT_TRUE(p.panel->visible && !p.panel->dragging) << p.panel->title;
        ASSERT_EQ(p.panel->count, p.count) << p.panel->title;
        for (int32_t i = 0; i < p.count; ++i) {
            SCOPED_TRACE(std::string(p.panel->title) + " row " + std::to_string(i));
            EXPECT_EQ(p.panel->value[i], p.value);
            EXPECT_EQ(p.panel->scale[i], p.scale);
            EXPECT_EQ(p.panel->minimum[i], p.minimum);
            EXPECT_TRUE(p.panel->hasMinimum[i]);
            EXPECT_FALSE(p.panel->hasMaximum[i]);  // the window procedure holds the maximum
            EXPECT_EQ(p.panel->showAsInteger[i], p.asInteger);
        }
    }
    for (const OptionsBox* lock : {&blurringLock, &transformLockI, &transformLockII, &colorMapLock})
        EXPECT_TRUE(lock->visible && !lock->entryOn[0]);
}

TEST(Controls, EveryResolutionIsSelectableBelowTheTabStrip)
{
    BuildControls();
    EXPECT_EQ(resolutionList.top, 658);
    EXPECT_LT(resolutionList.top, panelTabs.stripBottom);
    const int32_t x = static_cast<int32_t>(resolutionList.left) + 10;
    const int32_t rowCentres[] = {628, 608, 588};  // entries 0, 1, 2 from the top
    for (int32_t entry = 0; entry < 3; ++entry) {
        EXPECT_TRUE(resolutionList.HitTest(x, rowCentres[entry]));
        EXPECT_EQ(resolutionList.selected, entry);
    }
    // The title row and the tab strip above it select nothing.
    EXPECT_FALSE(resolutionList.HitTest(x, 648));
    EXPECT_FALSE(resolutionList.HitTest(x, 664));
    EXPECT_EQ(resolutionList.selected, 2);
}

TEST(Controls, PagesMatchTheLayout)
{
    BuildControls();
    const std::vector<Rect> areas = ControlAreas();
    ASSERT_EQ(areas.size() + 1, std::size(controlPages));  // the tabs span the panel
    std::set<const void*> listed;
    for (const ControlPage& row : controlPages) EXPECT_TRUE(listed.insert(row.control).second);
    EXPECT_EQ(PageOf(&panelTabs), everyPage);
    EXPECT_EQ(PageOf(&colorMapLock), attractorPage);
    EXPECT_EQ(PageOf(&refreshIntervalList), renderParametersPage);
    EXPECT_TRUE(ShownOnPage(&brightnessSlider, renderParametersPage));
    EXPECT_FALSE(ShownOnPage(&blurringSlider, renderParametersPage));
    EXPECT_FALSE(ShownOnPage(&outputFormatList, attractorPage));

    // A page's controls lie on the panel under the tab strip; the common ones to its right,
    // under the preview.
    for (const Rect& a : areas) {
        ASSERT_TRUE(listed.count(a.control)) << a.name;
        const bool common = PageOf(a.control) == everyPage;
        EXPECT_GE(a.left, common ? 491 : panelTabs.left) << a.name;
        EXPECT_LE(a.right, common ? 1003 : panelTabs.right) << a.name;
        EXPECT_GE(a.bottom, common ? 0 : panelTabs.bottom) << a.name;
        EXPECT_LE(a.top, common ? 212 : panelTabs.stripBottom) << a.name;
    }

    // Controls shown together never share a pixel.
    for (int32_t page : {attractorPage, renderParametersPage})
        for (size_t i = 0; i < areas.size(); ++i)
            for (size_t j = i + 1; j < areas.size(); ++j) {
                const Rect &a = areas[i], &b = areas[j];
                if (!ShownOnPage(a.control, page) || !ShownOnPage(b.control, page)) continue;
                EXPECT_TRUE(a.right < b.left || b.right < a.left || a.top < b.bottom || b.top < a.bottom)
                    << a.name << " and " << b.name;
            }
}

}  // namespace
}  // namespace tessalume
