#include "support/desktop_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <sstream>
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

// The words run env with, which takes away the test's displays, sets this one and the NAME=value
// entries, and starts the program, looked up in PATH.
std::vector<std::string> OnDisplay(const std::string& display, std::initializer_list<std::vector<std::string>> words)
{
    std::vector<std::string> argv = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    if (!display.empty()) argv.push_back("DISPLAY=" + display);
    for (const std::vector<std::string>& part : words) argv.insert(argv.end(), part.begin(), part.end());
    return argv;
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

Finished RunToEnd(const std::vector<std::string>& argv, milliseconds limit, const std::string& display)
{
    return ChildProcess(OnDisplay(display, {argv})).Finish(limit);
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
    std::vector<std::string> args = {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
    if (!withOpenGl) args.insert(args.end(), {"-extension", "GLX"});
    server_.emplace(OnDisplay("", {args}));
    std::string number;
    for (const Clock::time_point end = Clock::now() + milliseconds(15000);
         (number = server_->Output()).find('\n') == std::string::npos; std::this_thread::sleep_for(milliseconds(10)))
        if (server_->Wait(milliseconds(0)) || Clock::now() >= end) return server_.reset(), false;
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
    // Pressed as a hand presses it, into the window that has the keyboard: one sent to the
    // window would fail on its release when the press closed the window.
    return !Focus(display, title, besides).empty() && Xdotool(display, {"key", key});
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

// GTK keeps its settings in memory and looks for no accessibility bus.
ProgramUnderTest::ProgramUnderTest(const std::string& display, const std::vector<std::string>& args,
                                   const std::vector<std::string>& environment)
    : process_(OnDisplay(display, {{"TESSALUME_TRACE=1", "GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1"}, environment,
                                   {TESSALUME_PROGRAM_PATH}, args}))
{
}

// Takes the lines written since, waiting up to the limit for one; false without one, or once
// the program has ended and all it wrote is taken.
bool ProgramUnderTest::ReadMore(milliseconds limit)
{
    for (const Clock::time_point end = Clock::now() + limit;; std::this_thread::sleep_for(milliseconds(10))) {
        const bool ended = process_.Wait(milliseconds(0)).has_value();  // before the read, which then has it all
        const std::string more = process_.Error(read_);
        const std::size_t whole = more.rfind('\n') + 1;  // 0 without a line end
        std::istringstream text(more.substr(0, whole));
        for (std::string line; std::getline(text, line);) lines_.push_back(line);
        read_ += whole;
        if (whole > 0) return true;
        if (ended || Clock::now() >= end) return false;
    }
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
    const std::optional<int> status = process_.Wait(limit);
    while (ReadMore(milliseconds(0))) {
    }
    return status;
}

bool DesktopProgram::Start(const std::filesystem::path& scratch, const std::string& seed,
                           std::vector<std::string> environment)
{
    if (!display_.Start()) return false;
    environment.insert(environment.begin(), {"HOME=" + (scratch / "home").string(),
                                             "XDG_CONFIG_HOME=" + (scratch / "config").string()});
    std::vector<std::string> arguments = {"--seed", seed};
    // The ThreadSanitizer run grows one orbit: with one per core the instrumented program leaves
    // the dialogs too little of the machine to answer in time. Several orbits meet the interface
    // under the race detector in Threads.AWorkerWithSeveralOrbitsMeetsTheInterfaceRaceFree.
    if (const char* orbits = std::getenv("TESSALUME_TEST_ORBITS")) arguments.insert(arguments.end(), {"--orbits", orbits});
    program.emplace(display_.Name(), arguments, environment);
    return true;
}

::testing::AssertionResult DesktopProgram::Ready()
{
    // A sanitizer build searches the first quilt slowly.
    if (!program->WaitForLine("ready", milliseconds(300000))) return ::testing::AssertionFailure() << "no frame was shown";
    const std::vector<unsigned long> windows = FindWindows(display_.Name(), "Tessalume", milliseconds(60000));
    if (windows.size() != 1) return ::testing::AssertionFailure() << windows.size() << " windows";
    window_ = windows[0];
    const Connection connection = Connect(display_.Name());
    XWindowAttributes attributes;
    if (!connection || !XGetWindowAttributes(connection.get(), window_, &attributes))
        return ::testing::AssertionFailure() << "the window has no size";
    geometry.width = attributes.width, geometry.height = attributes.height;
    ::Window child;
    XTranslateCoordinates(connection.get(), window_, attributes.root, 0, 0, &geometry.x, &geometry.y, &child);
    return ::testing::AssertionSuccess();
}

void DesktopProgram::End()
{
    if (program && ::testing::Test::HasFailure()) {
        program->Wait(milliseconds(3000));
        for (const std::string& line : program->Lines()) std::fprintf(stderr, "tessalume: %s\n", line.c_str());
    }
    program.reset();
}

std::optional<WindowPlace> PlaceOf(const std::string& display, unsigned long window)
{
    const Connection connection = Connect(display);
    XWindowAttributes attributes;
    if (!connection || !XGetWindowAttributes(connection.get(), window, &attributes)) return {};
    WindowPlace place{.width = attributes.width, .height = attributes.height, .title = TitleOf(connection.get(), window)};
    ::Window child, owner = 0;
    XTranslateCoordinates(connection.get(), window, attributes.root, 0, 0, &place.x, &place.y, &child);
    if (XGetTransientForHint(connection.get(), window, &owner)) place.transientFor = owner;
    return place;
}

bool DesktopProgram::Press(const std::string& key)
{
    return Xdotool(display_.Name(), {"windowfocus", "--sync", std::to_string(window_), "key", key});
}

bool DesktopProgram::Turn(int x, int y, int notches, const std::string& held)
{
    std::vector<std::string> input = {"windowfocus", "--sync", std::to_string(window_), "mousemove",
                                      std::to_string(geometry.x + x), std::to_string(geometry.y + clientHeight - y)};
    if (!held.empty()) input.insert(input.end(), {"keydown", held});
    input.insert(input.end(), {"click", "--repeat", std::to_string(std::abs(notches)), notches > 0 ? "4" : "5"});
    if (!held.empty()) input.insert(input.end(), {"keyup", held});
    return Xdotool(display_.Name(), input);
}

bool DesktopProgram::Click(int x, int y)
{
    return Xdotool(display_.Name(), {"mousemove", std::to_string(geometry.x + x),
                                     std::to_string(geometry.y + clientHeight - y), "click", "1"});
}

std::vector<uint8_t> DesktopProgram::Area(int left, int bottom, int right, int top) const
{
    const Connection connection = Connect(display_.Name());
    XImage* image = connection ? XGetImage(connection.get(), window_, left, clientHeight - top, right - left, top - bottom,
                                           AllPlanes, ZPixmap)
                               : nullptr;
    std::vector<uint8_t> rgb;
    for (int row = 0; image && row < top - bottom; ++row)
        for (int column = 0; column < right - left; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);  // our server's 8-bit channels
            rgb.insert(rgb.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8), static_cast<uint8_t>(pixel)});
        }
    if (image) XDestroyImage(image);
    return rgb;
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
