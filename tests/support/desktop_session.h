// What the desktop tests share: a private X server, the window program and its trace lines,
// xdotool, screenshots and an OpenGL context in the test process. Every process started here dies
// with its parent and is ended by its PID when its owner goes, so a failing test leaves nothing.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessalume {

using std::chrono::milliseconds;

// The display (none when empty), extra NAME=value entries, and where output goes (-1: nowhere).
struct SpawnOptions {
    std::string display;
    std::vector<std::string> environment;
    int outputFd = -1, errorFd = -1;
};

// Starts argv (looked up in PATH); -1 when it could not be forked.
pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {});

pid_t ForkRaw();
[[noreturn]] void EndChild(int status);

// Forks; the child runs body and ends with its result, never returning into the test.
template <typename Body>
pid_t Fork(Body body)
{
    const pid_t pid = ForkRaw();
    if (pid == 0) EndChild(body());
    return pid;
}

// A child process of the test, stopped (SIGTERM, then SIGKILL) and reaped when this goes; what
// holds one cannot be copied either.
class ChildProcess {
public:
    explicit ChildProcess(pid_t pid = -1) : pid_(pid) {}
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    bool Running();
    // The exit status (128 + signal for a signal), or nothing while it still runs at the limit.
    std::optional<int> Wait(milliseconds limit);
    void Stop();

private:
    pid_t pid_;
    std::optional<int> exitStatus_;
};

// An Xvfb of our own, 1280 x 1024 x 24, on a display number it picks itself.
class VirtualDisplay {
public:
    // Closes the window OpenGlWindowOn opened on it, then ends the server.
    ~VirtualDisplay();
    // False when no server could be started; without OpenGL it offers no GLX.
    bool Start(bool withOpenGl = true);
    const std::string& Name() const { return name_; }

private:
    std::optional<ChildProcess> server_;
    std::string name_;
};

// Runs xdotool on the display; its standard output, or nothing when it failed or ran out of time.
std::optional<std::string> Xdotool(const std::string& display, std::vector<std::string> args,
                                   milliseconds limit = milliseconds(5000));

// The windows titled exactly this, waiting up to the limit for one other than besides.
std::vector<unsigned long> FindWindows(const std::string& display, const std::string& title,
                                       milliseconds limit, unsigned long besides = 0);

// Asks the window to close as its close box does (WM_DELETE_WINDOW).
bool SendCloseRequest(const std::string& display, unsigned long window);

struct WindowGeometry { int x = 0, y = 0, width = 0, height = 0; };  // the inside, on the screen
std::optional<WindowGeometry> GeometryOf(const std::string& display, unsigned long window);

// RGB bytes, rows top to bottom.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// What the window shows now (empty when it cannot be read).
RgbImage CaptureWindow(const std::string& display, unsigned long window);

// tessalume (or TESSALUME_PROGRAM) on the display with TESSALUME_TRACE=1, its standard error read
// line by line; ended by its PID when this goes.
class ProgramUnderTest {
public:
    ProgramUnderTest(const std::string& display, const std::vector<std::string>& args = {},
                     const std::vector<std::string>& environment = {});
    ~ProgramUnderTest();

    // Waits for a line that is exactly this, past the lines earlier waits took.
    bool WaitForLine(const std::string& line, milliseconds limit);
    const std::vector<std::string>& Lines() const { return lines_; }  // all read so far
    // The exit status; the rest of standard error is read meanwhile.
    std::optional<int> Wait(milliseconds limit);

private:
    bool ReadMore(milliseconds limit);

    int errorPipe_ = -1;
    std::optional<ChildProcess> process_;
    std::string partial_;
    std::vector<std::string> lines_;
    std::size_t taken_ = 0;
};

// Runs tessalume with these arguments without a display; its exit status and standard error.
struct Finished {
    std::optional<int> status;
    std::string output, error;
};
Finished RunToEnd(const std::vector<std::string>& args, milliseconds limit);

// Opens and shows the program's window with its OpenGL context current on this thread, until
// the next call or until the display goes.
bool OpenGlWindowOn(const std::string& display);

}  // namespace tessalume
