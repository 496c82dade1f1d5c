// The real GTK dialogs. GTK can start only once per process and on one display, so each test
// runs the dialog side in a forked child that has not touched GTK before; the parent starts
// its own X server and types into the dialog with xdotool. Every process started here is
// ended by its PID within a hard time limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/platform/gtk_desktop.h"
#include "files/files.h"

extern char** environ;

namespace tessalume {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A child process of the test, stopped and reaped by its PID at the latest when the object
// goes.
class ChildProcess {
public:
    // Runs argv (looked up in PATH) with the environment plus the given overrides; its
    // standard output goes to outputFd (or nowhere), its errors nowhere.
    static std::optional<ChildProcess> Spawn(const std::vector<std::string>& argv,
                                             const std::vector<std::string>& environment,
                                             int outputFd = -1)
    {
        std::vector<std::string> entries;
        for (char** variable = environ; *variable; ++variable) {
            const std::string entry = *variable;
            bool overridden = false;
            for (const std::string& change : environment)
                overridden |= entry.compare(0, change.find('=') + 1, change, 0, change.find('=') + 1) == 0;
            if (!overridden) entries.push_back(entry);
        }
        entries.insert(entries.end(), environment.begin(), environment.end());
        std::vector<char*> args, envp;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        for (const std::string& entry : entries) envp.push_back(const_cast<char*>(entry.c_str()));
        args.push_back(nullptr);
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (outputFd >= 0)
            posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
        else
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) return std::nullopt;
        return ChildProcess(pid);
    }

    // Forks; the child runs body and ends with its result, never returning into the test.
    static ChildProcess Fork(const std::function<int()>& body)
    {
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) _exit(body());
        return ChildProcess(pid);
    }

    ChildProcess(ChildProcess&& other) noexcept
        : pid_(std::exchange(other.pid_, -1)), exitCode_(other.exitCode_) {}
    ChildProcess& operator=(ChildProcess&& other) noexcept
    {
        Stop();
        pid_ = std::exchange(other.pid_, -1);
        exitCode_ = other.exitCode_;
        return *this;
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

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

    void Stop()
    {
        if (pid_ < 0 || !Running()) return;
        kill(pid_, SIGTERM);
        if (!Wait(milliseconds(2000))) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
            exitCode_ = 128 + SIGKILL;
        }
    }

private:
    explicit ChildProcess(pid_t pid) : pid_(pid) {}
    pid_t pid_;
    std::optional<int> exitCode_;
};

// An Xvfb server of our own on the first free display number.
class VirtualDisplay {
public:
    bool Start()
    {
        for (int number = 73; number < 99 && !server_; ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            if (std::filesystem::exists(socket) ||
                std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            server_ = ChildProcess::Spawn({"Xvfb", ":" + std::to_string(number), "-screen", "0",
                                           "1280x1024x24", "-nolisten", "tcp"},
                                          {});
            if (!server_) return false;
            const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
            while (server_->Running() && !std::filesystem::exists(socket) && Clock::now() < end)
                std::this_thread::sleep_for(milliseconds(50));
            if (server_->Running() && std::filesystem::exists(socket))
                name_ = ":" + std::to_string(number);
            else
                server_.reset();  // taken meanwhile, or broken: stopped by its PID
        }
        return server_.has_value();
    }
    const std::string& Name() const { return name_; }

private:
    std::optional<ChildProcess> server_;
    std::string name_;
};

// Runs xdotool on the display and returns its standard output, or nothing when it failed or
// ran out of time.
std::optional<std::string> Xdotool(const std::string& display, std::vector<std::string> args,
                                   milliseconds limit = milliseconds(5000))
{
    int output[2];
    if (pipe(output) != 0) return std::nullopt;
    args.insert(args.begin(), "xdotool");
    std::optional<ChildProcess> tool = ChildProcess::Spawn(args, {"DISPLAY=" + display}, output[1]);
    close(output[1]);
    std::string text;
    const Clock::time_point end = Clock::now() + limit;
    for (char buffer[256];;) {
        pollfd ready = {output[0], POLLIN, 0};
        const int wait = static_cast<int>(
            std::chrono::duration_cast<milliseconds>(end - Clock::now()).count());
        if (!tool || wait <= 0 || poll(&ready, 1, wait) <= 0) break;
        const ssize_t length = read(output[0], buffer, sizeof buffer);
        if (length <= 0) break;
        text.append(buffer, static_cast<std::size_t>(length));
    }
    close(output[0]);
    if (!tool) return std::nullopt;
    const std::optional<int> code = tool->Wait(std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(end - Clock::now())));
    if (code != 0) return std::nullopt;
    return text;
}

void FillPalette()
{
    for (int i = 0; i < 256; ++i) {
        ColorMap.red[i] = i * 0.75 + 0.125;
        ColorMap.green[i] = 255 - i * 0.5;
        ColorMap.blue[i] = -1.5 + i;
    }
}

// For a forked child: the environment in which GTK would pick the user's locale if allowed.
void PrepareGtkEnvironment(const std::string& display)
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
}

bool StillInCLocale()
{
    const char* locale = std::setlocale(LC_ALL, nullptr);
    return locale && std::strcmp(locale, "C") == 0;
}

TEST(GtkDialogs, WithoutADisplayEveryDialogFailsAndNothingChanges)
{
    ChildProcess child = ChildProcess::Fork([] {
        PrepareGtkEnvironment("");
        UseGtkDesktop();
        FillPalette();
        const ColorMapChannels palette = ColorMap;
        chosenFilePath = "kept";
        outputDirectory = "/tmp";
        if (ChooseExportFile(0) || ChooseColorMapFile() || LoadColorMapFile() || SaveColorMapFile())
            return 1;
        ChooseOutputDirectory();
        if (chosenFilePath != "kept" || outputDirectory != "/tmp") return 2;
        if (std::memcmp(&palette, &ColorMap, sizeof palette) != 0) return 3;
        return StillInCLocale() ? 0 : 4;
    });
    EXPECT_EQ(child.Wait(milliseconds(30000)), 0)
        << "1 a dialog succeeded, 2 a path changed, 3 the palette changed, 4 the locale changed";
}

TEST(GtkDialogs, SaveDialogWritesTheColorMapToTheTypedPath)
{
    VirtualDisplay display;
    if (!display.Start()) GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    char name[] = "/tmp/tessalume-dialog-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path folder = name;

    // The child reports on one pipe when the save returned, and waits on the other until
    // the parent has looked at the screen.
    int saved[2], proceed[2];
    ASSERT_EQ(pipe(saved), 0);
    ASSERT_EQ(pipe(proceed), 0);
    ChildProcess child = ChildProcess::Fork([&] {
        PrepareGtkEnvironment(display.Name());
        UseGtkDesktop();
        FillPalette();
        outputDirectory = folder.string();
        const bool written = SaveColorMapFile();
        const char report = written ? (StillInCLocale() ? 'y' : 'l') : 'n';
        if (write(saved[1], &report, 1) != 1) return 5;
        char go = 0;
        pollfd ready = {proceed[0], POLLIN, 0};
        if (poll(&ready, 1, 20000) > 0 && read(proceed[0], &go, 1) < 0) return 6;
        return report == 'y' ? 0 : 1;
    });
    close(saved[1]);
    close(proceed[0]);

    const std::optional<std::string> window = Xdotool(
        display.Name(), {"search", "--sync", "--onlyvisible", "--name", "^Save As$"},
        milliseconds(30000));
    ASSERT_TRUE(window && !window->empty()) << "the save dialog did not appear";
    const std::string id = window->substr(0, window->find('\n'));
    ASSERT_TRUE(Xdotool(display.Name(), {"windowfocus", "--sync", id}));
    std::this_thread::sleep_for(milliseconds(500));
    const std::string typed = (folder / "palette").string();
    for (const std::vector<std::string>& keys :
         {std::vector<std::string>{"key", "ctrl+l"}, {"key", "ctrl+a"},
          {"type", "--delay", "20", typed}, {"key", "Delete"}, {"key", "Return"}}) {
        ASSERT_TRUE(Xdotool(display.Name(), keys)) << keys[0] << " " << keys.back();
        std::this_thread::sleep_for(milliseconds(200));
    }

    char report = 0;
    pollfd ready = {saved[0], POLLIN, 0};
    ASSERT_GT(poll(&ready, 1, 30000), 0) << "the save did not return";
    ASSERT_EQ(read(saved[0], &report, 1), 1);
    // The dialog is gone from the screen by the time the save returns.
    EXPECT_FALSE(Xdotool(display.Name(), {"search", "--onlyvisible", "--name", "^Save As$"}));
    const char go = 'g';
    EXPECT_EQ(write(proceed[1], &go, 1), 1);
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
