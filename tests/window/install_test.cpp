// The program as a Linux desktop installs it: the laid-out files, a desktop entry that
// validates, manual pages that render, and a Debian package with derived dependencies.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "support/desktop_session.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

// A shell command with its standard error joined to its output.
Finished Shell(const std::string& command)
{
    return RunToEnd({"sh", "-c", command + " 2>&1"}, milliseconds(240000));
}

class Installed : public ScratchFolder {};
class DebianPackage : public ScratchFolder {};

TEST_F(Installed, LaysOutProgramsEntryIconsManualsAndHelp)
{
    const fs::path usr = folder / "usr";
    const Finished install = Shell("cmake --install " TESSALUME_BUILD_DIR " --prefix " + usr.string());
    ASSERT_EQ(install.status, 0) << install.output;
    for (const char* file : {"bin/tessalume", "bin/tessalume-render", "share/applications/tessalume.desktop",
                             "share/man/man1/tessalume.1", "share/man/man1/tessalume-render.1",
                             "share/doc/tessalume/index.html"})
        EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
    for (const std::string side : {"16", "32", "48", "64", "128", "256"})
        EXPECT_TRUE(fs::is_regular_file(usr / ("share/icons/hicolor/" + side + "x" + side + "/apps/tessalume.png"))) << side;

    // The renderer is the engine without the desktop: no display library is linked.
    const Finished needed = Shell("readelf -d " + (usr / "bin/tessalume-render").string());
    EXPECT_NE(needed.output.find("libpng"), std::string::npos) << needed.output;
    for (const char* library : {"SDL", "gtk", "gdk", "libGL", "libX11"})
        EXPECT_EQ(needed.output.find(library), std::string::npos) << library;

    const Finished entry = Shell("desktop-file-validate " + (usr / "share/applications/tessalume.desktop").string());
    EXPECT_EQ(entry.status, 0);
    EXPECT_EQ(entry.output, "");

    for (const char* page : {"tessalume.1", "tessalume-render.1"}) {
        const Finished man = Shell("MANWIDTH=80 man -l " + (usr / "share/man/man1" / page).string() + " | cat");
        EXPECT_EQ(man.status, 0) << page;
        EXPECT_NE(man.output.find("EXIT STATUS"), std::string::npos) << page << man.output;
        EXPECT_NE(man.output.find("EXAMPLE"), std::string::npos) << page;
        EXPECT_EQ(man.output.find("warning"), std::string::npos) << page << man.output;
    }
}

TEST_F(DebianPackage, HoldsBothProgramsWithDerivedDependencies)
{
    const Finished pack = Shell("cpack -G DEB --config " TESSALUME_BUILD_DIR "/CPackConfig.cmake -B " + folder.string());
    ASSERT_EQ(pack.status, 0) << pack.output;
    fs::path deb;
    for (const auto& item : fs::directory_iterator(folder))
        if (item.path().extension() == ".deb") deb = item.path();
    ASSERT_FALSE(deb.empty()) << pack.output;
    EXPECT_EQ(deb.filename().string().rfind("tessalume_", 0), 0u);

    const Finished depends = Shell("dpkg-deb -f " + deb.string() + " Depends");
    EXPECT_NE(depends.output.find("libsdl2"), std::string::npos) << depends.output;
    EXPECT_NE(depends.output.find("libpng"), std::string::npos) << depends.output;
    const Finished contents = Shell("dpkg-deb -c " + deb.string());
    EXPECT_NE(contents.output.find("./usr/bin/tessalume\n"), std::string::npos) << contents.output;
    EXPECT_NE(contents.output.find("./usr/bin/tessalume-render\n"), std::string::npos);
    EXPECT_NE(contents.output.find("./usr/share/applications/tessalume.desktop"), std::string::npos);
}

}  // namespace
}  // namespace tessalume
