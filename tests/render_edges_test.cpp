// The renderer against unkind surroundings: a termination signal during the write, colour
// maps and outputs that are not regular files, a standard output that cannot take the summary.
// Each case runs the real program in a fresh folder and is ended by its PID at the latest.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tessalume {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

enum class Summary { ToFile, ToFullDevice, Closed };

struct Ending {
    int status = -1;  // exit status; -1 when a signal ended the run
    int signal = 0;
    long maxResidentKiB = 0;
    std::string out, err;
};

// A run of the renderer in the fixture's folder: stdin from /dev/null, stderr to a file, and
// the default action for every termination signal whatever the test runner inherited.
class RenderProcess {
public:
    RenderProcess(const std::vector<std::string>& arguments, const fs::path& work, const fs::path& root,
                  Summary summary, int cpuSeconds)
        : outPath(root / "stdout"), errPath(root / "stderr")
    {
        std::vector<std::string> argv = {TESSALUME_RENDER_PATH};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> args;
        for (std::string& argument : argv) args.push_back(argument.data());
        args.push_back(nullptr);
        const std::string summaryPath = summary == Summary::ToFullDevice ? "/dev/full" : outPath.string();
        const std::string errorPath = errPath.string();
        const std::string folder = work.string();
        const rlimit cpu{static_cast<rlim_t>(cpuSeconds), static_cast<rlim_t>(cpuSeconds)};
        // Only async-signal-safe calls between fork and exec.
        pid = fork();
        if (pid != 0) return;
        const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = open(summaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        if (summary == Summary::Closed) close(1);
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
        if (cpuSeconds > 0) setrlimit(RLIMIT_CPU, &cpu);
        if (chdir(folder.c_str()) == 0) execv(args[0], args.data());
        _exit(127);
    }
    RenderProcess(const RenderProcess&) = delete;
    RenderProcess& operator=(const RenderProcess&) = delete;
    ~RenderProcess()
    {
        if (!Running()) return;
        kill(pid, SIGKILL);
        Wait();
    }

    bool Running()
    {
        if (ending || pid <= 0) return false;
        int raw = 0;
        rusage usage{};
        if (wait4(pid, &raw, WNOHANG, &usage) != pid) return true;
        ending = Ending{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, WIFSIGNALED(raw) ? WTERMSIG(raw) : 0,
                        usage.ru_maxrss, ReadFile(outPath), ReadFile(errPath)};
        return false;
    }

    // The ending; a run still going after the limit is killed, and the test fails.
    Ending Wait(std::chrono::seconds limit = 120s)
    {
        const Clock::time_point end = Clock::now() + limit;
        while (Running() && Clock::now() < end) std::this_thread::sleep_for(5ms);
        if (Running()) {
            ADD_FAILURE() << "the renderer still runs after " << limit.count() << " s";
            kill(pid, SIGKILL);
            while (Running()) std::this_thread::sleep_for(5ms);
        }
        return ending.value_or(Ending{});
    }

    pid_t pid = -1;

private:
    fs::path outPath, errPath;
    std::optional<Ending> ending;
};

class RendererEdges : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tessalume-edges-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        work = root / "work";
        fs::create_directory(work);
    }
    void TearDown() override { fs::remove_all(root); }

    std::unique_ptr<RenderProcess> Start(const std::vector<std::string>& arguments,
                                         Summary summary = Summary::ToFile, int cpuSeconds = 0) const
    {
        return std::make_unique<RenderProcess>(arguments, work, root, summary, cpuSeconds);
    }
    Ending Run(const std::vector<std::string>& arguments, Summary summary = Summary::ToFile,
               int cpuSeconds = 0) const
    {
        return Start(arguments, summary, cpuSeconds)->Wait();
    }

    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root, work;
};

void ExpectRefused(const Ending& ending)
{
    EXPECT_EQ(ending.status, 2) << ending.err;
    EXPECT_EQ(ending.out, "");
    ASSERT_FALSE(ending.err.empty());
    EXPECT_EQ(ending.err.find('\n'), ending.err.size() - 1) << ending.err;
}

// Plotting this many points takes hours: a run that gets as far as plotting them runs into the
// processor time limit its test sets, many times what a refusal needs.
const std::string endlessPoints = "1000000000000";

TEST_F(RendererEdges, TerminationDuringTheWriteRemovesTheTemporaryAndKeepsTheOldFile)
{
    for (const auto& [signal, format] : {std::pair{SIGTERM, "png"}, std::pair{SIGHUP, "bmp"}}) {
        SCOPED_TRACE(format);
        const std::string name = std::string("quilt.") + format;
        const std::string kept = "an earlier picture";
        WriteFile(work / name, kept);
        const auto renderer = Start({"--seed", "1", "--points", "0", "--image", "8192x8192", "--format", format,
                                     "--out", name, "--quiet"});
        // The temporary file appears beside the output when the writing starts; writing an
        // 8192 x 8192 picture takes seconds.
        const Clock::time_point end = Clock::now() + 120s;
        while (Listing().size() == 1 && renderer->Running() && Clock::now() < end) std::this_thread::sleep_for(1ms);
        ASSERT_EQ(Listing().size(), 2u) << "no temporary file while the renderer ran";
        ASSERT_EQ(kill(renderer->pid, signal), 0);
        const Ending ending = renderer->Wait();
        EXPECT_EQ(ending.signal, signal) << "status " << ending.status << ": " << ending.err;
        EXPECT_EQ(Listing(), std::vector<std::string>{name});
        EXPECT_EQ(ReadFile(work / name), kept);
        fs::remove(work / name);
    }
}

TEST_F(RendererEdges, ColourMapMustBeARegularFileAndIsReadOnlyAsFarAsItCounts)
{
    // A pipe without a writer would block the read for ever; a device is refused alike.
    ASSERT_EQ(mkfifo((work / "pipe.map").c_str(), 0644), 0);
    for (const std::string map : {"pipe.map", "/dev/null"}) {
        SCOPED_TRACE(map);
        ExpectRefused(Run({"--seed", "1", "--out", "quilt.png", "--colormap", map}));
        EXPECT_EQ(Listing(), std::vector<std::string>{"pipe.map"});
    }

    // A gigabyte of colour map (sparse, so it costs no disk): only its start can count, and
    // only its start is read into memory.
    WriteFile(work / "huge.map", "255 0 0\n");
    fs::resize_file(work / "huge.map", std::uintmax_t{1} << 30);
    const Ending ending = Run({"--seed", "1", "--points", "0", "--out", "quilt.png", "--colormap", "huge.map"});
    EXPECT_EQ(ending.status, 0) << ending.err;
    EXPECT_LT(ending.maxResidentKiB, 512 * 1024);
}

TEST_F(RendererEdges, UnusableOutputIsRefusedBeforeAnyWorkAndLeftAlone)
{
    // Renamed over, a pipe or a device node (say /dev/null, for root) would become a file.
    ASSERT_EQ(mkfifo((work / "pipe.png").c_str(), 0644), 0);
    WriteFile(work / "file", "not a folder");
    for (const std::string out : {"pipe.png", "no-such-folder/quilt.png", "file/quilt.png"}) {
        SCOPED_TRACE(out);
        ExpectRefused(Run({"--seed", "1", "--points", endlessPoints, "--out", out}, Summary::ToFile, 10));
        EXPECT_EQ(Listing(), (std::vector<std::string>{"file", "pipe.png"}));
        struct stat status {};
        EXPECT_TRUE(lstat((work / "pipe.png").c_str(), &status) == 0 && S_ISFIFO(status.st_mode));
    }
}

TEST_F(RendererEdges, SummaryThatCannotBeWrittenFailsTheRunAfterThePicture)
{
    for (const Summary summary : {Summary::ToFullDevice, Summary::Closed}) {
        SCOPED_TRACE(summary == Summary::Closed ? "closed" : "full");
        const Ending ending = Run({"--seed", "1", "--points", "0", "--out", "quilt.png", "--quiet"}, summary);
        EXPECT_EQ(ending.status, 1);
        EXPECT_TRUE(!ending.err.empty() && ending.err.find('\n') == ending.err.size() - 1) << ending.err;
        // The picture itself is whole: a PNG from its signature to its end chunk.
        const std::string picture = ReadFile(work / "quilt.png");
        EXPECT_TRUE(picture.size() > 20 && picture.starts_with("\x89PNG\r\n\x1a\n") &&
                    picture.substr(picture.size() - 8, 4) == "IEND");
        fs::remove(work / "quilt.png");
    }
}

}  // namespace
}  // namespace tessalume
