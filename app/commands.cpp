// The commands behind the mouse. A click is tested against the controls in one fixed order: the
// tabs, then the page they leave open, then the controls of every page, so a click on a tab also
// reaches whatever lies under it on the page it opens. A drag turns the wheel that was pressed;
// releasing the button ends every drag.
//
// Each command writes a trace line "command <name> [<value>...]" as it starts; a dialog writes
// "dialog <kind>" when it opens and "answer <answer>" when it closes (docs/trace.md).
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "app/shell.h"
#include "engine/engine.h"
#include "files/desktop.h"
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

// The file dialogs of the files subsystem, traced on their way to the desktop that shows them.
class TracedDesktop : public Desktop {
public:
    Desktop* shown = nullptr;

    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override
    {
        Trace("dialog save-file");
        return Answered(shown->ChooseSaveFile(request));
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override
    {
        Trace("dialog open-file");
        return Answered(shown->ChooseOpenFile(request));
    }
    std::optional<std::string> ChooseFolder(const std::string& startFolder) override
    {
        Trace("dialog folder");
        return Answered(shown->ChooseFolder(startFolder));
    }
    void ShowMessage(const char* text, const char* caption) override
    {
        Trace(std::string("dialog ") + text);
        shown->ShowMessage(text, caption);
        Trace("answer OK");
    }

private:
    static std::optional<std::string> Answered(std::optional<std::string> path)
    {
        Trace(path ? "answer " + *path : std::string("answer cancel"));
        return path;
    }
};

// Puts the tracing wrapper around whatever desktop is installed now (the program installs its
// own during start-up, a test its fake).
void TraceDialogs()
{
    static TracedDesktop traced;
    Desktop& current = CurrentDesktop();
    if (&current == &traced) return;
    traced.shown = &current;
    InstallDesktop(&traced);
}

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
    BlankPreview();  // until the worker has applied the new size
    resetRequest.store(1);
    RestartRefresh();
}

void AntialiasingChosen()
{
    TraceCommand("antialiasing", antialiasingList.selected);
    if (const AntialiasingEntry* entry = RowOf(antialiasingTable, antialiasingList.selected))
        StoreRelaxed(antialiasRadius, entry->radius);
    resetRequest.store(1);
    FormDefaultExportName();  // the name's letter says whether antialiasing is on
    RestartRefresh();
}

bool OnWhite(int32_t intensity)
{
    const IntensityEntry* entry = RowOf(intensityTable, intensity);
    return entry != nullptr && entry->background != 0;
}

// A change to, from or between the functions that draw on white clears the picture, any other
// change keeps it. Whether to clear is set before the reset is posted, so that the worker
// taking the reset sees it. Returns whether the click goes on to the lists after this one on
// the page.
bool IntensityChosen()
{
    const int32_t previous = lastIntensityChoice;
    const int32_t chosen = intensityList.selected;
    TraceCommand("intensity", chosen);
    if (chosen == previous) {
        // The function in force again: a reset still waiting is withdrawn, and the next one
        // leaves the accumulators.
        WithdrawReset();
        clearOnReset.store(0);
        return false;
    }
    lastIntensityChoice = chosen;
    const bool keepPicture = !OnWhite(previous) && !OnWhite(chosen);
    clearOnReset.store(keepPicture ? 0 : 1);
    resetRequest.store(1);
    if (keepPicture) RestartRefresh();
    return keepPicture;
}

void ColorMappingChosen()
{
    TraceCommand("color-mapping", colorMappingList.selected);
    resetRequest.store(1);
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
        FormDefaultExportName();
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
    const char* name;
};
constexpr LockRow attractorLocks[] = {
    {&blurringLock, "blurring"}, {&transformLockI, "transform-i"}, {&transformLockII, "transform-ii"},
};

void LockClicked(OptionsBox& lock, const char* name, int32_t x, int32_t y)
{
    if (lock.HitTest(x, y)) TraceCommand(std::string("lock ") + name + (lock.on ? " on" : " off"));
}

// A cell picks the entry for the next new quilt and locks it there; the arrows only page.
struct BrowserRow {
    TSelector* browser;
    OptionsBox* lock;
    int32_t* index;
    int32_t* shown;
    const char* name;
};

void BrowserClicked(const BrowserRow& row, int32_t x, int32_t y)
{
    TSelector& browser = *row.browser;
    const int32_t firstShown = LoadRelaxed(browser.firstShown);
    const bool picked = browser.HitTest(x, y);
    if (LoadRelaxed(browser.firstShown) != firstShown)
        TraceCommand(std::string(row.name) + " page", LoadRelaxed(browser.firstShown));
    if (!picked) return;
    TraceCommand(row.name, browser.selected);
    StoreRelaxed(row.lock->on, true);
    resetRequest.store(1);
    StoreRelaxed(*row.index, browser.selected);
    StoreRelaxed(*row.shown, browser.selected);
}

void AttractorClicked(int32_t x, int32_t y)
{
    for (const LockRow& row : attractorLocks) LockClicked(*row.lock, row.name, x, y);
    blurringSlider.Press(x, y);
    BrowserClicked({&transformBrowserI, &transformLockI, &transformIndexI, &transformShownI, "transform-i"}, x, y);
    BrowserClicked({&transformBrowserII, &transformLockII, &transformIndexII, &transformShownII, "transform-ii"}, x, y);
    if (Clicked(loadButton, x, y)) {
        TraceCommand("load");
        LoadColorMapFile();  // a cancelled or unreadable file still restarts the picture
        resetRequest.store(1);
        RestartRefresh();
    }
    if (Clicked(saveButton, x, y)) {
        TraceCommand("save");
        SaveColorMapFile();
    }
    LockClicked(colorMapLock, "color-map", x, y);
    if (Clicked(randomButton, x, y)) {
        TraceCommand("random");
        randomColorMapRequest.store(1);  // drawn by the worker, the one thread that draws numbers
        resetRequest.store(1);
        RestartRefresh();
    }
}

// ---- Every page -------------------------------------------------------------------------

void EveryPageClicked(int32_t x, int32_t y)
{
    brightnessSlider.Press(x, y);
    if (Clicked(exportTileButton, x, y)) {
        TraceCommand("export-tile");
        FormDefaultExportName();
        ExportTile();
    }
    if (Clicked(exportImageButton, x, y)) {
        const int32_t width = static_cast<int32_t>(std::floor(tileSizeSlider.value[0]));
        const int32_t height = static_cast<int32_t>(std::floor(tileSizeSlider.value[1]));
        Trace("command export-image " + std::to_string(width) + " " + std::to_string(height));
        FormDefaultExportName();
        ExportTiledImage(width, height);
    }
    if (Clicked(newButton, x, y)) {
        TraceCommand("new");
        // A tick that finds a new quilt requested neither refreshes nor starts the worker: before
        // the first refresh, one is run first, or nothing would ever carry the request out.
        if (workerNotStarted.load() != 0) MainWindowProc(Message{MessageKind::Timer});
        newQuiltRequest.store(1);  // the ticks that follow wait for the search
        RestartRefresh();
    }
    if (previewTypeList.HitTest(x, y)) TraceCommand("preview-type", previewTypeList.selected);
    if (Clicked(aboutButton, x, y)) {
        TraceCommand(aboutShown ? "about hidden" : "about shown");
        aboutShown = !aboutShown;
    }
    if (Clicked(helpButton, x, y)) {
        if (helpPageAddress.empty()) helpPageAddress = FindHelpPage();
        TraceCommand("help " + helpPageAddress);
        if (!helpPageAddress.empty()) CurrentPlatform().OpenUrl(helpPageAddress);
    }
    if (Clicked(quitButton, x, y)) {
        TraceCommand("quit");
        AskToQuit();
    }
}

}  // namespace

void HandleLeftButtonDown(int32_t x, int32_t y)
{
    TraceDialogs();
    if (panelTabs.HitTest(x, y)) TraceCommand("tab", panelTabs.selected);
    if (panelTabs.selected == renderParametersPage) RenderParametersClicked(x, y);
    if (panelTabs.selected == attractorPage) AttractorClicked(x, y);
    EveryPageClicked(x, y);
}

void HandleMouseMove(int32_t x, int32_t y)
{
    if (panelTabs.selected == renderParametersPage && tileSizeSlider.Drag(x, y)) {
        // The wheels enforce only their lower bound; exports stop at this size.
        for (int32_t row = 0; row < tileSizeSlider.count; ++row)
            if (tileSizeSlider.value[row] > maxTiledPictureSide) tileSizeSlider.value[row] = maxTiledPictureSide;
    }
    if (panelTabs.selected == attractorPage && blurringSlider.Drag(x, y)) {
        const double factor = LoadRelaxed(blurringSlider.value[0]);
        StoreRelaxed(blurringFactor, factor);
        StoreRelaxed(blurRadius, BlurRadiusFor(LoadRelaxed(latticeRadius), factor));
        resetRequest.store(1);  // the picture starts afresh with the new blur
        RestartRefresh();
    }
    // The preview shows the new brightness when the button is released.
    if (brightnessSlider.Drag(x, y)) StoreRelaxed(brightness, static_cast<double>(LoadRelaxed(brightnessSlider.value[0])));
}

void HandleLeftButtonUp()
{
    if (blurringSlider.dragging) TraceCommand("blurring", LoadRelaxed(blurringSlider.value[0]));
    if (tileSizeSlider.dragging)
        Trace("command tile-size " + Number(tileSizeSlider.value[0]) + " " + Number(tileSizeSlider.value[1]));
    blurringSlider.dragging = false;
    tileSizeSlider.dragging = false;
    if (brightnessSlider.dragging) {
        TraceCommand("brightness", LoadRelaxed(brightnessSlider.value[0]));
        brightnessSlider.dragging = false;
        MainWindowProc(Message{MessageKind::Timer});
    }
}

void AskToQuit()
{
    Trace("dialog Do you want to Quit?");
    const bool yes = CurrentPlatform().AskYesNo("Do you want to Quit?", "Tessalume");
    Trace(yes ? "answer Yes" : "answer No");
    if (yes) PostQuit();
}

}  // namespace tessalume
