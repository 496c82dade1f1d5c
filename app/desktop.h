// The few desktop services the file operations need: modal file and folder choosers and a
// message box. The window program installs the GTK one (app/platform/gtk_desktop.h), tests
// install a fake.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "files/files.h"

namespace tessalume {

// What a file chooser shows: the file types (the first is selected), the extension added
// to a name typed without one, the folder it opens in (empty: the desktop chooses) and the
// name it offers (empty: none).
struct FileDialogRequest {
    FileType types[2];
    const char* defaultExtension;
    std::string startFolder;
    std::string suggestedName;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Each chooser is modal and returns the confirmed path, or nothing when the user
    // cancelled or the dialog could not be shown.
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> ChooseFolder(const std::string& startFolder) = 0;
    virtual void ShowMessage(const char* text, const char* caption) = 0;
};

// The desktop in use. Until one is installed every dialog fails and messages go nowhere.
Desktop& CurrentDesktop();
// Installs a desktop that outlives its use; nullptr puts back the one without dialogs.
void InstallDesktop(Desktop* desktop);

inline constexpr const char* readWarning =
    "Tessalume cannot read the selected file, please choose another.";
inline constexpr const char* writeWarning =
    "Tessalume cannot write in the selected directory path, please choose another destination.";
inline constexpr const char* warningCaption = "Warning";

}  // namespace tessalume
