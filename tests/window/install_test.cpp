// The program as a Linux desktop installs it: the laid-out files, a desktop entry that
// validates, manual pages that render, and a Debian package with derived dependencies.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> block;
    std::size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), pipe)) > 0) result.output.append(block.data(), got);
    result.status = pclose(pipe);
    return result;
}

class Installed : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = fs::temp_directory_path() / ("tessalume-install-" + std::to_string(getpid()));
        install = RunCommand("cmake --install " TESSALUME_BUILD_DIR " --prefix " + (root / "usr").string());
    }
    static void TearDownTestSuite() { fs::remove_all(root); }

    static inline fs::path root;
    static inline CommandResult install;
};

TEST_F(Installed, LaysOutProgramsEntryIconsManualsAndHelp)
{
    ASSERT_EQ(install.status, 0) << install.output;
    const fs::path usr = root / "usr";
    for (const char* file : {"bin/tessalume", "bin/tessalume-render", "share/applications/tessalume.desktop",
                             "share/man/man1/tessalume.1", "share/man/man1/tessalume-render.1",
                             "share/doc/tessalume/index.html"})
        EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const std::string side = std::to_string(size);
        EXPECT_TRUE(fs::is_regular_file(usr / ("share/icons/hicolor/" + side + "x" + side + "/apps/tessalume.png")))
            << side;
    }

    // The renderer is the engine without the desktop: no display library is linked.
    const CommandResult needed = RunCommand("readelf -d " + (usr / "bin/tessalume-render").string());
    EXPECT_NE(needed.output.find("libpng"), std::string::npos) << needed.output;
    for (const char* library : {"SDL", "gtk", "gdk", "libGL", "libX11"})
        EXPECT_EQ(needed.output.find(library), std::string::npos) << library;

    const CommandResult entry = RunCommand("desktop-file-validate " + (usr / "share/applications/tessalume.desktop").string());
    EXPECT_EQ(entry.status, 0);
    EXPECT_EQ(entry.output, "");

    for (const char* page : {"tessalume.1", "tessalume-render.1"}) {
        const CommandResult man = RunCommand("MANWIDTH=80 man -l " + (usr / "share/man/man1" / page).string() + " | cat");
        EXPECT_EQ(man.status, 0) << page;
        EXPECT_NE(man.output.find("EXIT STATUS"), std::string::npos) << page << man.output;
        EXPECT_NE(man.output.find("EXAMPLE"), std::string::npos) << page;
        EXPECT_EQ(man.output.find("warning"), std::string::npos) << page << man.output;
    }
}

TEST(DebianPackage, HoldsBothProgramsWithDerivedDependencies)
{
    const fs::path out = fs::temp_directory_path() / ("tessalume-deb-" + std::to_string(getpid()));
    const CommandResult pack = RunCommand("cpack -G DEB --config " TESSALUME_BUILD_DIR "/CPackConfig.cmake -B " + out.string());
    ASSERT_EQ(pack.status, 0) << pack.output;
    fs::path deb;
    for (const auto& item : fs::directory_iterator(out))
        if (item.path().extension() == ".deb") deb = item.path();
    ASSERT_FALSE(deb.empty()) << pack.output;
    EXPECT_EQ(deb.filename().string().rfind("tessalume_", 0), 0u);

    const CommandResult depends = RunCommand("dpkg-deb -f " + deb.string() + " Depends");
    EXPECT_NE(depends.output.find("libsdl2"), std::string::npos) << depends.output;
    EXPECT_NE(depends.output.find("libpng"), std::string::npos) << depends.output;
    const CommandResult contents = RunCommand("dpkg-deb -c " + deb.string());
    EXPECT_NE(contents.output.find("./usr/bin/tessalume\n"), std::string::npos) << contents.output;
    EXPECT_NE(contents.output.find("./usr/bin/tessalume-render\n"), std::string::npos);
    EXPECT_NE(contents.output.find("./usr/share/applications/tessalume.desktop"), std::string::npos);
    fs::remove_all(out);
}

}  // namespace
