// The folder exports go to, from the per-user settings, and the default export name.
#include "tests/fixtures.h"

namespace tessalume {
namespace {

class Names : public ScratchFolder {};

TEST_F(Names, ImagesSettingElseThePicturesFolderOrHome)
{
    namespace fs = std::filesystem;
    fs::create_directories(folder / "config/tessalume");
    fs::create_directories(folder / "home/Pictures");
    const auto load = [&](const std::string& settings, const std::string& pictures = "home/Pictures") {
        WriteFile(PathIn("config/tessalume/settings.ini"), settings);
        return ImagesFolder(PathIn("config"), PathIn("home"), PathIn(pictures));
    };
    EXPECT_EQ(load("# quilts\r\n[paths]\r\nOther=/x\r\n  Images = /srv/quilts 2024 \r\n"), "/srv/quilts 2024");
    EXPECT_EQ(load("Images=~/Quilts\n"), PathIn("home") + "/Quilts");
    for (const std::string& unusable : {std::string("Images=\n"), std::string("images=/x\n"), "Images=/" + std::string(maxPathLength, 'x') + "\n"})
        EXPECT_EQ(load(unusable), PathIn("home/Pictures"));
    EXPECT_EQ(load("", "home/NoPictures"), PathIn("home"));

    // From the environment: HOME's user-dirs.dirs names the pictures folder, XDG_CONFIG_HOME
    // the folder of the settings.
    const char* names[] = {"XDG_CONFIG_HOME", "HOME"};
    std::optional<std::string> before[2];
    for (int i = 0; i < 2; ++i)
        if (const char* value = std::getenv(names[i])) before[i] = value;
    fs::create_directories(folder / "home/.config");
    fs::create_directories(folder / "home/Bilder");
    WriteFile(PathIn("home/.config/user-dirs.dirs"), "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    setenv("HOME", PathIn("home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ImagesFolder(), PathIn("home/Bilder"));
    setenv("XDG_CONFIG_HOME", PathIn("config").c_str(), 1);
    WriteFile(PathIn("config/tessalume/settings.ini"), "Images=/from/settings\n");
    EXPECT_EQ(ImagesFolder(), "/from/settings");
    for (int i = 0; i < 2; ++i) before[i] ? setenv(names[i], before[i]->c_str(), 1) : unsetenv(names[i]);
}

// 256 i + 128 m + the seven code digits, d6 first, a digit above 1 adding up as the 32-bit
// value it is; "H" for any antialiasing. The renderer's pinned names cover the other endings.
TEST(DefaultExportName, CodesTheSettingsAndRefusesAnOverlongPath)
{
    Quilt quilt;
    Settings settings;
    settings.outputFolder = "/home/me/Pictures";
    quilt.runNumber = 4711;
    settings.intensity = 3;
    quilt.colorMapping = 1;
    settings.antialiasing = 2;
    const uint32_t digits[7] = {1, 2, 1, 1, 0, 0, 1};  // d0..d6: 128 + 64 + 8 + 4 + 2 * 2 + 1
    std::copy(std::begin(digits), std::end(digits), quilt.design.codeDigits);
    EXPECT_EQ(DefaultExportName(quilt, settings), "/home/me/Pictures/Tessalume_4711_977_H.png");
    for (const std::size_t length : {maxPathLength - 25, maxPathLength - 24}) {  // the name: 25
        settings.outputFolder = std::string(length, 'd');
        EXPECT_EQ(DefaultExportName(quilt, settings).size(), length == maxPathLength - 25 ? maxPathLength : 0);
    }
}

}  // namespace
}  // namespace tessalume
