// tessalume: the window program. Grows quilts in a window until the user quits.
#include <malloc.h>

#include <charconv>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/shell.h"
#include "files/files.h"
#include "version.h"

namespace tessalume {
namespace {

constexpr const char* usage =
    "Usage: tessalume [--seed N] [--orbits K]\n"
    "Opens the Tessalume window, finds a quilt attractor and grows it live.\n"
    "\n"
    "  --seed N     seed the random generators with N (0..4294967295) rather than the clock,\n"
    "               so that a start-up can be repeated\n"
    "  --orbits K   grow the quilt with K orbits at once, each on a thread of its own (1..64);\n"
    "               one per processor unless given, 1 as a single orbit always grew\n"
    "  --version    print the version and exit\n"
    "  --help       print this text and exit\n"
    "\n"
    "To make quilts without a window, use tessalume-render.\n";

constexpr int badInputStatus = 2;

int Refuse(const char* message, const char* argument)
{
    std::fprintf(stderr, "tessalume: %s \"%s\" (see --help)\n", message, argument);
    return badInputStatus;
}

// The whole text as a number from low to high: digits only.
template <typename Number>
bool ReadWhole(std::string_view text, Number low, Number high, Number& value)
{
    const char* end = text.data() + text.size();
    Number read = 0;
    const auto [stop, fault] = std::from_chars(text.data(), end, read);
    if (text.empty() || stop != end || fault != std::errc() || read < low || read > high) return false;
    value = read;
    return true;
}

// -1 to go on with these options, else the status to end with.
int ReadCommandLine(int argc, char** argv, StartOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("Tessalume %s\n", programVersion);
            return 0;
        }
        if (argument == "--orbits") {
            if (i + 1 == argc) return Refuse("a whole number 1..64 must follow", argv[i]);
            if (!ReadWhole<int32_t>(argv[++i], 1, maxOrbits, options.orbits))
                return Refuse("--orbits needs a whole number 1..64, not", argv[i]);
            continue;
        }
        if (argument != "--seed") return Refuse("unknown argument", argv[i]);
        if (i + 1 == argc) return Refuse("a whole number 0..4294967295 must follow", argv[i]);
        if (!ReadWhole<uint32_t>(argv[++i], 0, UINT32_MAX, options.seed))
            return Refuse("--seed needs a whole number 0..4294967295, not", argv[i]);
        options.seedGiven = true;
    }
    return -1;
}

}  // namespace
}  // namespace tessalume

int main(int argc, char** argv)
{
    using namespace tessalume;
    StartOptions options;
    int status = ReadCommandLine(argc, argv, options);
    if (status >= 0) return status;
    // The software OpenGL renderer allocates and frees large blocks every frame; without these
    // limits the C library hands them back to the kernel each time and every frame pays for
    // faulting them in again (several times the cost of drawing it).
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    // An export cut off by a termination signal leaves no temporary file behind.
    RemoveUnfinishedFileOnTermination();
    InstallPlatform(&SdlPlatform());
    status = StartUp(options);
    if (status < 0) status = RunMessageLoop();
    // The worker is never stopped and may be in the middle of a batch: end here, without the
    // teardown of the globals it is using.
    std::fflush(nullptr);
    std::_Exit(status);
}
