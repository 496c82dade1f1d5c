// The application shell's door: start-up, the main loop, the window procedure with its
// commands, and the refresh tick that starts the worker and feeds the preview. Everything here
// runs on the interface thread.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "app/platform/platform.h"
#include "engine/engine.h"
#include "imaging/imaging.h"
#include "ui/history.h"

namespace tessalume {

// The window's settings, which the controls show and edit, and the worker that grows its quilt
// from them.
extern Settings windowSettings;
extern Worker windowWorker;

// Intensity index last taken by a click on the "Intensity Function" list.
extern int32_t lastIntensityChoice;

// The address the "Help" button opens: the help page installed beside the program.
extern std::string helpPageAddress;

// ---- Start-up and main loop -------------------------------------------------------------

// Seeds: from the clock unless the command line gave --seed. Orbits: one per processor unless
// it gave --orbits.
struct StartOptions {
    bool seedGiven = false;
    uint32_t seed = 0;
    int32_t orbits = OrbitsPerProcessor();
};
// Everything from the window's creation to the first quilt and the refresh timer, in the
// start-up order. Returns the exit status to end with, or -1 to go on to the main loop.
int32_t StartUp(const StartOptions& options);
// Dispatches messages and draws paced frames until the quit question is answered Yes.
int32_t RunMessageLoop();
// Ends the main loop after the message being handled.
void PostQuit();

// ---- Window procedure and refresh -------------------------------------------------------

// Every message of the window, including the ones the shell sends itself.
void MainWindowProc(const Message& message);
// The commands behind the mouse messages, with y already flipped to drawing coordinates
// (origin at the lower left): clicks in their fixed order, drags, and the end of drags.
void HandleLeftButtonDown(int32_t x, int32_t y);
void HandleMouseMove(int32_t x, int32_t y);
void HandleLeftButtonUp();
// The mouse wheel turned by notches (positive away from the user) at a place in drawing
// coordinates: over a value panel's wheel it moves the value by the panel's step, as a drag and
// release would (ten steps with Shift; Ctrl doubles or halves a tile size); over a browser it
// pages as the arrows do (ten pages with Shift).
void HandleWheel(int32_t x, int32_t y, int32_t notches, uint8_t modifiers);
// A key pressed with the modifiers held: the command of its shortcut, if it has one.
void HandleKey(int32_t key, uint8_t modifiers);

// The commands that a click and a key both give, each tracing its line as the click does.
void OpenPage(int32_t page);
void ChooseResolution(int32_t entry);
void ChoosePreviewType(int32_t entry);
void PressExportTile();
void PressExportImage();
void PressNew();
void PressLoad();
void PressSave();
void PressAbout();
void PressHelp();
void PressQuit();

// A key and the command it gives; the help page and the manual list them by their names.
struct Shortcut {
    int32_t key;
    uint8_t modifiers;  // exactly these held
    const char* keys;   // as the help page names them, "Ctrl+Shift+S"
    void (*command)();
};
extern const std::span<const Shortcut> shortcuts;
// The quit question; Yes ends the main loop.
void AskToQuit();
// One refresh: start the worker on the first, turn the accumulators into the preview.
void RefreshTick();
// After a setting change: the timer back to 400 ms, the list to "400ms", a tick at once.
void RestartRefresh();

// ---- File operations ---------------------------------------------------------------------

// Each asks the platform for a path, then writes or reads, and tells the user when a file
// cannot be written or read.
inline constexpr const char* readWarning =
    "Tessalume cannot read the selected file, please choose another.";
inline constexpr const char* writeWarning =
    "Tessalume cannot write in the selected directory path, please choose another destination.";
inline constexpr const char* warningCaption = "Warning";

// The "Images" setting as read at start-up: where the open and folder dialogs start.
extern std::string imagesFolder;
// The path of the last confirmed file dialog.
extern std::string chosenFilePath;
// Refresh ticks still to show the notice, and what it says: "File Exported: <name>" after a
// written file, "Not Exported: <why>" after a failed one.
extern int32_t exportNoticeTicks;
extern std::string exportNotice;
// Starts the notice of a file written (what: "File Exported", "File Saved") with the file's
// name, and puts the name in the window title while it shows.
void NoticeWritten(const char* what, const std::string& path);
// Starts the notice of a file that could not be written (what: "Not Exported", "Not Saved"),
// saying why.
void NoticeNotWritten(const char* what, const std::string& reason);
// On each refresh tick: the notice counts down, and the title is the program's again at its end.
void CountNoticeDown();
// The lead and the name cut to at most columns characters: the middle of the name gives way
// to "...".
std::string FitNotice(const std::string& lead, const std::string& name, std::size_t columns);

bool ChooseExportFile(int32_t format);
bool ChooseColorMapFile();
void ChooseOutputDirectory();
// Export Tile and Export Image: the picture is copied at once and written on a thread of its
// own while the window goes on; its notice (or the warning) follows once the file is complete.
void ExportTile();
void ExportTiledImage(int32_t width, int32_t height);
// On each pass of the message loop: the notice of an export whose file has been written, if any.
void ShowFinishedExport();
// Waits for the export under way, if any, and shows its notice: before the next export, at quit.
void FinishExport();
// Whether an export is under way, its notice not yet shown.
bool ExportUnderWay();
// The share of the export under way that is written (0 to 1), once it has been under way for
// 0.3 s by the platform's clock: the frame's progress bar. Nothing before then, or with no
// export. Traces "export progress" the first time it gives a share for an export.
std::optional<double> ExportProgress();
// Called on the export thread before it writes (0 lines) and each time it has written more
// lines, so that a test can hold an export under way, or part-way.
extern std::function<void(int32_t linesWritten)> exportHoldForTests;
bool SaveColorMapFile();
bool LoadColorMapFile();
// Load's file, or one dropped on the window: a PNG or BMP carrying a recipe, or a recipe's JSON,
// reopens its quilt; anything else is read as a colour map. A file that cannot be read, or a
// picture without a usable recipe, leaves everything as it was and warns.
bool OpenFileInWindow(const std::string& path);

// ---- History ----------------------------------------------------------------------------

// The quilts passed by, as their recipes: each New's quilt and each reopened one, recorded on
// the first refresh that finds it plotting, so that its recipe holds its own orbit.
extern QuiltHistory quiltHistory;
// The next quilt found is a new one for the history (New, a reopened file; the first quilt).
void AwaitNewQuilt();
// On each refresh: the awaited quilt goes into the history once its picture has begun.
void RecordQuiltFound();
// Back and Forward: the quilt before or after in the history grows afresh from its orbit with
// its colour map and settings, the refresh back to 400 ms as after New; the locks stay. A New
// still searched for is left for the quilt it was pressed on. At either end nothing changes; the
// key still traces its line.
void PressBack();
void PressForward();
// A recipe's quilt in place of the window's: the requests not taken up are dropped (a random map
// would land on the recipe's), the controls show the recipe's values at once, and the worker
// adopts the quilt between batches. The locks stay as they were.
void GrowRecipe(const Recipe& recipe);

// ---- Trace ------------------------------------------------------------------------------

// With TESSALUME_TRACE=1 in the environment, writes one line to standard error per fact
// ("ready", each command, each dialog and its answer, "quit"); otherwise nothing.
void Trace(const std::string& line);

}  // namespace tessalume
