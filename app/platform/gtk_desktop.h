// The desktop's dialogs and message boxes through GTK 3.
#pragma once
#include <optional>

namespace tessalume {

// Installs the GTK desktop for the file operations. GTK starts on the first dialog, keeping
// the C locale; without a display every dialog reports failure. A dialog runs GTK's loop
// instead of the program's: whileOpen, when given, is called from it every few milliseconds
// until the dialog closes, so that the program's own timer goes on.
void UseGtkDesktop(void (*whileOpen)() = nullptr);

// A modal question with Yes (the default, Return) and No (Escape, or closing it), which takes
// the keyboard when it opens. Nothing when GTK cannot start.
std::optional<bool> AskYesNoWithGtk(const char* text, const char* caption);

}  // namespace tessalume
