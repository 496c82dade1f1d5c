// The program as a Linux desktop installs it: the laid-out files, a desktop entry that
// validates, manual pages that render, and a Debian package with derived dependencies. The
// manuals and the package carry the project's one version number.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "support/desktop_session.h"
#include "version.h"

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
    // The files not met below: the help page is where the program looks for it.
    for (const char* file : {"bin/tessalume", "share/doc/tessalume/index.html"})
        EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
    // Each size folder of the icon theme holds the icon at that size.
    for (const auto& size : fs::directory_iterator(usr / "share/icons/hicolor"))
        EXPECT_EQ(DecodePng(ReadFile(size.path() / "apps/tessalume.png")).width, std::stoi(size.path().filename())) << size.path();

    // The renderer is the engine without the desktop: no display library is linked.
    const Finished needed = Shell("readelf -d " + (usr / "bin/tessalume-render").string());
    EXPECT_NE(needed.output.find("libz"), std::string::npos) << needed.output;  // the PNG encoder's compressor
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
        EXPECT_NE(man.output.find("Tessalume " + std::string(programVersion)), std::string::npos) << page;
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
    EXPECT_EQ(Shell("dpkg-deb -f " + deb.string() + " Package Version").output,
              "Package: tessalume\nVersion: " + std::string(programVersion) + "\n");
    const Finished depends = Shell("dpkg-deb -f " + deb.string() + " Depends");
    EXPECT_NE(depends.output.find("libsdl2"), std::string::npos) << depends.output;
    EXPECT_NE(depends.output.find("zlib1g"), std::string::npos) << depends.output;
    const Finished contents = Shell("dpkg-deb -c " + deb.string());
    for (const char* program : {"./usr/bin/tessalume\n", "./usr/bin/tessalume-render\n"})
        EXPECT_NE(contents.output.find(program), std::string::npos) << contents.output;
}

}  // namespace
}  // namespace tessalume
