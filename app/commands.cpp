// The commands behind the mouse and the keys. A click is tested against the controls in one fixed
// order: the tabs, then the page they leave open, then the controls of every page, so a click on a
// tab also reaches whatever lies under it on the page it opens. A drag turns the wheel that was
// pressed; releasing the button ends every drag. The mouse wheel turns a value panel's wheel or
// pages a browser; a key gives the command of a click (app/shortcuts.cpp).
//
// Each command writes a trace line "command <name> [<value>...]" as it starts (docs/trace.md);
// the platform traces the dialogs.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/shell.h"
#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {

std::string helpPageAddress;

namespace {

// ---- Trace ------------------------------------------------------------------------------

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

void TraceCommand(const std::string& name) { Trace("command " + name); }
void TraceCommand(const std::string& name, double value) { Trace("command " + name + " " + Number(value)); }

// ---- Help page --------------------------------------------------------------------------

// A file URL for the path, every byte that is not unreserved or "/" percent-encoded.
std::string FileUrl(const std::string& path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

// The help page beside the program (a build tree), else where an install puts it.
std::string FindHelpPage()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (error) return {};
    for (const fs::path& page : {folder / "index.html", folder / "../share/doc/tessalume/index.html"}) {
        if (fs::is_regular_file(page, error)) return FileUrl(fs::weakly_canonical(page, error).string());
    }
    return {};
}

// ---- Buttons ----------------------------------------------------------------------------

// A button's action runs once per click: the hit is consumed before the action.
bool Clicked(Button& button, int32_t x, int32_t y)
{
    if (!button.HitTest(x, y)) return false;
    button.clicked = false;
    return true;
}

// ---- Render Parameters page -------------------------------------------------------------

void ResolutionChosen()
{
    TraceCommand("resolution", resolutionList.selected);
    StoreRelaxed(windowSettings.resolution, resolutionList.selected);
    BlankPreview();  // until the worker has applied the new size
    windowWorker.PostReset();
    RestartRefresh();
}

void AntialiasingChosen()
{
    TraceCommand("antialiasing", antialiasingList.selected);
    StoreRelaxed(windowSettings.antialiasing, antialiasingList.selected);
    windowWorker.PostReset();
    RestartRefresh();
}

bool OnWhite(int32_t intensity)
{
    const IntensityEntry* entry = RowOf(intensityTable, intensity);
    return entry != nullptr && entry->background != 0;
}

// A change to, from or between the functions that draw on white clears the picture, any other
// change keeps it. Whether to keep the picture is set before the reset is posted, so that the
// worker taking the reset sees it. Returns whether the click goes on to the lists after this one on
// the page.
bool IntensityChosen()
{
    const int32_t previous = lastIntensityChoice;
    const int32_t chosen = intensityList.selected;
    TraceCommand("intensity", chosen);
    StoreRelaxed(windowSettings.intensity, chosen);
    if (chosen == previous) {
        // The function in force again: a reset still waiting is withdrawn, and the next one
        // leaves the accumulators.
        windowWorker.WithdrawReset();
        windowWorker.KeepPictureOnNextReset(true);
        return false;
    }
    lastIntensityChoice = chosen;
    const bool keepPicture = !OnWhite(previous) && !OnWhite(chosen);
    windowWorker.KeepPictureOnNextReset(keepPicture);
    windowWorker.PostReset();
    if (keepPicture) RestartRefresh();
    return keepPicture;
}

void ColorMappingChosen()
{
    TraceCommand("color-mapping", colorMappingList.selected);
    StoreRelaxed(windowSettings.colorMapping, colorMappingList.selected);
    windowWorker.PostReset();
    RestartRefresh();
}

// Whatever the entry, the preview is refreshed at once.
void RefreshIntervalChosen()
{
    TraceCommand("refresh-interval", refreshIntervalList.selected);
    const RefreshIntervalEntry* entry = RowOf(refreshIntervalTable, refreshIntervalList.selected);
    if (entry != nullptr) CurrentPlatform().SetTimer(entry->milliseconds);
    MainWindowProc(Message{MessageKind::Timer});
}

void RenderParametersClicked(int32_t x, int32_t y)
{
    tileSizeSlider.Press(x, y);
    if (outputFormatList.HitTest(x, y)) {
        TraceCommand("output-format", outputFormatList.selected);
        windowSettings.outputFormat = outputFormatList.selected;
    }
    if (Clicked(outputDirectoryButton, x, y)) {
        TraceCommand("output-directory");
        ChooseOutputDirectory();
    }
    if (resolutionList.HitTest(x, y)) ResolutionChosen();
    if (antialiasingList.HitTest(x, y)) AntialiasingChosen();
    if (intensityList.HitTest(x, y) && !IntensityChosen()) return;
    if (colorMappingList.HitTest(x, y)) ColorMappingChosen();
    if (refreshIntervalList.HitTest(x, y)) RefreshIntervalChosen();
}

// ---- Attractor page ---------------------------------------------------------------------

struct LockRow {
    OptionsBox* lock;
    bool Settings::*locked;
    const char* name;
};
constexpr LockRow attractorLocks[] = {
    {&blurringLock, &Settings::blurringLocked, "blurring"},
    {&transformLockI, &Settings::transformILocked, "transform-i"},
    {&transformLockII, &Settings::transformIILocked, "transform-ii"},
};
constexpr LockRow colorMapLockRow{&colorMapLock, &Settings::colorMapLocked, "color-map"};

void LockClicked(const LockRow& row, int32_t x, int32_t y)
{
    if (!row.lock->HitTest(x, y)) return;
    const bool on = row.lock->on;
    TraceCommand(std::string("lock ") + row.name + (on ? " on" : " off"));
    StoreRelaxed(windowSettings.*row.locked, on);
}

// A cell picks the entry for the next new quilt and locks it there; the arrows only page.
struct BrowserRow {
    TSelector* browser;
    const LockRow& lock;
    int32_t Settings::*index;
    int32_t Settings::*shown;
    int32_t Settings::*page;
    const char* name;
};
constexpr BrowserRow browserRows[] = {
    {&transformBrowserI, attractorLocks[1], &Settings::transformI, &Settings::transformShownI,
     &Settings::browserPageI, "transform-i"},
    {&transformBrowserII, attractorLocks[2], &Settings::transformII, &Settings::transformShownII,
     &Settings::browserPageII, "transform-ii"},
};

void BrowserClicked(const BrowserRow& row, int32_t x, int32_t y)
{
    TSelector& browser = *row.browser;
    const int32_t firstShown = browser.firstShown;
    const bool picked = browser.HitTest(x, y);
    if (browser.firstShown != firstShown) {
        TraceCommand(std::string(row.name) + " page", browser.firstShown);
        StoreRelaxed(windowSettings.*row.page, browser.firstShown);
    }
    if (!picked) return;
    TraceCommand(row.name, browser.selected);
    row.lock.lock->on = true;
    StoreRelaxed(windowSettings.*row.lock.locked, true);
    windowWorker.PostReset();
    StoreRelaxed(windowSettings.*row.index, browser.selected);
    StoreRelaxed(windowSettings.*row.shown, browser.selected);
}

void AttractorClicked(int32_t x, int32_t y)
{
    for (const LockRow& row : attractorLocks) LockClicked(row, x, y);
    blurringSlider.Press(x, y);
    for (const BrowserRow& row : browserRows) BrowserClicked(row, x, y);
    if (Clicked(loadButton, x, y)) PressLoad();
    if (Clicked(saveButton, x, y)) PressSave();
    LockClicked(colorMapLockRow, x, y);
    if (Clicked(randomButton, x, y)) {
        TraceCommand("random");
        windowWorker.PostRandomColorMap();  // drawn by the worker, the one thread that draws numbers
        windowWorker.PostReset();
        RestartRefresh();
    }
}

// ---- Every page -------------------------------------------------------------------------

void EveryPageClicked(int32_t x, int32_t y)
{
    brightnessSlider.Press(x, y);
    if (Clicked(exportTileButton, x, y)) PressExportTile();
    if (Clicked(exportImageButton, x, y)) PressExportImage();
    if (Clicked(newButton, x, y)) PressNew();
    if (previewTypeList.HitTest(x, y)) TraceCommand("preview-type", previewTypeList.selected);
    if (Clicked(aboutButton, x, y)) PressAbout();
    if (Clicked(helpButton, x, y)) PressHelp();
    if (Clicked(quitButton, x, y)) PressQuit();
}

// ---- Wheels and browsers under the mouse wheel ------------------------------------------

// What a new value of a panel does, whether a drag or the mouse wheel brought it, and the
// trace and refresh of its release.
void BlurringMoved()
{
    StoreRelaxed(windowSettings.blurringFactor, static_cast<double>(blurringSlider.value[0]));
    windowWorker.PostReset();  // the picture starts afresh with the new blur
    RestartRefresh();
}

void TileSizeMoved()
{
    // The wheels enforce only their lower bound; exports stop at this size.
    for (int32_t row = 0; row < tileSizeSlider.count; ++row)
        if (tileSizeSlider.value[row] > maxTiledPictureSide) tileSizeSlider.value[row] = maxTiledPictureSide;
    windowSettings.tiledWidth = static_cast<int32_t>(std::floor(tileSizeSlider.value[0]));
    windowSettings.tiledHeight = static_cast<int32_t>(std::floor(tileSizeSlider.value[1]));
}

void TraceTileSize()
{
    Trace("command tile-size " + Number(tileSizeSlider.value[0]) + " " + Number(tileSizeSlider.value[1]));
}

void BrightnessReleased()
{
    TraceCommand("brightness", brightnessSlider.value[0]);
    MainWindowProc(Message{MessageKind::Timer});
}

// Moves row i of the panel by the notches, ten steps each with Shift; on the tile size wheels
// Ctrl doubles or halves the value per notch instead, which reaches any size in a few turns.
bool TurnPanel(SLWindow& panel, int32_t i, int32_t notches, uint8_t modifiers)
{
    if (i < 0) return false;
    float target = panel.value[i];
    if (&panel == &tileSizeSlider && (modifiers & ctrlHeld) != 0) {
        for (int32_t n = 0; n < std::abs(notches); ++n)
            target = notches > 0 ? std::min(target * 2, float{maxTiledPictureSide}) : std::floor(target / 2);
    } else {
        target += panel.step * static_cast<float>(notches) * ((modifiers & shiftHeld) != 0 ? 10.0f : 1.0f);
    }
    if (&panel == &tileSizeSlider) target = std::min(std::floor(target), float{maxTiledPictureSide});
    return panel.MoveTo(i, target);
}

// The wheel pages a browser as its arrows do: toward the user the next page, away the one before.
void PageByWheel(const BrowserRow& row, int32_t notches, uint8_t modifiers)
{
    const TSelector& browser = *row.browser;
    const int32_t arrowX = static_cast<int32_t>(browser.right) + 16;
    const int32_t arrowY = static_cast<int32_t>(notches < 0 ? browser.bottom + 32 : browser.top - 32);
    const int32_t pages = std::abs(notches) * ((modifiers & shiftHeld) != 0 ? 10 : 1);
    for (int32_t page = 0; page < pages; ++page) BrowserClicked(row, arrowX, arrowY);
}

}  // namespace

// ---- The commands of the buttons and lists, by click or by key --------------------------

void OpenPage(int32_t page)
{
    panelTabs.selected = page;
    TraceCommand("tab", page);
}

void ChooseResolution(int32_t entry)
{
    resolutionList.selected = entry;
    ResolutionChosen();
}

void ChoosePreviewType(int32_t entry)
{
    previewTypeList.selected = entry;
    TraceCommand("preview-type", entry);
}

void PressExportTile()
{
    TraceCommand("export-tile");
    ExportTile();
}

void PressExportImage()
{
    const int32_t width = windowSettings.tiledWidth, height = windowSettings.tiledHeight;
    Trace("command export-image " + std::to_string(width) + " " + std::to_string(height));
    ExportTiledImage(width, height);
}

void PressNew()
{
    TraceCommand("new");
    // A tick that finds a new quilt requested neither refreshes nor starts the worker: before
    // the first refresh, one is run first, or nothing would ever carry the request out.
    if (windowWorker.state() == Worker::State::notStarted) MainWindowProc(Message{MessageKind::Timer});
    windowWorker.PostNewQuilt();  // the ticks that follow wait for the search
    AwaitNewQuilt();
    RestartRefresh();
}

void PressLoad()
{
    TraceCommand("load");
    LoadColorMapFile();  // a cancelled or unreadable file still restarts the picture
    windowWorker.PostReset();
    RestartRefresh();
}

void PressSave()
{
    TraceCommand("save");
    SaveColorMapFile();
}

void PressAbout()
{
    TraceCommand(aboutShown ? "about hidden" : "about shown");
    aboutShown = !aboutShown;
}

void PressHelp()
{
    if (helpPageAddress.empty()) helpPageAddress = FindHelpPage();
    TraceCommand("help " + helpPageAddress);
    if (!helpPageAddress.empty()) CurrentPlatform().OpenUrl(helpPageAddress);
}

void PressQuit()
{
    TraceCommand("quit");
    AskToQuit();
}

// ---- Mouse ------------------------------------------------------------------------------

void HandleLeftButtonDown(int32_t x, int32_t y)
{
    if (panelTabs.HitTest(x, y)) OpenPage(panelTabs.selected);
    if (panelTabs.selected == renderParametersPage) RenderParametersClicked(x, y);
    if (panelTabs.selected == attractorPage) AttractorClicked(x, y);
    EveryPageClicked(x, y);
}

void HandleMouseMove(int32_t x, int32_t y)
{
    if (panelTabs.selected == renderParametersPage && tileSizeSlider.Drag(x, y)) TileSizeMoved();
    if (panelTabs.selected == attractorPage && blurringSlider.Drag(x, y)) BlurringMoved();
    // The preview shows the new brightness when the button is released.
    if (brightnessSlider.Drag(x, y)) StoreRelaxed(windowSettings.brightness, static_cast<double>(brightnessSlider.value[0]));
}

void HandleLeftButtonUp()
{
    if (blurringSlider.dragging) TraceCommand("blurring", blurringSlider.value[0]);
    if (tileSizeSlider.dragging) TraceTileSize();
    blurringSlider.dragging = false;
    tileSizeSlider.dragging = false;
    if (brightnessSlider.dragging) {
        brightnessSlider.dragging = false;
        BrightnessReleased();
    }
}

void HandleWheel(int32_t x, int32_t y, int32_t notches, uint8_t modifiers)
{
    // Turned over a value panel's wheel, the value moves and is taken as on a release.
    if (panelTabs.selected == attractorPage && TurnPanel(blurringSlider, blurringSlider.RowAt(x, y), notches, modifiers)) {
        TraceCommand("blurring", blurringSlider.value[0]);
        BlurringMoved();
    }
    if (panelTabs.selected == renderParametersPage &&
        TurnPanel(tileSizeSlider, tileSizeSlider.RowAt(x, y), notches, modifiers)) {
        TileSizeMoved();
        TraceTileSize();
    }
    if (TurnPanel(brightnessSlider, brightnessSlider.RowAt(x, y), notches, modifiers)) {
        StoreRelaxed(windowSettings.brightness, static_cast<double>(brightnessSlider.value[0]));
        BrightnessReleased();
    }
    if (panelTabs.selected != attractorPage) return;
    for (const BrowserRow& row : browserRows) {
        const TSelector& browser = *row.browser;
        if (x >= browser.left && x <= browser.right + 32 && y >= browser.bottom && y <= browser.top)
            PageByWheel(row, notches, modifiers);
    }
}

void AskToQuit()
{
    if (CurrentPlatform().AskYesNo("Do you want to Quit?", "Tessalume")) PostQuit();
}

}  // namespace tessalume
