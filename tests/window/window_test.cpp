// The window program's command line, and how it ends where it cannot draw. Its window, growing
// quilt and quit question are met in commands_desktop_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/desktop_session.h"
#include "version.h"

namespace tessalume {
namespace {

// Help and the project's version (first lines) on standard output alone; refused arguments
// (status 2) and no display at all (status 1) one line on standard error alone.
TEST(WindowProgram, CommandLineAndMissingDisplay)
{
    const struct { std::vector<std::string> args; int status; std::string output; } cases[] = {
        {{"--help"}, 0, "Usage: tessalume [--seed N] [--orbits K]\n"},
        {{"--version"}, 0, "Tessalume " + std::string(programVersion) + "\n"}, {{"--bogus"}, 2, ""},
        {{"--seed"}, 2, ""}, {{"--seed", "-1"}, 2, ""}, {{"--seed", "4294967296"}, 2, ""}, {{"--seed", "1"}, 1, ""},
        {{"--orbits", "0"}, 2, ""}, {{"--orbits", "65"}, 2, ""}, {{"--orbits"}, 2, ""}, {{"--orbits", "3"}, 1, ""}};
    for (const auto& c : cases) {
        std::vector<std::string> argv = {TESSALUME_PROGRAM_PATH};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const Finished run = RunToEnd(argv, milliseconds(60000));
        EXPECT_EQ(run.status, c.status) << argv.back();
        EXPECT_EQ(std::count(run.error.begin(), run.error.end(), '\n'), c.status == 0 ? 0 : 1) << run.error;
        EXPECT_EQ(c.status == 0 ? run.output.substr(0, run.output.find('\n') + 1) : run.output, c.output);
    }
}

TEST(WindowProgram, DisplayWithoutOpenGlSaysSoAndEnds)
{
    VirtualDisplay display;
    if (!display.Start(false)) GTEST_SKIP() << "no X server could be started";
    ProgramUnderTest program(display.Name(), {"--seed", "3"});
    ASSERT_TRUE(program.WaitForLine("dialog SetPixelFormat failed", milliseconds(30000)));
    ASSERT_TRUE(PressKeyIn(display.Name(), "Error", "Return"));
    EXPECT_EQ(program.Wait(milliseconds(20000)), 1);
}

}  // namespace
}  // namespace tessalume
