// Unfinished files and the termination signals: a write notes its temporary file for as long
// as the file exists, and a program that asks for it gets a handler that removes the noted file
// before the signal ends the process.
#include "files/unfinished.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "files/files.h"

namespace tessalume {
namespace {

constexpr int terminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// One write at a time is noted; a write that finds the note taken (by another thread) goes
// unnoted. The handler may neither lock nor allocate: the path lives in a fixed buffer and is
// published by a lock-free flag.
char notedPath[PATH_MAX];
std::atomic<bool> noteTaken{false};
std::atomic<bool> pathNoted{false};
thread_local bool noteIsThisThreads = false;
static_assert(std::atomic<bool>::is_always_lock_free);

sigset_t TerminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : terminationSignals) sigaddset(&set, signal);
    return set;
}

// Holds the termination signals on this thread while it lives; errno stays as it was.
class TerminationHeld {
public:
    TerminationHeld()
    {
        const sigset_t held = TerminationSignals();
        pthread_sigmask(SIG_BLOCK, &held, &previous);
    }
    ~TerminationHeld()
    {
        const int saved = errno;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        errno = saved;
    }
    TerminationHeld(const TerminationHeld&) = delete;
    TerminationHeld& operator=(const TerminationHeld&) = delete;

private:
    sigset_t previous;
};

void ForgetNote()
{
    if (!noteIsThisThreads) return;
    pathNoted.store(false);
    noteTaken.store(false);
    noteIsThisThreads = false;
}

void RemoveNotedFileAndDie(int signal)
{
    if (pathNoted.load()) unlink(notedPath);
    // The action is back at its default (SA_RESETHAND) and the signal is held until this
    // handler returns: then it ends the process as it would have, with the status shells expect.
    raise(signal);
}

constexpr std::string_view unfinishedMark = ".tessalume-tmp-";

std::string FolderPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool AllOf(std::string_view text, std::string_view characters)
{
    return !text.empty() && text.find_first_not_of(characters) == std::string_view::npos;
}

// The PID of a name made by UnfinishedPathBeside, or 0 when the name is not one.
pid_t PidOfUnfinishedName(std::string_view name)
{
    const std::size_t mark = name.rfind(unfinishedMark);
    if (!name.starts_with('.') || mark == std::string_view::npos || mark == 0) return 0;
    std::string_view rest = name.substr(mark + unfinishedMark.size());
    std::string_view fields[4];
    for (std::string_view& field : fields) {
        const std::size_t dash = rest.find('-');
        field = rest.substr(0, dash);
        rest = dash == std::string_view::npos ? std::string_view() : rest.substr(dash + 1);
    }
    constexpr std::string_view digits = "0123456789";
    if (!rest.empty() || !AllOf(fields[0], digits) || !AllOf(fields[1], digits) || !AllOf(fields[2], digits) ||
        !AllOf(fields[3], "0123456789abcdef"))
        return 0;
    pid_t pid = 0;
    const auto [end, fault] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), pid);
    return fault == std::errc() && end == fields[0].data() + fields[0].size() && pid > 0 ? pid : 0;
}

}  // namespace

// Unique among the threads of this process by the counter, among processes by the PID, and
// among runs reusing a PID by the clock.
std::string UnfinishedPathBeside(const std::string& destination, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderPart(destination);
    // A short prefix of the name keeps the temporary within the file system's name limit.
    const std::string name = destination.substr(folder.size()).substr(0, 64);
    const auto ticks = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[80];
    std::snprintf(suffix, sizeof suffix, "%.*s%ld-%u-%u-%llx", static_cast<int>(unfinishedMark.size()),
                  unfinishedMark.data(), static_cast<long>(getpid()), counter.fetch_add(1), attempt, ticks);
    return folder + "." + name + suffix;
}

void RemoveAbandonedUnfinishedFiles(const std::string& destination)
{
    const std::string folder = FolderPart(destination);
    DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = readdir(listing)) {
        const pid_t pid = PidOfUnfinishedName(entry->d_name);
        // A PID in use, even by another user's process (EPERM), may be the writer's.
        if (pid == 0 || kill(pid, 0) == 0 || errno != ESRCH) continue;
        const std::string path = folder + entry->d_name;
        struct stat status;
        if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == geteuid())
            unlink(path.c_str());
    }
    closedir(listing);
}

int CreateUnfinishedFile(const std::string& path)
{
    const TerminationHeld held;
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0 && path.size() < sizeof notedPath && !noteTaken.exchange(true)) {
        std::memcpy(notedPath, path.c_str(), path.size() + 1);
        pathNoted.store(true);
        noteIsThisThreads = true;
    }
    return descriptor;
}

bool RenameUnfinishedFile(const std::string& path, const std::string& destination)
{
    const TerminationHeld held;
    if (std::rename(path.c_str(), destination.c_str()) != 0) return false;
    ForgetNote();
    return true;
}

void RemoveUnfinishedFile(const std::string& path)
{
    const TerminationHeld held;
    unlink(path.c_str());
    ForgetNote();
}

void RemoveUnfinishedFileOnTermination()
{
    struct sigaction removal {};
    removal.sa_handler = RemoveNotedFileAndDie;
    removal.sa_mask = TerminationSignals();  // one removal at a time
    removal.sa_flags = SA_RESETHAND;
    for (const int signal : terminationSignals) {
        struct sigaction current {};
        // A signal ignored from the start (nohup's SIGHUP, a background job's SIGINT) stays so.
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            sigaction(signal, &removal, nullptr);
    }
}

}  // namespace tessalume
