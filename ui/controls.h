// Every control of the screen. The controls show the settings and the user edits them there:
// a click or a drag changes the control, and the command behind it writes the setting.
#pragma once
#include <cstdint>
#include <span>

#include "engine/engine.h"
#include "ui/widgets.h"

namespace tessalume {

extern Button exportTileButton, exportImageButton, randomButton, outputDirectoryButton, newButton,
    aboutButton, helpButton, quitButton, loadButton, saveButton;

extern ListBox intensityList, colorMappingList, antialiasingList, resolutionList, previewTypeList,
    outputFormatList, refreshIntervalList;

extern TSelector transformBrowserI, transformBrowserII;

extern Tab panelTabs;

extern SLWindow blurringSlider, tileSizeSlider, brightnessSlider;

extern OptionsBox blurringLock, transformLockI, transformLockII, colorMapLock;

// Builds every control at its place with its labels, entries and start value, makes it
// visible, in the fixed order of the screen. Calling it again puts every field of every control
// back to its start.
void BuildControls();

// Brings the controls whose values a new quilt or a reopened recipe chooses (the blurring
// factor, the brightness, the list entries in force, the browsers' pages) in line with the
// settings.
void ShowSettings(const Settings& settings);

// The pages of the left panel. A control of the page that is not open is neither drawn nor
// tested for clicks; one of every page is always live.
inline constexpr int32_t attractorPage = 0, renderParametersPage = 1, everyPage = -1;

struct ControlPage {
    const void* control;
    int32_t page;
};

// The page of every control above, keyed by the control's address.
inline constexpr ControlPage controlPages[] = {
    {&exportTileButton, everyPage},        {&exportImageButton, everyPage},
    {&randomButton, attractorPage},        {&outputDirectoryButton, renderParametersPage},
    {&newButton, everyPage},               {&aboutButton, everyPage},
    {&helpButton, everyPage},              {&quitButton, everyPage},
    {&loadButton, attractorPage},          {&saveButton, attractorPage},
    {&intensityList, renderParametersPage}, {&colorMappingList, renderParametersPage},
    {&antialiasingList, renderParametersPage}, {&resolutionList, renderParametersPage},
    {&previewTypeList, everyPage},         {&outputFormatList, renderParametersPage},
    {&refreshIntervalList, renderParametersPage},
    {&transformBrowserI, attractorPage},   {&transformBrowserII, attractorPage},
    {&panelTabs, everyPage},
    {&blurringSlider, attractorPage},      {&tileSizeSlider, renderParametersPage},
    {&brightnessSlider, everyPage},
    {&blurringLock, attractorPage},        {&transformLockI, attractorPage},
    {&transformLockII, attractorPage},     {&colorMapLock, attractorPage},
};

// The page that shows a control; everyPage for an address that is not in the table.
constexpr int32_t PageOf(const void* control)
{
    for (const ControlPage& row : controlPages)
        if (row.control == control) return row.page;
    return everyPage;
}

// True when the control is drawn and clickable while page openPage is open.
constexpr bool ShownOnPage(const void* control, int32_t openPage)
{
    const int32_t page = PageOf(control);
    return page == everyPage || page == openPage;
}

// What a list offers as BuildControls builds it: its title, place and width, its entries (the
// labels of the table its subsystem keeps for it) and the entry selected at the start.
struct ListLayout {
    ListBox* list;
    const char* title;
    float x, y, width;
    std::span<const char* const> entries;
    int32_t start;
};
// The layout of one of the lists above; nullptr for any other address.
const ListLayout* LayoutOf(const ListBox* list);

// The "Refresh Interval" list: the refresh timer's period for each entry, and the number of its
// ticks for which the "File Exported" notice shows, about 8 seconds whatever the interval.
struct RefreshIntervalEntry {
    const char* label;
    uint32_t milliseconds;
    int32_t noticeTicks;
};
inline constexpr RefreshIntervalEntry refreshIntervalTable[] = {
    {"400ms", 400, 20}, {"600ms", 600, 13}, {"1s", 1000, 8}, {"2s", 2000, 4}, {"5s", 5000, 2},
};

}  // namespace tessalume
