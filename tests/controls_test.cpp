// The screen as built: pages whose controls lie where their page is shown without ever
// overlapping. Their start values show in the drawing tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/controls.h"

namespace tessalume {
namespace {

Button* const buttons[] = {&exportTileButton, &exportImageButton, &randomButton, &outputDirectoryButton, &newButton,
                           &aboutButton, &helpButton, &quitButton, &loadButton, &saveButton};
ListBox* const lists[] = {&intensityList, &colorMappingList, &antialiasingList, &resolutionList,
                          &previewTypeList, &outputFormatList, &refreshIntervalList};

TEST(Controls, PagesMatchTheLayout)
{
    BuildControls();
    // Every control with the area it takes clicks in: the browsers with their scroll column, the
    // lock boxes only their box.
    struct Rect { std::string name; const void* control; float left, bottom, right, top; };
    std::vector<Rect> areas;
    for (const Button* c : buttons) areas.push_back({c->title, c, c->left, c->bottom, c->right, c->top});
    for (const ListBox* c : lists) areas.push_back({c->title, c, c->left, c->bottom, c->right, c->top});
    for (const TSelector* c : {&transformBrowserI, &transformBrowserII})
        areas.push_back({c->title, c, c->left, c->bottom, c->right + 32, c->top});
    for (const SLWindow* c : {&blurringSlider, &tileSizeSlider, &brightnessSlider})
        areas.push_back({c->title, c, c->left, c->bottom, c->right, c->top});
    for (const OptionsBox* c : {&blurringLock, &transformLockI, &transformLockII, &colorMapLock})
        areas.push_back({"lock at " + std::to_string(c->left), c, c->left, c->bottom, c->right, c->boxTop});
    // A page's controls lie on the panel under the tab strip; the common ones (and any the page
    // table misses) to its right, under the preview.
    for (const Rect& a : areas) {
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
