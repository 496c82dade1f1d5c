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

// Every control with the area it claims on the screen; the browsers include their scroll
// column, the lock boxes only their box.
std::vector<Rect> ControlAreas()
{
    std::vector<Rect> areas;
    auto add = [&](const char* name, const auto& c, float right, float top) {
        areas.push_back({name, &c, c.left, c.bottom, right, top});
    };
    for (auto [name, button] : {std::pair<const char*, Button*>{"exportTile", &exportTileButton},
                                {"exportImage", &exportImageButton}, {"random", &randomButton},
                                {"outputDirectory", &outputDirectoryButton}, {"new", &newButton},
                                {"about", &aboutButton}, {"help", &helpButton}, {"quit", &quitButton},
                                {"load", &loadButton}, {"save", &saveButton}})
        add(name, *button, button->right, button->top);
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

TEST(Controls, EveryControlStartsVisibleOnItsStartValue)
{
    BuildControls();
    for (const Button* b : {&exportTileButton, &exportImageButton, &randomButton, &outputDirectoryButton,
                            &newButton, &aboutButton, &helpButton, &quitButton, &loadButton, &saveButton}) {
        EXPECT_TRUE(b->visible);
        EXPECT_FALSE(b->clicked);
        EXPECT_EQ(b->top - b->bottom, 22);
    }
    EXPECT_STREQ(outputDirectoryButton.label, "Output Directory");

    struct ListStart {
        const ListBox* list;
        const char* title;
        int32_t count, selected;
        const char* entryShownFirst;
    };
    const ListStart lists[] = {
        {&intensityList, "Intensity Function", 9, 1, "Very Low Br."},
        {&colorMappingList, "Color Mapping Function", 7, 0, "Distance"},
        {&antialiasingList, "Antialiasing", 5, 0, "Off"},
        {&resolutionList, "Quilt Resolution", 3, 0, "444 x 256"},
        {&previewTypeList, "Preview Type", 2, 0, "Attractor"},
        {&outputFormatList, "Output Format", 2, 0, "PNG"},
        {&refreshIntervalList, "Refresh Interval", 5, 0, "400ms"},
    };
    for (const ListStart& l : lists) {
        EXPECT_TRUE(l.list->visible) << l.title;
        EXPECT_STREQ(l.list->title, l.title);
        EXPECT_EQ(l.list->count, l.count) << l.title;
        EXPECT_EQ(l.list->selected, l.selected) << l.title;
        EXPECT_STREQ(l.list->entries[0], l.entryShownFirst);
    }
    EXPECT_STREQ(intensityList.entries[1], "Low Brightness");
    EXPECT_STREQ(intensityList.entries[5], "Low Constrast");

    EXPECT_TRUE(panelTabs.visible);
    EXPECT_EQ(panelTabs.selected, 0);

    for (const TSelector* browser : {&transformBrowserI, &transformBrowserII}) {
        EXPECT_TRUE(browser->visible);
        EXPECT_EQ(browser->firstShown, 0);
        EXPECT_EQ(browser->selected, 0);
    }
    EXPECT_EQ(transformBrowserI.bottom, 500);
    EXPECT_EQ(transformBrowserII.iconBase, 64);

    struct PanelStart {
        const SLWindow* panel;
        int32_t count;
        float value, scale, minimum;
        bool asInteger;
    };
    const PanelStart panels[] = {
        {&blurringSlider, 1, 0, 0.01f, 0.2f, false},
        {&tileSizeSlider, 2, 1024, 4.0f, 2, true},
        {&brightnessSlider, 1, 0, 0.1f, 0, false},
    };
    for (const PanelStart& p : panels) {
        EXPECT_TRUE(p.panel->visible) << p.panel->title;
        EXPECT_EQ(p.panel->count, p.count) << p.panel->title;
        for (int32_t i = 0; i < p.count; ++i) {
            EXPECT_EQ(p.panel->value[i], p.value) << p.panel->title << " " << i;
            EXPECT_EQ(p.panel->scale[i], p.scale) << p.panel->title << " " << i;
            EXPECT_EQ(p.panel->minimum[i], p.minimum) << p.panel->title << " " << i;
            EXPECT_TRUE(p.panel->hasMinimum[i]);
            EXPECT_FALSE(p.panel->hasMaximum[i]);  // the window procedure holds the maximum
            EXPECT_EQ(p.panel->showAsInteger[i], p.asInteger);
            EXPECT_FALSE(p.panel->dragging);
        }
    }
    EXPECT_STREQ(tileSizeSlider.rowLabels[1], "Height");

    for (const OptionsBox* lock : {&blurringLock, &transformLockI, &transformLockII, &colorMapLock}) {
        EXPECT_TRUE(lock->visible);
        EXPECT_FALSE(lock->entryOn[0]);
        EXPECT_STREQ(lock->label, "&");
    }
}

TEST(Controls, BuildingAgainResetsEveryChange)
{
    BuildControls();
    intensityList.selected = 8;
    resolutionList.selected = 2;
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
    EXPECT_EQ(intensityList.selected, 1);
    EXPECT_EQ(resolutionList.selected, 0);
    EXPECT_EQ(panelTabs.selected, 0);
    EXPECT_EQ(transformBrowserI.firstShown, 0);
    EXPECT_EQ(transformBrowserII.selected, 0);
    EXPECT_EQ(tileSizeSlider.value[1], 1024);
    EXPECT_FALSE(brightnessSlider.dragging);
    EXPECT_FALSE(colorMapLock.entryOn[0]);
    EXPECT_FALSE(newButton.clicked);
    EXPECT_EQ(quitButton.pressTicks, 0);
    EXPECT_TRUE(refreshIntervalList.visible);
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
    EXPECT_EQ(PageOf(&randomButton), attractorPage);
    EXPECT_EQ(PageOf(&colorMapLock), attractorPage);
    EXPECT_EQ(PageOf(&tileSizeSlider), renderParametersPage);
    EXPECT_EQ(PageOf(&refreshIntervalList), renderParametersPage);
    EXPECT_EQ(PageOf(&previewTypeList), everyPage);
    EXPECT_TRUE(ShownOnPage(&brightnessSlider, renderParametersPage));
    EXPECT_FALSE(ShownOnPage(&blurringSlider, renderParametersPage));
    EXPECT_FALSE(ShownOnPage(&outputFormatList, attractorPage));

    // A page's controls lie on the panel under the tab strip; the common ones to its right,
    // under the preview.
    for (const Rect& a : areas) {
        ASSERT_TRUE(listed.count(a.control)) << a.name;
        if (PageOf(a.control) == everyPage) {
            EXPECT_GE(a.left, 491) << a.name;
            EXPECT_LE(a.right, 1003) << a.name;
            EXPECT_LE(a.top, 212) << a.name;
            EXPECT_GE(a.bottom, 0) << a.name;
        } else {
            EXPECT_GE(a.left, panelTabs.left) << a.name;
            EXPECT_LE(a.right, panelTabs.right) << a.name;
            EXPECT_GE(a.bottom, panelTabs.bottom) << a.name;
            EXPECT_LE(a.top, panelTabs.stripBottom) << a.name;
        }
    }

    // Controls shown together never share a pixel.
    for (int32_t page : {attractorPage, renderParametersPage}) {
        for (size_t i = 0; i < areas.size(); ++i) {
            for (size_t j = i + 1; j < areas.size(); ++j) {
                const Rect &a = areas[i], &b = areas[j];
                if (!ShownOnPage(a.control, page) || !ShownOnPage(b.control, page)) continue;
                const bool apart = a.right < b.left || b.right < a.left || a.top < b.bottom || b.top < a.bottom;
                EXPECT_TRUE(apart) << a.name << " and " << b.name;
            }
        }
    }
}

}  // namespace
}  // namespace tessalume
