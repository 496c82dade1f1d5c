#include "support/desktop_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/platform/platform.h"
#include "ui/draw/draw.h"

extern char** environ;

namespace tessalume {

namespace {

using Clock = std::chrono::steady_clock;

milliseconds Left(Clock::time_point end)
{
    return std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(end - Clock::now()));
}

bool SameName(const char* entry, const std::string& assignment)
{
    const std::size_t equals = assignment.find('=');
    return std::strncmp(entry, assignment.c_str(), equals + 1) == 0;
}

// Reads what is there within the limit; false at its end, on end of file or on an error.
bool ReadSome(int fd, std::string& into, milliseconds limit)
{
    pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(limit.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t length = read(fd, buffer, sizeof buffer);
    if (length <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(length));
    return true;
}

std::string ReadAll(int fd, Clock::time_point end)
{
    std::string text;
    while (ReadSome(fd, text, Left(end))) {
    }
    return text;
}

// An Xlib connection for one call. A request about a window that has gone (the program ended
// meanwhile) fails that call rather than Xlib's default handler ending the test process.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

class XConnection {
public:
    explicit XConnection(const std::string& display) : x(XOpenDisplay(display.c_str()))
    {
        XSetErrorHandler(IgnoreXError);
    }
    ~XConnection()
    {
        if (x) XCloseDisplay(x);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    Display* x;
};

// The program under test: TESSALUME_PROGRAM when set (another build of it, say with a
// sanitizer), else the one built beside these tests.
std::string ProgramPath()
{
    const char* path = std::getenv("TESSALUME_PROGRAM");
    return path != nullptr && *path != '\0' ? path : TESSALUME_PROGRAM_PATH;
}

int ShiftOf(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++shift;
    return shift;
}

}  // namespace

pid_t ForkRaw()
{
    std::fflush(nullptr);
    return fork();
}

void EndChild(int status)
{
    _exit(status);
}

pid_t Spawn(const std::vector<std::string>& argv, const SpawnOptions& options)
{
    // Everything the child needs is made before the fork.
    std::vector<std::string> added = options.environment;
    if (!options.display.empty()) added.push_back("DISPLAY=" + options.display);
    std::vector<char*> args, envp;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    for (char** entry = environ; *entry; ++entry) {
        bool replaced = std::strncmp(*entry, "DISPLAY=", 8) == 0 || std::strncmp(*entry, "WAYLAND_DISPLAY=", 16) == 0;
        for (const std::string& assignment : added) replaced = replaced || SameName(*entry, assignment);
        if (!replaced) envp.push_back(*entry);
    }
    for (const std::string& assignment : added) envp.push_back(const_cast<char*>(assignment.c_str()));
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    return Fork([&] {
        // Dies with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) return 126;
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(options.outputFd >= 0 ? options.outputFd : null, 1);
        dup2(options.errorFd >= 0 ? options.errorFd : null, 2);
        execvpe(args[0], args.data(), envp.data());
        return 127;
    });
}

bool ChildProcess::Running()
{
    if (pid_ < 0 || exitStatus_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

std::optional<int> ChildProcess::Wait(milliseconds limit)
{
    const Clock::time_point end = Clock::now() + limit;
    while (Running() && Clock::now() < end) std::this_thread::sleep_for(milliseconds(10));
    Running();
    return exitStatus_;
}

void ChildProcess::Stop()
{
    if (!Running()) return;
    kill(pid_, SIGTERM);
    if (Wait(milliseconds(3000))) return;
    kill(pid_, SIGKILL);
    Wait(milliseconds(10000));
}

namespace {

// The display of the window OpenGlWindowOn opened, if it is still open.
std::string glWindowDisplay;

void CloseGlWindow()
{
    if (glWindowDisplay.empty()) return;
    SdlPlatform().CloseWindow();
    glWindowDisplay.clear();
}

}  // namespace

VirtualDisplay::~VirtualDisplay()
{
    // A connection to a server that has gone ends the process at its next use.
    if (!name_.empty() && glWindowDisplay == name_) CloseGlWindow();
}

bool VirtualDisplay::Start(bool withOpenGl)
{
    // The server picks a free display number itself and writes it when it takes connections.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return false;
    std::vector<std::string> args = {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
    if (!withOpenGl) args.insert(args.end(), {"-extension", "GLX"});
    SpawnOptions options;
    options.outputFd = ready[1];
    server_.emplace(Spawn(args, options));
    close(ready[1]);
    const std::string number = ReadAll(ready[0], Clock::now() + milliseconds(15000));
    close(ready[0]);
    if (number.empty() || !server_->Running()) {
        server_.reset();
        return false;
    }
    name_ = ":" + number.substr(0, number.find('\n'));
    return true;
}

std::optional<std::string> Xdotool(const std::string& display, std::vector<std::string> args, milliseconds limit)
{
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) return std::nullopt;
    args.insert(args.begin(), "xdotool");
    const Clock::time_point end = Clock::now() + limit;
    SpawnOptions options;
    options.display = display;
    options.outputFd = output[1];
    ChildProcess tool(Spawn(args, options));
    close(output[1]);
    const std::string text = ReadAll(output[0], end);
    close(output[0]);
    if (tool.Wait(Left(end)) != 0) return std::nullopt;
    return text;
}

namespace {

// The title as the desktop shows it: _NET_WM_NAME in UTF-8, else WM_NAME.
std::string TitleOf(Display* x, Window window)
{
    std::string title;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(x, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (!title.empty()) return title;
    }
    char* name = nullptr;
    if (XFetchName(x, window, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

void CollectWindows(Display* x, Window window, const std::string& title, std::vector<unsigned long>& found)
{
    XWindowAttributes attributes;
    if (window != DefaultRootWindow(x) &&
        (!XGetWindowAttributes(x, window, &attributes) || attributes.map_state != IsViewable))
        return;
    if (TitleOf(x, window) == title) found.push_back(window);
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x, window, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) CollectWindows(x, children[i], title, found);
    if (children) XFree(children);
}

}  // namespace

std::vector<unsigned long> FindWindows(const std::string& display, const std::string& title, milliseconds limit,
                                       unsigned long besides)
{
    const Clock::time_point end = Clock::now() + limit;
    for (;;) {
        std::vector<unsigned long> windows;
        {
            XConnection connection(display);
            if (connection.x) CollectWindows(connection.x, DefaultRootWindow(connection.x), title, windows);
        }
        std::erase(windows, besides);
        if (!windows.empty() || Clock::now() >= end) return windows;
        std::this_thread::sleep_for(milliseconds(100));
    }
}

bool SendCloseRequest(const std::string& display, unsigned long window)
{
    XConnection connection(display);
    if (!connection.x) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection.x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection.x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(connection.x, window, False, NoEventMask, &event) != 0;
    XSync(connection.x, False);
    return sent;
}

std::optional<WindowGeometry> GeometryOf(const std::string& display, unsigned long window)
{
    XConnection connection(display);
    XWindowAttributes attributes;
    if (!connection.x || !XGetWindowAttributes(connection.x, window, &attributes)) return std::nullopt;
    WindowGeometry geometry{0, 0, attributes.width, attributes.height};
    Window child;
    XTranslateCoordinates(connection.x, window, attributes.root, 0, 0, &geometry.x, &geometry.y, &child);
    return geometry;
}

RgbImage CaptureWindow(const std::string& display, unsigned long window)
{
    XConnection connection(display);
    XWindowAttributes attributes;
    if (!connection.x || !XGetWindowAttributes(connection.x, window, &attributes)) return {};
    XImage* image = XGetImage(connection.x, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return {};
    RgbImage picture{attributes.width, attributes.height, {}};
    picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    int shifts[3];
    for (int c = 0; c < 3; ++c) shifts[c] = ShiftOf(masks[c]);
    uint8_t* out = picture.rgb.data();
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            for (int c = 0; c < 3; ++c) *out++ = static_cast<uint8_t>((pixel & masks[c]) >> shifts[c]);
        }
    XDestroyImage(image);
    return picture;
}

ProgramUnderTest::ProgramUnderTest(const std::string& display, const std::vector<std::string>& args,
                                   const std::vector<std::string>& environment)
{
    int error[2];
    if (pipe2(error, O_CLOEXEC) != 0) return;
    std::vector<std::string> argv = {ProgramPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    // GTK keeps its settings in memory and looks for no accessibility bus.
    std::vector<std::string> added = {"TESSALUME_TRACE=1", "GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1"};
    added.insert(added.end(), environment.begin(), environment.end());
    SpawnOptions options;
    options.display = display;
    options.environment = added;
    options.errorFd = error[1];
    process_.emplace(Spawn(argv, options));
    close(error[1]);
    errorPipe_ = error[0];
}

ProgramUnderTest::~ProgramUnderTest()
{
    process_.reset();  // stopped by its PID
    if (errorPipe_ >= 0) close(errorPipe_);
}

bool ProgramUnderTest::ReadMore(milliseconds limit)
{
    if (errorPipe_ < 0 || !ReadSome(errorPipe_, partial_, limit)) return false;
    for (std::size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1))
        lines_.push_back(partial_.substr(0, end));
    return true;
}

bool ProgramUnderTest::WaitForLine(const std::string& line, milliseconds limit)
{
    const Clock::time_point end = Clock::now() + limit;
    for (;;) {
        for (; taken_ < lines_.size(); ++taken_)
            if (lines_[taken_] == line) {
                ++taken_;
                return true;
            }
        if (!ReadMore(Left(end))) return false;
    }
}

std::optional<int> ProgramUnderTest::Wait(milliseconds limit)
{
    const Clock::time_point end = Clock::now() + limit;
    if (!process_) return std::nullopt;
    while (process_->Running() && Clock::now() < end)
        if (!ReadMore(std::min(milliseconds(50), Left(end)))) std::this_thread::sleep_for(milliseconds(10));
    while (ReadMore(milliseconds(0))) {
    }
    return process_->Wait(milliseconds(0));
}

Finished RunToEnd(const std::vector<std::string>& args, milliseconds limit)
{
    int output[2], error[2];
    if (pipe2(output, O_CLOEXEC) != 0) return {};
    if (pipe2(error, O_CLOEXEC) != 0) {
        close(output[0]), close(output[1]);
        return {};
    }
    std::vector<std::string> argv = {ProgramPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    const Clock::time_point end = Clock::now() + limit;
    SpawnOptions options;
    options.outputFd = output[1];
    options.errorFd = error[1];
    ChildProcess program(Spawn(argv, options));
    close(output[1]);
    close(error[1]);
    Finished finished;
    finished.output = ReadAll(output[0], end);
    finished.error = ReadAll(error[0], end);
    close(output[0]);
    close(error[0]);
    finished.status = program.Wait(Left(end));
    return finished;
}

bool OpenGlWindowOn(const std::string& display)
{
    CloseGlWindow();
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    InstallPlatform(&SdlPlatform());
    std::string reason;
    const bool opened =
        SdlPlatform().OpenWindow("Tessalume", clientWidth, clientHeight, {}, reason) == WindowOutcome::Opened;
    glWindowDisplay = display;  // even half open, it is closed with its display
    if (opened) SdlPlatform().ShowWindow();
    return opened;
}

}  // namespace tessalume
