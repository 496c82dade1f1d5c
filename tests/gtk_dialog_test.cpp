// The real GTK dialogs. GTK starts only once per process and on one display, so the dialog side
// of each test runs in a forked child that has not touched GTK; the parent starts its own X
// server and types into the dialog with xdotool. Every process started here is ended by its
// PID within a time limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/gtk_desktop.h"
#include "files/files.h"

extern char** environ;

namespace tessalume {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Forks; the child runs body and ends with its result, never returning into the test.
template <typename Body>
pid_t Fork(Body body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    return pid;
}

// Runs argv (looked up in PATH) with DISPLAY set when display is given; standard output goes to
// outputFd (or nowhere). Everything the child needs is made before the fork.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& display = "",
            int outputFd = -1)
{
    const std::string displayEntry = "DISPLAY=" + display;
    std::vector<char*> args, envp;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    for (char** entry = environ; *entry; ++entry)
        if (display.empty() || std::strncmp(*entry, "DISPLAY=", 8) != 0) envp.push_back(*entry);
    if (!display.empty()) envp.push_back(const_cast<char*>(displayEntry.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    return Fork([&] {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(outputFd >= 0 ? outputFd : null, 1), dup2(null, 2);
        execvpe(args[0], args.data(), envp.data());
        return 127;
    });
}

// A child process of the test (PID -1: none), stopped and reaped at the latest when it goes.
class ChildProcess {
public:
    explicit ChildProcess(pid_t pid) : pid_(pid) {}
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess()
    {
        if (pid_ < 0 || !Running()) return;
        kill(pid_, SIGTERM);
        if (!Wait(milliseconds(2000))) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Running()
    {
        if (pid_ < 0 || exitCode_) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    // The exit code, or nothing when the process is still running after the time given.
    std::optional<int> Wait(milliseconds limit)
    {
        const Clock::time_point end = Clock::now() + limit;
        while (Running() && Clock::now() < end) std::this_thread::sleep_for(milliseconds(20));
        return exitCode_;
    }

private:
    pid_t pid_;
    std::optional<int> exitCode_;
};

// An Xvfb server of our own on the first free display number.
class VirtualDisplay {
public:
    bool Start()
    {
        for (int number = 73; number < 99 && name_.empty(); ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            if (std::filesystem::exists(socket) ||
                std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            server_.emplace(Spawn({"Xvfb", ":" + std::to_string(number), "-screen", "0",
                                   "1280x1024x24", "-nolisten", "tcp"}));
            const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
            while (server_->Running() && !std::filesystem::exists(socket) && Clock::now() < end)
                std::this_thread::sleep_for(milliseconds(50));
            if (server_->Running() && std::filesystem::exists(socket))
                name_ = ":" + std::to_string(number);
            else
                server_.reset();  // taken meanwhile, or broken: stopped by its PID
        }
        return !name_.empty();
    }
    const std::string& Name() const { return name_; }

private:
    std::optional<ChildProcess> server_;
    std::string name_;
};

// Runs xdotool on the display and returns its standard output, or nothing when it failed or ran
// out of time. Its output is small enough for the pipe to hold until it has ended.
std::optional<std::string> Xdotool(const std::string& display, std::vector<std::string> args,
                                   milliseconds limit = milliseconds(5000))
{
    int output[2];
    if (pipe(output) != 0) return std::nullopt;
    args.insert(args.begin(), "xdotool");
    ChildProcess tool(Spawn(args, display, output[1]));
    close(output[1]);
    if (tool.Wait(limit) != 0) {
        close(output[0]);
        return std::nullopt;
    }
    std::string text;
    char buffer[256];
    for (ssize_t length; (length = read(output[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(length));
    close(output[0]);
    return text;
}

void FillPalette()
{
    for (int i = 0; i < 256; ++i)
        ColorMap.red[i] = i * 0.75 + 0.125, ColorMap.green[i] = 255 - i * 0.5,
        ColorMap.blue[i] = i - 1.5;
}

// For a forked child: GTK on the display (none when empty), in an environment in which it would
// pick the user's locale if allowed.
void UseGtkOn(const std::string& display)
{
    if (display.empty()) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    } else {
        setenv("DISPLAY", display.c_str(), 1);
    }
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    UseGtkDesktop();
    FillPalette();
}

bool StillInCLocale()
{
    const char* locale = std::setlocale(LC_ALL, nullptr);
    return locale && std::strcmp(locale, "C") == 0;
}

TEST(GtkDialogs, WithoutADisplayEveryDialogFailsAndNothingChanges)
{
    ChildProcess child(Fork([] {
        UseGtkOn("");
        const ColorMapChannels palette = ColorMap;
        chosenFilePath = "kept";
        outputDirectory = "/tmp";
        if (ChooseExportFile(0) || ChooseColorMapFile() || LoadColorMapFile() || SaveColorMapFile())
            return 1;
        ChooseOutputDirectory();
        if (chosenFilePath != "kept" || outputDirectory != "/tmp") return 2;
        if (std::memcmp(&palette, &ColorMap, sizeof palette) != 0) return 3;
        return StillInCLocale() ? 0 : 4;
    }));
    EXPECT_EQ(child.Wait(milliseconds(30000)), 0)
        << "1 a dialog succeeded, 2 a path changed, 3 the palette changed, 4 the locale changed";
}

TEST(GtkDialogs, SaveDialogWritesTheColorMapToTheTypedPathAndIsGoneWhenTheSaveReturns)
{
    VirtualDisplay display;
    if (!display.Start()) GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    char name[] = "/tmp/tessalume-dialog-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path folder = name;

    // The child reports on one pipe when the save returned, then waits on the other until the
    // parent has looked at the screen.
    int saved[2], proceed[2];
    ASSERT_EQ(pipe(saved), 0);
    ASSERT_EQ(pipe(proceed), 0);
    ChildProcess child(Fork([&] {
        UseGtkOn(display.Name());
        outputDirectory = folder.string();
        const char report = SaveColorMapFile() ? (StillInCLocale() ? 'y' : 'l') : 'n';
        if (write(saved[1], &report, 1) != 1) return 5;
        char go = 0;
        pollfd ready = {proceed[0], POLLIN, 0};
        if (poll(&ready, 1, 20000) > 0 && read(proceed[0], &go, 1) < 0) return 6;
        return report == 'y' ? 0 : 1;
    }));
    close(saved[1]);
    close(proceed[0]);

    const std::optional<std::string> window = Xdotool(
        display.Name(), {"search", "--sync", "--onlyvisible", "--name", "^Save As$"},
        milliseconds(30000));
    ASSERT_TRUE(window && !window->empty()) << "the save dialog did not appear";
    const std::string id = window->substr(0, window->find('\n'));
    ASSERT_TRUE(Xdotool(display.Name(), {"windowfocus", "--sync", id}));
    std::this_thread::sleep_for(milliseconds(500));
    for (const std::vector<std::string>& keys :
         {std::vector<std::string>{"key", "ctrl+l"}, {"key", "ctrl+a"},
          {"type", "--delay", "20", (folder / "palette").string()}, {"key", "Delete"},
          {"key", "Return"}}) {
        ASSERT_TRUE(Xdotool(display.Name(), keys)) << keys[0] << " " << keys.back();
        std::this_thread::sleep_for(milliseconds(200));
    }

    char report = 0;
    pollfd ready = {saved[0], POLLIN, 0};
    ASSERT_GT(poll(&ready, 1, 30000), 0) << "the save did not return";
    ASSERT_EQ(read(saved[0], &report, 1), 1);
    EXPECT_FALSE(Xdotool(display.Name(), {"search", "--onlyvisible", "--name", "^Save As$"}));
    EXPECT_EQ(write(proceed[1], "g", 1), 1);
    EXPECT_EQ(child.Wait(milliseconds(10000)), 0) << "report " << report;
    close(saved[0]);
    close(proceed[1]);

    // The default extension was added to the typed name.
    std::ifstream file(folder / "palette.map", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    FillPalette();
    EXPECT_EQ(text, FormatColorMapText());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tessalume
