// The desktop services the window program stands on: one window with an OpenGL context, its
// messages, a refresh timer, mouse capture, the modal dialogs (file and folder choosers,
// questions, messages) and the URL opener. The shell only sees this interface; the program
// installs the SDL one (sdl_platform.cpp, its dialogs from GTK in gtk_dialogs.cpp), tests a
// fake. Nothing outside app/platform/ includes SDL or GTK.
#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/files.h"

namespace tessalume {

// The messages the window procedure understands. Mouse positions are client coordinates as the
// desktop gives them: origin at the upper left, y downward; the window procedure flips y.
enum class MessageKind : uint8_t {
    Create,          // the window exists; sent once, before it is first shown
    Close,           // the close box or the window manager asked to close
    Timer,           // a refresh tick
    MouseMove,
    LeftButtonDown,
    LeftButtonUp,
    KeyDown,         // a key pressed (not its repeats), with the modifiers held
    Wheel,           // the mouse wheel turned over the window, at the pointer's place
    DropFile,        // a file dropped on the window; its path in the message
    Other,           // anything the window procedure ignores
};

// Keys: a printable key by its unshifted character (letters in lower case), the others by
// these codes above the characters.
inline constexpr int32_t keyTab = '\t', keyEscape = 27, keyF1 = 0x101, keyLeft = 0x102, keyRight = 0x103;
// The modifiers held with a key or a wheel turn, or-ed together.
inline constexpr uint8_t shiftHeld = 1, ctrlHeld = 2, altHeld = 4;

struct Message {
    MessageKind kind = MessageKind::Other;
    int32_t x = 0, y = 0;
    int32_t key = 0;      // KeyDown: the key
    int32_t notches = 0;  // Wheel: notches turned, positive away from the user
    uint8_t modifiers = 0;
    std::string path = {};  // of a dropped file
};

// A picture for the window icon: 24-bit, rows bottom-up in blue-green-red order, each row
// padded to four bytes, as the bitmap resources are stored.
struct IconPicture {
    int32_t width = 0, height = 0;
    const uint8_t* bgrRows = nullptr;
};

// What a file chooser shows: the file types (the first is selected), the extension added
// to a name typed without one, the folder it opens in (empty: the desktop chooses) and the
// name it offers (empty: none).
struct FileDialogRequest {
    std::vector<FileType> types;
    const char* defaultExtension;
    std::string startFolder;
    std::string suggestedName;
};

enum class WindowOutcome : uint8_t {
    Opened,
    NoDesktop,  // no desktop display to open a window on
    NoOpenGl,   // a display, but no double-buffered RGBA OpenGL context on it
};

class Platform {
public:
    virtual ~Platform() = default;

    // Creates the window (title, client size, not resizable, centred, hidden) with a
    // double-buffered RGBA OpenGL compatibility context with depth and an 8-bit stencil, made
    // current on the calling thread. On failure, reason says what failed.
    virtual WindowOutcome OpenWindow(const char* title, int32_t width, int32_t height,
                                     const IconPicture& icon, std::string& reason) = 0;
    // Releases the context and the window.
    virtual void CloseWindow() = 0;
    virtual void ShowWindow() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // Takes the next pending message without waiting; false when none is pending.
    virtual bool PollMessage(Message& message) = 0;
    // With a frame wanted: true when the next frame is due, else waits until it is (true) or
    // until a message comes first (false). Frames follow the display's refresh rate: the
    // driver's vertical sync where it has one, else a deadline of our own. With none wanted
    // (or the window minimised), waits for a message alone (false).
    virtual bool WaitForMessageOrFrame(bool frameWanted) = 0;
    // Shows the frame drawn since the last call.
    virtual void SwapBuffers() = 0;
    // (Re)starts the refresh timer: a tick message one period from now and every period after.
    // At most one tick is ever pending, however long the messages wait to be taken.
    virtual void SetTimer(uint32_t periodMilliseconds) = 0;
    // Takes a due tick alone, leaving input waiting: for a modal dialog's loop, which runs
    // instead of the program's while the refresh must go on. False when none is due.
    virtual bool TakeDueTick() { return false; }
    // The time now, for what the window shows after a while: the steady clock, unless a test
    // drives its own.
    virtual std::chrono::steady_clock::time_point Now() const { return std::chrono::steady_clock::now(); }
    virtual void CaptureMouse(bool captured) = 0;
    // Opens the address in the user's browser; a missing opener changes nothing.
    virtual void OpenUrl(const std::string& url) = 0;

    // The modal dialogs. Each writes the trace line "dialog <kind>" as it opens and
    // "answer <answer>" as it closes (docs/trace.md). A dialog runs the desktop's loop instead
    // of the program's: the function given to WhileDialogOpen is called from it every few
    // milliseconds until the dialog closes, so that the program's own timer goes on. Each is
    // transient for the window and centred on it. Once it has closed, the function given to
    // AfterDialogClosed draws the window again, before the answer is traced or used: the work
    // that follows (an export) must not leave the dialog's ghost on the window meanwhile.
    virtual void WhileDialogOpen(void (*)()) {}
    void AfterDialogClosed(void (*repaint)()) { repaintAfterDialog = repaint; }
    // The choosers return the confirmed path, or nothing when the user cancelled or the dialog
    // could not be shown.
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request);
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request);
    std::optional<std::string> ChooseFolder(const std::string& startFolder);
    // A question with Yes (the default, Return) and No (Escape, or closing it).
    bool AskYesNo(const char* text, const char* caption);
    // A warning with one OK button.
    void ShowMessage(const char* text, const char* caption);
    // An error with one OK button, for a start-up that ends without a window.
    void ShowError(const char* text, const char* caption);

private:
    void Closed() const { if (repaintAfterDialog != nullptr) repaintAfterDialog(); }
    void (*repaintAfterDialog)() = nullptr;

    // The dialogs themselves, behind the trace.
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> FolderDialog(const std::string& startFolder) = 0;
    virtual bool QuestionBox(const char* text, const char* caption) = 0;
    virtual void MessageBox(const char* text, const char* caption) = 0;
    virtual void ErrorBox(const char* text, const char* caption) = 0;
};

// The platform in use; the window program installs the SDL one before anything else runs.
// Until then (and in tests that install none) there is no window, every dialog fails and
// messages go nowhere.
Platform& CurrentPlatform();
// Installs a platform that outlives its use; nullptr puts back the one without a desktop.
void InstallPlatform(Platform* platform);

// The SDL platform with GTK's dialogs, made once. Its OpenWindow fails with no desktop video
// driver (for instance where SDL would fall back to its invisible offscreen driver).
Platform& SdlPlatform();

}  // namespace tessalume
