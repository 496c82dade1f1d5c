// Unfinished files and the termination signals: a write notes its temporary file for as long
// as the file exists, and a program that asks for it gets a handler that removes the noted file
// before the signal ends the process.
#include "files/unfinished.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

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

}  // namespace

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
