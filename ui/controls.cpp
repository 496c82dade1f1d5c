// The screen: every control at its place with its labels, entries and start value. The tables
// are in the order the controls are built, which is also the order their display lists get.
#include "ui/controls.h"

#include <array>
#include <iterator>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"

namespace tessalume {

Button exportTileButton, exportImageButton, randomButton, outputDirectoryButton, newButton, aboutButton,
    helpButton, quitButton, loadButton, saveButton;
ListBox intensityList, colorMappingList, antialiasingList, resolutionList, previewTypeList, outputFormatList,
    refreshIntervalList;
TSelector transformBrowserI, transformBrowserII;
Tab panelTabs;
SLWindow blurringSlider, tileSizeSlider, brightnessSlider;
OptionsBox blurringLock, transformLockI, transformLockII, colorMapLock;

namespace {

struct ButtonLayout {
    Button* button;
    const char* label;
    float x, y, width;
};

constexpr ButtonLayout buttonLayouts[] = {
    {&exportTileButton, "Export Tile", 491, 180, 120},
    {&exportImageButton, "Export Image", 491, 148, 120},
    {&randomButton, "Random", 32, 148, 84},
    {&outputDirectoryButton, "Output Directory", 272, 420, 164},
    {&newButton, "New", 684, 180, 120},
    {&aboutButton, "About", 711, 8, 72},
    {&helpButton, "Help", 499, 8, 72},
    {&quitButton, "Quit", 915, 8, 72},
    {&loadButton, "Load", 208, 148, 84},
    {&saveButton, "Save", 120, 148, 84},
};

// Only the frame drawing reads this list's selection; no subsystem keeps a table for it.
constexpr const char* previewTypeEntries[] = {"Attractor", "Tiles"};

// Built in three groups: the first four, then after the browsers and tabs the next two, and
// the last one after the lock boxes.
const ListLayout listLayouts[] = {
    {&intensityList, intensityTitle, 272, 162, 164, labelsOf<intensityTable>, Settings{}.intensity},
    {&colorMappingList, colorMappingTitle, 32, 202, 192, labelsOf<colorMappingTable>, Settings{}.colorMapping},
    {&antialiasingList, antialiasingTitle, 32, 400, 148, labelsOf<antialiasingTable>, Settings{}.antialiasing},
    {&resolutionList, resolutionTitle, 32, 578, 160, labelsOf<resolutionTable>, Settings{}.resolution},
    {&previewTypeList, "Preview Type", 887, 144, 116, previewTypeEntries, 0},
    {&outputFormatList, "Output Format", 272, 460, 164, std::span(labelsOf<fileFormats>).first(outputFormatCount), 0},
    {&refreshIntervalList, "Refresh Interval", 32, 32, 160, labelsOf<refreshIntervalTable>, 0},
};

struct BrowserLayout {
    TSelector* browser;
    const char* title;
    float bottom;
    int32_t iconBase;
};

constexpr BrowserLayout browserLayouts[] = {
    {&transformBrowserI, "Transformation Browser", 500, 0},
    {&transformBrowserII, "Transformation II Browser", 328, 64},
};

// Row descriptors: minimum, maximum, initial value, lower bound, upper bound, as integer.
constexpr SliderRow blurringRows[] = {{0.2f, 2.0f, 0.0f, 1, 0, 0}};
constexpr SliderRow tileSizeRows[] = {{2, maxTiledPictureSide, 1024, 1, 0, 1}, {2, maxTiledPictureSide, 1024, 1, 0, 1}};
constexpr SliderRow brightnessRows[] = {{0, 2.0f, 0, 1, 0, 0}};
constexpr const char* blankRowLabel[] = {" "};
constexpr const char* tileSizeRowLabels[] = {"Width", "Height"};

struct PanelLayout {
    SLWindow* panel;
    const char* title;
    float x, y, width;
    std::span<const SliderRow> rows;
    const char* const* rowLabels;
    float scale;  // replaces the built scale on every row: the value change per pixel, doubled
    float step;   // the value change of one notch of the mouse wheel
};

constexpr PanelLayout panelLayouts[] = {
    {&blurringSlider, "Attractor Blurring Factor", 32, 254, 300, blurringRows, blankRowLabel, 0.01f, 0.05f},
    {&tileSizeSlider, "Tiled Image resolution", 224, 576, 232, tileSizeRows, tileSizeRowLabels, 4.0f, 16},
    {&brightnessSlider, "Brightness", 491, 74, 300, brightnessRows, blankRowLabel, 0.1f, 0.2f},
};

struct LockLayout {
    OptionsBox* lock;
    float x, y;
};

constexpr LockLayout lockLayouts[] = {
    {&blurringLock, 335, 253},
    {&transformLockI, 332, 630},
    {&transformLockII, 332, 458},
    {&colorMapLock, 294, 180},
};

constexpr const char* lockLabel = "&";

// Each control starts again from a zero-filled object, so a second build resets every field.

void BuildButtons()
{
    for (const ButtonLayout& row : buttonLayouts) {
        *row.button = Button{};
        row.button->Build(row.x, row.y, row.width, row.label);
        row.button->visible = true;
    }
}

void BuildLists(std::span<const ListLayout> rows)
{
    for (const ListLayout& row : rows) {
        *row.list = ListBox{};
        row.list->Build(row.x, row.y, row.width, static_cast<int32_t>(row.entries.size()), row.title,
                        row.entries.data());
        row.list->selected = row.start;
        row.list->visible = true;
    }
}

void BuildBrowsers()
{
    for (const BrowserLayout& row : browserLayouts) {
        *row.browser = TSelector{};
        row.browser->Build(row.bottom, row.title, row.iconBase);
        row.browser->visible = true;
    }
}

void BuildTabs()
{
    panelTabs = Tab{};
    panelTabs.Build();
    panelTabs.visible = true;
}

void BuildPanels()
{
    for (const PanelLayout& row : panelLayouts) {
        *row.panel = SLWindow{};
        const int32_t count = static_cast<int32_t>(row.rows.size());
        row.panel->Build(row.x, row.y, row.width, count, row.title, row.rowLabels, row.rows.data());
        for (int32_t i = 0; i < count; ++i) row.panel->scale[i] = row.scale;
        row.panel->step = row.step;
        row.panel->visible = true;
    }
}

void BuildLocks()
{
    for (const LockLayout& row : lockLayouts) {
        *row.lock = OptionsBox{};
        row.lock->Build(row.x, row.y, lockLabel);
        row.lock->visible = true;
    }
}

}  // namespace

const ListLayout* LayoutOf(const ListBox* list)
{
    for (const ListLayout& row : listLayouts)
        if (row.list == list) return &row;
    return nullptr;
}

void BuildControls()
{
    const std::span<const ListLayout> lists(listLayouts);
    BuildButtons();
    BuildLists(lists.first(4));
    BuildBrowsers();
    BuildTabs();
    BuildLists(lists.subspan(4, 2));
    BuildPanels();
    BuildLocks();
    BuildLists(lists.subspan(6));
}

void ShowSettings(const Settings& settings)
{
    blurringSlider.value[0] = static_cast<float>(LoadRelaxed(settings.blurringFactor));
    brightnessSlider.value[0] = static_cast<float>(LoadRelaxed(settings.brightness));
    colorMappingList.selected = LoadRelaxed(settings.colorMapping);
    resolutionList.selected = LoadRelaxed(settings.resolution);
    antialiasingList.selected = LoadRelaxed(settings.antialiasing);
    intensityList.selected = LoadRelaxed(settings.intensity);
    transformBrowserI.firstShown = LoadRelaxed(settings.browserPageI);
    transformBrowserII.firstShown = LoadRelaxed(settings.browserPageII);
}

}  // namespace tessalume
