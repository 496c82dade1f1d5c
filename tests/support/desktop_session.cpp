#include "support/desktop_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/platform/platform.h"
#include "ui/draw/draw.h"

namespace tessalume {

namespace {

using Clock = std::chrono::steady_clock;

milliseconds Left(Clock::time_point end)
{
    return std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(end - Clock::now()));
}

// Starts argv through env, which takes away the test's displays, sets this one and the NAME=value
// entries and looks the program up in PATH: the child makes nothing after the fork. Standard
// output and error go to the descriptors given, else nowhere.
pid_t Spawn(const std::string& display, const std::vector<std::string>& environment,
            const std::vector<std::string>& argv, int outputFd = -1, int errorFd = -1)
{
    std::vector<std::string> words = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    if (!display.empty()) words.push_back("DISPLAY=" + display);
    words.insert(words.end(), environment.begin(), environment.end());
    words.insert(words.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (std::string& word : words) args.push_back(word.data());
    args.push_back(nullptr);
    const pid_t parent = getpid();
    return Fork([&] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // dies with the test, however the test ends
        if (getppid() != parent) return 126;
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(outputFd >= 0 ? outputFd : null, 1), dup2(errorFd >= 0 ? errorFd : null, 2);
        execvp(args[0], args.data());
        return 127;
    });
}

// Appends what the descriptor holds within the limit; false at the limit, at its end or on an error.
bool ReadSome(int fd, std::string& into, milliseconds limit)
{
    pollfd ready = {fd, POLLIN, 0};
    char buffer[4096];
    const ssize_t length = poll(&ready, 1, static_cast<int>(limit.count())) > 0 ? read(fd, buffer, sizeof buffer) : 0;
    if (length > 0) into.append(buffer, static_cast<std::size_t>(length));
    return length > 0;
}

// An Xlib connection for one call. A request about a window that has gone (the program ended
// meanwhile) fails that call rather than Xlib's default handler ending the test process.
using Connection = std::unique_ptr<Display, int (*)(Display*)>;
Connection Connect(const std::string& display)
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return Connection(XOpenDisplay(display.c_str()), XCloseDisplay);
}

// The title as the desktop shows it: _NET_WM_NAME (SDL's titles are UTF-8), else WM_NAME.
std::string TitleOf(Display* x, Window window)
{
    for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(x, window, XInternAtom(x, property, False), 0, 1024, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) != Success || !data)
            continue;
        const std::string title(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (!title.empty()) return title;
    }
    return {};
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

// Focuses the one window of that title other than besides; its id, or "" when there is none.
std::string Focus(const std::string& display, const std::string& title, unsigned long besides)
{
    const std::vector<unsigned long> windows = FindWindows(display, title, milliseconds(60000), besides);
    if (windows.size() != 1 || !Xdotool(display, {"windowfocus", "--sync", std::to_string(windows[0])})) return {};
    return std::to_string(windows[0]);
}

// The display of the window OpenGlWindowOn opened, if it is still open.
std::string glWindowDisplay;

void CloseGlWindow()
{
    if (glWindowDisplay.empty()) return;
    SdlPlatform().CloseWindow();
    glWindowDisplay.clear();
}

}  // namespace

std::optional<int> ChildProcess::Wait(milliseconds limit)
{
    for (const Clock::time_point end = Clock::now() + limit; pid_ > 0 && !status_;) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_)
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (Clock::now() >= end)
            break;
        else
            std::this_thread::sleep_for(milliseconds(10));
    }
    return status_;
}

void ChildProcess::Stop()
{
    if (pid_ <= 0 || Wait(milliseconds(0))) return;
    kill(pid_, SIGTERM);
    if (Wait(milliseconds(3000))) return;
    kill(pid_, SIGKILL);
    Wait(milliseconds(10000));
}

Finished RunToEnd(const std::vector<std::string>& argv, milliseconds limit, const std::string& display)
{
    const Clock::time_point end = Clock::now() + limit;
    int output[2], error[2];
    if (pipe2(output, O_CLOEXEC) != 0) return {};
    if (pipe2(error, O_CLOEXEC) != 0) return close(output[0]), close(output[1]), Finished{};
    ChildProcess child(Spawn(display, {}, argv, output[1], error[1]));
    close(output[1]), close(error[1]);
    // Both streams are read as they come, so that a full one never holds the program up.
    Finished finished;
    pollfd streams[2] = {{output[0], POLLIN, 0}, {error[0], POLLIN, 0}};
    std::string* texts[2] = {&finished.output, &finished.error};
    while ((streams[0].fd >= 0 || streams[1].fd >= 0) && poll(streams, 2, static_cast<int>(Left(end).count())) > 0)
        for (int i = 0; i < 2; ++i)
            if (streams[i].revents != 0 && !ReadSome(streams[i].fd, *texts[i], milliseconds(0)))
                close(streams[i].fd), streams[i].fd = -1;
    for (const pollfd& stream : streams)
        if (stream.fd >= 0) close(stream.fd);
    finished.status = child.Wait(Left(end));
    return finished;
}

bool Xdotool(const std::string& display, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunToEnd(argv, milliseconds(10000), display).status == 0;
}

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
    server_.emplace(Spawn("", {}, args, ready[1]));
    close(ready[1]);
    std::string number;
    for (const Clock::time_point end = Clock::now() + milliseconds(15000);
         number.find('\n') == std::string::npos && ReadSome(ready[0], number, Left(end));) {
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) return server_.reset(), false;
    name_ = ":" + number.substr(0, number.find('\n'));
    return true;
}

std::vector<unsigned long> FindWindows(const std::string& display, const std::string& title, milliseconds limit,
                                       unsigned long besides)
{
    for (const Clock::time_point end = Clock::now() + limit;; std::this_thread::sleep_for(milliseconds(100))) {
        std::vector<unsigned long> windows;
        if (const Connection connection = Connect(display))
            CollectWindows(connection.get(), DefaultRootWindow(connection.get()), title, windows);
        std::erase(windows, besides);
        if (!windows.empty() || Clock::now() >= end) return windows;
    }
}

bool PressKeyIn(const std::string& display, const std::string& title, const std::string& key, unsigned long besides)
{
    const std::string window = Focus(display, title, besides);
    return !window.empty() && Xdotool(display, {"key", "--window", window, key});
}

bool TypePathInto(const std::string& display, const std::string& title, const std::string& path,
                  unsigned long besides)
{
    if (Focus(display, title, besides).empty()) return false;
    std::this_thread::sleep_for(milliseconds(500));  // GTK takes keys only once it has settled
    for (const std::vector<std::string>& keys : {std::vector<std::string>{"key", "ctrl+l"}, {"key", "ctrl+a"},
                                                 {"type", "--delay", "20", path}, {"key", "Delete"}, {"key", "Return"}}) {
        if (!Xdotool(display, keys)) return false;
        std::this_thread::sleep_for(milliseconds(200));
    }
    return true;
}

bool SendCloseRequest(const std::string& display, unsigned long window)
{
    const Connection connection = Connect(display);
    if (!connection) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection.get(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection.get(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(connection.get(), window, False, NoEventMask, &event) != 0;
    XSync(connection.get(), False);
    return sent;
}

std::optional<WindowGeometry> GeometryOf(const std::string& display, unsigned long window)
{
    const Connection connection = Connect(display);
    XWindowAttributes attributes;
    if (!connection || !XGetWindowAttributes(connection.get(), window, &attributes)) return std::nullopt;
    WindowGeometry geometry{0, 0, attributes.width, attributes.height};
    Window child;
    XTranslateCoordinates(connection.get(), window, attributes.root, 0, 0, &geometry.x, &geometry.y, &child);
    return geometry;
}

RgbImage CaptureWindow(const std::string& display, unsigned long window, int x, int y, int width, int height)
{
    const Connection connection = Connect(display);
    XWindowAttributes attributes;
    if (!connection || !XGetWindowAttributes(connection.get(), window, &attributes)) return {};
    if (width == 0) width = attributes.width - x, height = attributes.height - y;
    XImage* image = XGetImage(connection.get(), window, x, y, width, height, AllPlanes, ZPixmap);
    if (!image) return {};
    RgbImage picture{width, height, {}};
    picture.rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);  // our server's 8-bit channels
            picture.rgb.insert(picture.rgb.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                                   static_cast<uint8_t>(pixel)});
        }
    XDestroyImage(image);
    return picture;
}

ProgramUnderTest::ProgramUnderTest(const std::string& display, const std::vector<std::string>& args,
                                   const std::vector<std::string>& environment)
{
    int error[2];
    if (pipe2(error, O_CLOEXEC) != 0) return;
    std::vector<std::string> argv = {TESSALUME_PROGRAM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    // GTK keeps its settings in memory and looks for no accessibility bus.
    std::vector<std::string> added = {"TESSALUME_TRACE=1", "GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1"};
    added.insert(added.end(), environment.begin(), environment.end());
    process_.emplace(Spawn(display, added, argv, -1, error[1]));
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
    do {
        for (; taken_ < lines_.size(); ++taken_)
            if (lines_[taken_] == line) return ++taken_, true;
    } while (ReadMore(Left(end)));
    return false;
}

std::optional<int> ProgramUnderTest::Wait(milliseconds limit)
{
    if (!process_) return std::nullopt;
    const Clock::time_point end = Clock::now() + limit;
    while (!process_->Wait(milliseconds(0)) && Clock::now() < end)
        if (!ReadMore(std::min(milliseconds(50), Left(end)))) std::this_thread::sleep_for(milliseconds(10));
    while (ReadMore(milliseconds(0))) {
    }
    return process_->Wait(milliseconds(0));
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
