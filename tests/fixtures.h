// What the test files share: a fresh quilt, a scratch folder, whole-file reading,
// a digest for pinned results, PNG decoding by libpng rather than by our own code, child
// processes and runs of the headless renderer.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"

namespace tessalume {

using std::chrono::milliseconds;

// A quilt as start-up leaves it before its first new quilt: seeded, the settings in force, the
// catalogue entries of its design selected, the picture cleared.
inline Quilt FreshQuilt(const Settings& settings = {}, uint32_t seed = 1)
{
    Quilt quilt;
    SeedQuilt(quilt, seed);
    ApplySettings(quilt, settings);
    SelectTransformations(quilt);
    ClearQuilt(quilt, settings.intensity);
    return quilt;
}

// 64-bit FNV-1a: a digest that pins a result without restating it.
inline uint64_t Digest(std::string_view bytes, uint64_t hash = 14695981039346656037ull)
{
    for (const char byte : bytes) hash = (hash ^ static_cast<uint8_t>(byte)) * 1099511628211ull;
    return hash;
}

template <typename T>
uint64_t DigestOf(const T& value, uint64_t hash = 14695981039346656037ull)
{
    return Digest(std::string_view(reinterpret_cast<const char*>(&value), sizeof value), hash);
}

// The words of a line, as a shell splits one without quotes.
inline std::vector<std::string> Words(const std::string& line)
{
    std::istringstream text(line);
    return {std::istream_iterator<std::string>(text), std::istream_iterator<std::string>()};
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Everything under a folder, relative to it and sorted: what a run or an export left there.
inline std::vector<std::string> Listing(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.push_back(entry.path().lexically_relative(folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

// The pixels of a PNG file as 8-bit RGB rows, top to bottom; an empty picture if it is not one.
inline RgbPicture DecodePng(std::string_view bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    RgbPicture picture;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) return RgbPicture{};
    picture.width = static_cast<int32_t>(image.width);
    picture.height = static_cast<int32_t>(image.height);
    return picture;
}

// A fresh folder for each test, removed with everything in it afterwards.
class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = (std::filesystem::temp_directory_path() / "tessalume-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        folder = name;
    }
    // Tests may leave folders read-only: everything is made writable again, outside in.
    void TearDown() override
    {
        namespace fs = std::filesystem;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_directory()) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }
    std::string PathIn(const std::string& name) const { return (folder / name).string(); }

    std::filesystem::path folder;
};

// Forks; the child runs body and ends with its result, never returning into the test, and dies
// with the test however the test ends.
template <typename Body>
pid_t Fork(Body body)
{
    std::fflush(nullptr);  // else what the test has buffered is written twice
    const pid_t parent = getpid(), pid = fork();
    if (pid == 0) _exit(prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && getppid() == parent ? body() : 126);
    return pid;
}

enum class StandardOutput { Captured, FullDevice, Closed };

struct Finished {
    std::optional<int> status;  // 128 + signal for a signal; nothing when stopped at the limit
    int signal = 0;
    long maxResidentKiB = 0;
    std::string output, error;
};

// A child process of the test, ended by its PID (SIGTERM, then SIGKILL) and reaped when this
// goes. Started from argv (looked up in PATH), it reads /dev/null and writes into unnamed files,
// which never hold it up as a full pipe would; it takes the default action for every
// termination signal, whatever the test runner inherited; the limits apply when not 0.
class ChildProcess {
public:
    explicit ChildProcess(pid_t pid) : pid(pid) {}
    explicit ChildProcess(std::vector<std::string> argv, const std::string& folder = "",
                          StandardOutput output = StandardOutput::Captured, rlim_t cpuSeconds = 0, rlim_t fileBytes = 0)
    {
        std::vector<char*> args;
        for (std::string& word : argv) args.push_back(word.data());
        args.push_back(nullptr);
        output_ = output == StandardOutput::Captured ? memfd_create("output", MFD_CLOEXEC) : -1;
        error_ = memfd_create("error", MFD_CLOEXEC);
        const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = output == StandardOutput::FullDevice ? open("/dev/full", O_WRONLY | O_CLOEXEC) : output_;
        const rlimit cpu{cpuSeconds, cpuSeconds}, size{fileBytes, fileBytes};
        pid = Fork([&] {  // only async-signal-safe calls until exec
            dup2(in, 0), dup2(error_, 2), out >= 0 ? dup2(out, 1) : close(1);
            for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
            if (cpuSeconds > 0) setrlimit(RLIMIT_CPU, &cpu);
            if (fileBytes > 0) setrlimit(RLIMIT_FSIZE, &size);
            if (folder.empty() || chdir(folder.c_str()) == 0) execvp(args[0], args.data());
            return 127;
        });
        close(in);
        if (out != output_) close(out);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess()
    {
        Stop();
        for (const int file : {output_, error_})
            if (file >= 0) close(file);
    }

    // The exit status (128 + signal for a signal), or nothing while it still runs at the limit.
    std::optional<int> Wait(milliseconds limit)
    {
        for (const auto end = std::chrono::steady_clock::now() + limit; pid > 0 && !ended_;) {
            if (wait4(pid, &status_, WNOHANG, &usage_) == pid)
                ended_ = true;
            else if (std::chrono::steady_clock::now() >= end)
                break;
            else
                std::this_thread::sleep_for(milliseconds(5));
        }
        if (!ended_) return std::nullopt;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }
    void Stop()
    {
        if (pid <= 0 || Wait(milliseconds(0))) return;
        kill(pid, SIGTERM);
        if (Wait(milliseconds(3000))) return;
        kill(pid, SIGKILL);
        Wait(milliseconds(10000));
    }
    // How it ended within the limit; a run still going then is stopped.
    Finished Finish(milliseconds limit)
    {
        const std::optional<int> status = Wait(limit);
        Stop();
        return {status, status && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0, usage_.ru_maxrss, Output(), Error()};
    }
    // What it has written so far, from that byte on.
    std::string Output(std::size_t from = 0) const { return Read(output_, from); }
    std::string Error(std::size_t from = 0) const { return Read(error_, from); }

    pid_t pid = -1;

private:
    static std::string Read(int file, std::size_t from)
    {
        std::string text;
        char buffer[4096];
        for (ssize_t length; file >= 0 && (length = pread(file, buffer, sizeof buffer, from + text.size())) > 0;)
            text.append(buffer, static_cast<std::size_t>(length));
        return text;
    }

    int output_ = -1, error_ = -1, status_ = 0;
    bool ended_ = false;
    rusage usage_{};
};

#ifdef TESSALUME_RENDER_PATH
// The headless renderer as a user runs it, in the scratch folder's "work", so that the
// folder's listing shows exactly what the run left.
class Renderer : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        std::filesystem::create_directory(work = folder / "work");
    }
    ChildProcess Start(const std::vector<std::string>& arguments, StandardOutput output = StandardOutput::Captured,
                       rlim_t cpuSeconds = 0, rlim_t fileBytes = 0) const
    {
        std::vector<std::string> argv = {TESSALUME_RENDER_PATH};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return ChildProcess(argv, work.string(), output, cpuSeconds, fileBytes);
    }
    // A run still going after two minutes is stopped, and the test fails.
    Finished Run(const std::vector<std::string>& arguments, StandardOutput output = StandardOutput::Captured,
                 rlim_t cpuSeconds = 0, rlim_t fileBytes = 0) const
    {
        Finished finished = Start(arguments, output, cpuSeconds, fileBytes).Finish(std::chrono::minutes(2));
        EXPECT_TRUE(finished.status) << "still running after two minutes";
        return finished;
    }
    std::vector<std::string> Listing() const { return tessalume::Listing(work); }
    // Waits until the temporary file of the renderer's write is there beside the `files` the
    // folder held before (writing an 8192 x 8192 picture takes seconds), or the run has ended.
    void AwaitTemporary(ChildProcess& renderer, std::size_t files) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (Listing().size() == files && !renderer.Wait(milliseconds(0)) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(milliseconds(1));
        ASSERT_EQ(Listing().size(), files + 1) << "no temporary file while the renderer ran";
    }
    static void ExpectRefused(const Finished& run)
    {
        EXPECT_EQ(run.status, 2) << run.error;
        EXPECT_EQ(run.output, "");
        EXPECT_TRUE(!run.error.empty() && run.error.find('\n') == run.error.size() - 1) << run.error;  // one line
    }

    std::filesystem::path work;
};
#endif

}  // namespace tessalume
