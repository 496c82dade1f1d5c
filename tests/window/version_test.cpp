// One version number, from the project: what both programs print, the manuals and the package.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "support/desktop_session.h"
#include "version.h"

namespace tessalume {
namespace {

TEST(Version, ProgramsManualsAndPackageShowTheProjects)
{
    const std::string version = programVersion;
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(RunToEnd({TESSALUME_PROGRAM_PATH, "--version"}, milliseconds(60000)).output, "Tessalume " + version + "\n");
    EXPECT_EQ(RunToEnd({TESSALUME_RENDER_PATH, "--version"}, milliseconds(60000)).output,
              "tessalume-render (Tessalume) " + version + "\n");
    // The manuals as they are installed, and the package cpack makes.
    for (const char* page : {"tessalume.1", "tessalume-render.1"}) {
        const std::string text = ReadFile(std::string(TESSALUME_BUILD_DIR "/man/") + page);
        EXPECT_NE(text.substr(0, text.find('\n')).find("\"Tessalume " + version + "\""), std::string::npos) << page;
    }
    EXPECT_NE(ReadFile(TESSALUME_BUILD_DIR "/CPackConfig.cmake").find("set(CPACK_PACKAGE_VERSION \"" + version + "\")"),
              std::string::npos);
}

}  // namespace
}  // namespace tessalume
