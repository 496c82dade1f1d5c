// The desktop's dialogs and message boxes through GTK 3.
#pragma once

namespace tessalume {

// Installs the GTK desktop for the file operations. GTK starts on the first dialog, keeping
// the C locale; without a display every dialog reports failure.
void UseGtkDesktop();

}  // namespace tessalume
