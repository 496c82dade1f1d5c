// The SDL platform's dialogs through GTK 3. GTK starts on the first dialog, keeping the C locale;
// where it cannot start (no display) each function says so and shows nothing.
#pragma once
#include <optional>
#include <string>

#include "app/platform/platform.h"

namespace tessalume {

// A dialog runs GTK's loop instead of the program's: call, when given, is called from it every
// few milliseconds until the dialog closes.
void WhileGtkDialogOpen(void (*call)());

// The window the dialogs belong to: its X11 window (0 where it has none, as on Wayland) and its
// place on the screen. Each dialog is made transient for it and centred on it.
struct DialogOwner {
    unsigned long x11Window = 0;
    int x = 0, y = 0, width = 0, height = 0;
};
void SetGtkDialogOwner(const DialogOwner& owner);

// The choosers return nothing when cancelled or when GTK cannot start.
std::optional<std::string> ChooseSaveFileWithGtk(const FileDialogRequest& request);
std::optional<std::string> ChooseOpenFileWithGtk(const FileDialogRequest& request);
std::optional<std::string> ChooseFolderWithGtk(const std::string& startFolder);

// A question with Yes (the default, Return) and No (Escape, or closing it), which takes the
// keyboard when it opens. Nothing when GTK cannot start.
std::optional<bool> AskYesNoWithGtk(const char* text, const char* caption);

// A warning with an OK button; false when GTK cannot start.
bool ShowWarningWithGtk(const char* text, const char* caption);

}  // namespace tessalume
