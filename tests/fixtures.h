// What the test files share: the engine in a known state, a scratch folder, whole-file reading,
// a digest for pinned results, PNG decoding by libpng rather than by our own code, and runs of
// the headless renderer.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {

// The engine as start-up leaves it before its first new quilt, with both generators seeded:
// every control at its start value and applied, the first resolution row, catalogue entries 0,
// no blur, no request pending, the accumulators and the picture cleared.
inline void ResetEngine(uint32_t seed = 1)
{
    SeedGenerators(seed);
    BuildControls();
    textureSize = resolutionTable[0].textureSize;
    SetPeriodFromTextureSize();
    activeResolution = 0;
    antialiasRadius = 1.75;
    ApplySettings();
    transformIndexI = transformIndexII = transformShownI = transformShownII = 0;
    SelectTransformationI();
    SelectTransformationII();
    blurringFactor = blurRadius = 0;
    newQuiltRequest = resetRequest = renderInProgress = 0;
    clearOnReset = 1;
    ClearAccumulators();
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

enum class Summary { ToFile, ToFullDevice, Closed };

struct Ending {
    int status = -1;  // exit status; -1 when a signal ended the run
    int signal = 0;
    long maxResidentKiB = 0;
    std::string out, err;
};

// A program run in root/work with stdin from /dev/null and its output streams in files beside
// that folder, so that the folder's listing shows exactly what the run left; the default
// action for every termination signal, whatever the test runner inherited; optional limits.
class Process {
public:
    Process(std::vector<std::string> argv, const std::filesystem::path& root, Summary summary, rlim_t cpuSeconds,
            rlim_t fileBytes)
        : outPath(root / "stdout"), errPath(root / "stderr")
    {
        std::vector<char*> args;
        for (std::string& argument : argv) args.push_back(argument.data());
        args.push_back(nullptr);
        const std::string summaryPath = summary == Summary::ToFullDevice ? "/dev/full" : outPath.string();
        const std::string errorPath = errPath.string(), work = (root / "work").string();
        const rlimit cpu{cpuSeconds, cpuSeconds}, size{fileBytes, fileBytes};
        pid = fork();  // only async-signal-safe calls until exec
        if (pid != 0) return;
        const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = open(summaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        if (summary == Summary::Closed) close(1);
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
        if (cpuSeconds > 0) setrlimit(RLIMIT_CPU, &cpu);
        if (fileBytes > 0) setrlimit(RLIMIT_FSIZE, &size);
        if (chdir(work.c_str()) == 0) execv(args[0], args.data());
        _exit(127);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process()
    {
        if (Running()) kill(pid, SIGKILL), Wait();
    }

    bool Running()
    {
        int raw = 0;
        rusage usage{};
        if (ending || pid <= 0 || wait4(pid, &raw, WNOHANG, &usage) != pid) return !ending && pid > 0;
        ending = Ending{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, WIFSIGNALED(raw) ? WTERMSIG(raw) : 0,
                        usage.ru_maxrss, ReadFile(outPath), ReadFile(errPath)};
        return false;
    }
    // The ending; a run still going after the limit is killed, and the test fails.
    Ending Wait(std::chrono::seconds limit = std::chrono::seconds(120))
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (Running() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (Running()) {
            ADD_FAILURE() << "still running after " << limit.count() << " s";
            kill(pid, SIGKILL);
            while (Running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return ending.value_or(Ending{});
    }

    pid_t pid = -1;

private:
    std::filesystem::path outPath, errPath;
    std::optional<Ending> ending;
};

#ifdef TESSALUME_RENDER_PATH
// The headless renderer as a user runs it, in the scratch folder's "work".
class Renderer : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        std::filesystem::create_directory(folder / "work");
    }
    std::unique_ptr<Process> Start(const std::vector<std::string>& arguments, Summary summary = Summary::ToFile,
                                   rlim_t cpuSeconds = 0, rlim_t fileBytes = 0) const
    {
        std::vector<std::string> argv = {TESSALUME_RENDER_PATH};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return std::make_unique<Process>(argv, folder, summary, cpuSeconds, fileBytes);
    }
    Ending Run(const std::vector<std::string>& arguments, Summary summary = Summary::ToFile, rlim_t cpuSeconds = 0,
               rlim_t fileBytes = 0) const
    {
        return Start(arguments, summary, cpuSeconds, fileBytes)->Wait();
    }
    std::vector<std::string> Listing() const { return tessalume::Listing(folder / "work"); }
    static void ExpectRefused(const Ending& ending)
    {
        EXPECT_EQ(ending.status, 2) << ending.err;
        EXPECT_EQ(ending.out, "");
        EXPECT_TRUE(!ending.err.empty() && ending.err.find('\n') == ending.err.size() - 1) << ending.err;  // one line
    }
};
#endif

}  // namespace tessalume
