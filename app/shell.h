// The application shell's door: start-up, the main loop, the window procedure with its
// commands, and the refresh tick that starts the worker and feeds the preview. Everything here
// runs on the interface thread.
#pragma once
#include <cstdint>
#include <string>

#include "app/platform/platform.h"
#include "engine/engine.h"
#include "imaging/imaging.h"

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
// Frames of the refresh timer still to show "File Exported".
extern int32_t exportNoticeTicks;

bool ChooseExportFile(int32_t format);
bool ChooseColorMapFile();
void ChooseOutputDirectory();
void ExportTile();
void ExportTiledImage(int32_t width, int32_t height);
bool SaveColorMapFile();
bool LoadColorMapFile();

// ---- Trace ------------------------------------------------------------------------------

// With TESSALUME_TRACE=1 in the environment, writes one line to standard error per fact
// ("ready", each command, each dialog and its answer, "quit"); otherwise nothing.
void Trace(const std::string& line);

}  // namespace tessalume
