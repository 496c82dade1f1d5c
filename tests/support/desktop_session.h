// What the desktop tests share: a private X server, the window program and its trace lines,
// xdotool, screenshots and an OpenGL context in the test process. Every process started here dies
// with its parent and is ended by its PID when its owner goes, so a failing test leaves nothing.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fixtures.h"

namespace tessalume {

// Runs argv (looked up in PATH) to its end on the display, or with none when it is empty.
Finished RunToEnd(const std::vector<std::string>& argv, milliseconds limit, const std::string& display = "");

// Runs xdotool on the display; true when it did what it was asked.
bool Xdotool(const std::string& display, const std::vector<std::string>& args);

// An Xvfb of our own, 1280 x 1024 x 24, on a display number it picks itself.
class VirtualDisplay {
public:
    ~VirtualDisplay();  // closes the window OpenGlWindowOn opened on it before the server ends
    // False when no server could be started; without OpenGL it offers no GLX.
    bool Start(bool withOpenGl = true);
    const std::string& Name() const { return name_; }

private:
    std::optional<ChildProcess> server_;
    std::string name_;
};

// The windows titled exactly this, waiting up to the limit for one other than besides.
std::vector<unsigned long> FindWindows(const std::string& display, const std::string& title,
                                       milliseconds limit, unsigned long besides = 0);

// Focuses the one window of that title other than besides, then presses the key in it, or types
// the path into it as into a GTK file chooser (location field, text replaced, Return).
bool PressKeyIn(const std::string& display, const std::string& title, const std::string& key,
                unsigned long besides = 0);
bool TypePathInto(const std::string& display, const std::string& title, const std::string& path,
                  unsigned long besides = 0);

// Where a window's inside is on the screen, its title and the window it is transient for (0 for
// none); nothing when it has gone.
struct WindowPlace {
    int x = 0, y = 0, width = 0, height = 0;
    std::string title;
    unsigned long transientFor = 0;
};
std::optional<WindowPlace> PlaceOf(const std::string& display, unsigned long window);

// Asks the window to close as its close box does (WM_DELETE_WINDOW).
bool SendCloseRequest(const std::string& display, unsigned long window);

// tessalume on the display with TESSALUME_TRACE=1 and these NAME=value entries, its standard
// error read line by line; ended by its PID when this goes.
class ProgramUnderTest {
public:
    ProgramUnderTest(const std::string& display, const std::vector<std::string>& args = {},
                     const std::vector<std::string>& environment = {});

    // Waits for a line that is exactly this, past the lines earlier waits took.
    bool WaitForLine(const std::string& line, milliseconds limit);
    const std::vector<std::string>& Lines() const { return lines_; }  // all read so far
    // The exit status; the rest of standard error is read meanwhile.
    std::optional<int> Wait(milliseconds limit);

private:
    bool ReadMore(milliseconds limit);

    ChildProcess process_;
    std::size_t read_ = 0;  // bytes of standard error split into lines
    std::vector<std::string> lines_;
    std::size_t taken_ = 0;
};

// The window program seeded on its own X server, with its home and settings in the scratch
// folder's "home" and "config" and these NAME=value entries besides; its window found once its
// first frame shows. End() (or the end of the object) ends it, and after a failure prints what
// it wrote: its trace and any sanitizer report.
class DesktopProgram {
public:
    ~DesktopProgram() { End(); }
    bool Start(const std::filesystem::path& scratch, const std::string& seed, std::vector<std::string> environment = {});
    ::testing::AssertionResult Ready();
    void End();

    // A click at a place of the client area in drawing coordinates (origin at the lower left, y upward).
    bool Click(int x, int y);
    // A key pressed in the window, which takes the keyboard first (xdotool's names: "ctrl+s").
    bool Press(const std::string& key);
    // The mouse wheel turned by notches at a place (positive away from the user: button 4), with
    // the modifier keys named held meanwhile ("shift", "ctrl"; none when empty).
    bool Turn(int x, int y, int notches, const std::string& held = "");
    bool Expect(const std::string& line) { return program->WaitForLine(line, milliseconds(60000)); }
    // The RGB pixels, rows from the top, of the client area from left to right and bottom to top.
    std::vector<uint8_t> Area(int left, int bottom, int right, int top) const;
    const std::string& DisplayName() const { return display_.Name(); }
    unsigned long Window() const { return window_; }

    std::optional<ProgramUnderTest> program;
    struct { int x = 0, y = 0, width = 0, height = 0; } geometry;  // the inside, on the screen

private:
    VirtualDisplay display_;
    unsigned long window_ = 0;
};

// A fresh folder for the program's files; the program ends before the folder goes.
class DesktopTest : public ScratchFolder {
protected:
    void TearDown() override
    {
        session.End();
        ScratchFolder::TearDown();
    }
    DesktopProgram session;
};

// Opens and shows the program's window with its OpenGL context current on this thread, until
// the next call or until the display goes.
bool OpenGlWindowOn(const std::string& display);

}  // namespace tessalume
