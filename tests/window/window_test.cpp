// The window program's command line, and how it ends where it cannot draw. Its window, growing
// quilt and quit question are met in commands_desktop_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/desktop_session.h"

namespace tessalume {
namespace {

TEST(WindowProgram, CommandLineAndMissingDisplay)
{
    const Finished help = RunToEnd({TESSALUME_PROGRAM_PATH, "--help"}, milliseconds(20000));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: tessalume", 0), 0u) << help.output;
    const Finished version = RunToEnd({TESSALUME_PROGRAM_PATH, "--version"}, milliseconds(20000));
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "Tessalume 1.1\n");

    // Refused arguments (status 2) and no display at all (status 1): one line each, nothing on
    // standard output.
    constexpr const char* program = TESSALUME_PROGRAM_PATH;
    for (const auto& [args, status] : std::initializer_list<std::pair<std::vector<std::string>, int>>{
             {{program, "--bogus"}, 2}, {{program, "--seed"}, 2}, {{program, "--seed", "-1"}, 2},
             {{program, "--seed", "4294967296"}, 2}, {{program, "--seed", "1"}, 1}}) {
        const Finished run = RunToEnd(args, milliseconds(60000));
        EXPECT_EQ(run.status, status) << args.back();
        EXPECT_EQ(std::count(run.error.begin(), run.error.end(), '\n'), 1) << run.error;
        EXPECT_EQ(run.output, "") << args.back();
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
