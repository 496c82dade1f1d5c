#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "tests/fake_desktop.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteWhole(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Listing(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A scratch folder, the fake desktop, and the globals the file operations touch, which are
// copied at construction and put back afterwards.
class FileOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/tessalume-files-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        settingsImagesFolder = outputDirectory = folder.string();
        chosenFilePath = "unchanged";
        defaultExportPath.clear();
        exportNoticeTicks = outputFormatList.selected = refreshIntervalList.selected = 0;
        for (int i = 0; i < 256; ++i)
            ColorMap.red[i] = i + 0.5, ColorMap.green[i] = 255.25 - i, ColorMap.blue[i] = 0.75;
    }
    void TearDown() override
    {
        std::tie(settingsImagesFolder, outputDirectory, chosenFilePath, defaultExportPath) = paths;
        std::tie(outputFormatList.selected, refreshIntervalList.selected, exportNoticeTicks) =
            lists;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }
    std::string PathIn(const std::string& name) const { return (folder / name).string(); }
    void ExpectOneWarning(const char* text)
    {
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0], std::make_pair(std::string(text), std::string("Warning")));
        desktop.messages.clear();
    }

    std::tuple<std::string, std::string, std::string, std::string> paths{
        settingsImagesFolder, outputDirectory, chosenFilePath, defaultExportPath};
    std::tuple<int32_t, int32_t, int32_t> lists{outputFormatList.selected,
                                                refreshIntervalList.selected, exportNoticeTicks};
    FakeDesktop desktop;
    fs::path folder;
};

TEST_F(FileOperations, SaveDialogsOfferTheTypesOfTheirFormatAndTheDefaultNameOnlyForItsKind)
{
    const char* expected[3][3] = {{"PNG Files (*.png)", "*.png", "png"},
                                  {"Bitmap Files", "*.bmp", "bmp"},
                                  {"Color Files", "*.map", "map"}};
    defaultExportPath = folder.string() + "/Tessalume_12_345_L.png";
    for (int32_t format = 0; format < 3; ++format) {
        EXPECT_FALSE(ChooseExportFile(format));
        const FileDialogRequest& request = desktop.saveRequests.back();
        EXPECT_STREQ(request.types[0].label, expected[format][0]);
        EXPECT_STREQ(request.types[0].pattern, expected[format][1]);
        EXPECT_STREQ(request.types[1].label, "All Files");
        EXPECT_STREQ(request.types[1].pattern, "*.*");
        EXPECT_STREQ(request.defaultExtension, expected[format][2]);
        EXPECT_EQ(request.startFolder, folder.string());
        EXPECT_EQ(request.suggestedName, format == 0 ? "Tessalume_12_345_L.png" : "");
    }
    // Without a default name that fits, or an output folder, both are left to the desktop.
    defaultExportPath.clear();
    outputDirectory = PathIn("gone");
    ChooseExportFile(0);
    EXPECT_EQ(desktop.saveRequests.back().suggestedName, "");
    EXPECT_EQ(desktop.saveRequests.back().startFolder, "");
    EXPECT_FALSE(ChooseExportFile(3));
    EXPECT_FALSE(ChooseExportFile(-1));
    EXPECT_EQ(desktop.saveRequests.size(), 4u);
    EXPECT_EQ(chosenFilePath, "unchanged");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, ConfirmedPathsGetTheDefaultExtensionAndMustFitTheBuffers)
{
    const std::string fits = "/" + std::string(maxPathLength - 5, 'q');  // with ".png": at limit
    const std::function<bool()> exportFile = [] { return ChooseExportFile(0); };
    const struct {
        std::optional<std::string> typed;
        std::function<bool()> choose;
        std::string chosen;  // empty: refused, chosenFilePath kept
        const char* warning;
    } cases[] = {
        {"/a/b.d/quilt", exportFile, "/a/b.d/quilt.png", nullptr},
        {"/a/quilt.PNG", exportFile, "/a/quilt.PNG", nullptr},
        {"/a/notes.txt", exportFile, "/a/notes.txt", nullptr},
        {"/a/.hidden", exportFile, "/a/.hidden.png", nullptr},
        {std::nullopt, exportFile, "", nullptr},
        {fits, exportFile, fits + ".png", nullptr},
        {fits + "q", exportFile, "", writeWarning},
        {"/" + std::string(maxPathLength, 'q'), ChooseColorMapFile, "", readWarning},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.value_or("cancelled").substr(0, 20));
        chosenFilePath = "unchanged";
        desktop.answer = c.typed;
        EXPECT_EQ(c.choose(), !c.chosen.empty());
        EXPECT_EQ(chosenFilePath, c.chosen.empty() ? "unchanged" : c.chosen);
        if (c.warning) ExpectOneWarning(c.warning);
        EXPECT_TRUE(desktop.messages.empty());
    }
    ChooseOutputDirectory();
    EXPECT_EQ(outputDirectory, folder.string());
    ExpectOneWarning(writeWarning);
}

TEST_F(FileOperations, ColorMapOpenAndFolderDialogsStartAtTheSettingNotTheOutputFolder)
{
    fs::create_directory(folder / "chosen");
    outputDirectory = PathIn("chosen");
    desktop.answer = PathIn("palette.map");
    EXPECT_TRUE(ChooseColorMapFile());
    EXPECT_EQ(chosenFilePath, PathIn("palette.map"));
    EXPECT_EQ(desktop.openRequests.back().startFolder, folder.string());
    EXPECT_STREQ(desktop.openRequests.back().types[0].label, "Color Files");
    EXPECT_STREQ(desktop.openRequests.back().defaultExtension, "map");

    desktop.answer = PathIn("elsewhere");
    ChooseOutputDirectory();
    EXPECT_EQ(desktop.folderRequests.back(), folder.string());
    EXPECT_EQ(outputDirectory, PathIn("elsewhere"));
    EXPECT_EQ(settingsImagesFolder, folder.string());

    desktop.answer.reset();
    settingsImagesFolder = PathIn("gone");
    ChooseOutputDirectory();
    EXPECT_EQ(outputDirectory, PathIn("elsewhere"));
    EXPECT_EQ(desktop.folderRequests.back(), "");
}

TEST_F(FileOperations, ExportsWriteThePicturesAndOnlyTheTileStartsTheNotice)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(periodWidth) * periodHeight * 3; ++i)
        QuiltImage[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    outputFormatList.selected = 1;
    ASSERT_TRUE(WritePicture(PathIn("tile-reference.bmp"), 1, MakeTilePicture()));
    ASSERT_TRUE(WritePicture(PathIn("tiled-reference.bmp"), 1, MakeTiledPicture(601, 37)));
    const int32_t ticks[5] = {20, 13, 8, 4, 2};
    for (int32_t interval = 0; interval < 5; ++interval) {
        refreshIntervalList.selected = interval;
        exportNoticeTicks = 0;
        desktop.answer = PathIn("tile");
        ExportTile();
        EXPECT_EQ(exportNoticeTicks, ticks[interval]);
    }
    EXPECT_EQ(ReadWhole(folder / "tile.bmp"), ReadWhole(folder / "tile-reference.bmp"));
    exportNoticeTicks = 0;
    desktop.answer = PathIn("tiled.bmp");
    ExportTiledImage(601, 37);
    EXPECT_EQ(ReadWhole(folder / "tiled.bmp"), ReadWhole(folder / "tiled-reference.bmp"));
    EXPECT_EQ(exportNoticeTicks, 0);

    // Sizes outside the panel's range end the export before the dialog; a cancelled dialog
    // writes nothing.
    ExportTiledImage(0, 100);
    ExportTiledImage(100, 8193);
    EXPECT_EQ(desktop.saveRequests.size(), 6u);
    desktop.answer.reset();
    const std::vector<std::string> before = Listing(folder);
    ExportTile();
    EXPECT_EQ(exportNoticeTicks, 0);
    EXPECT_EQ(Listing(folder), before);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, FailedExportsAndSavesWarnAndLeaveNothingBehind)
{
    // Missing, a file in place of a folder, and read-only (only where permissions bind).
    WriteWhole(folder / "plain-file", "x");
    std::vector<std::string> unwritables = {PathIn("missing/deeper"), PathIn("plain-file")};
    fs::create_directory(folder / "read-only");
    fs::permissions(folder / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
    if (access(PathIn("read-only").c_str(), W_OK) != 0) unwritables.push_back(PathIn("read-only"));
    for (const std::string& unwritable : unwritables) {
        SCOPED_TRACE(unwritable);
        const std::vector<std::string> before = Listing(folder);
        desktop.answer = unwritable + "/tile.png";
        ExportTile();
        EXPECT_EQ(exportNoticeTicks, 0);
        ExpectOneWarning(writeWarning);
        desktop.answer = unwritable + "/tiled.png";
        ExportTiledImage(64, 64);
        ExpectOneWarning(writeWarning);
        desktop.answer = unwritable + "/palette.map";
        EXPECT_FALSE(SaveColorMapFile());
        ExpectOneWarning(writeWarning);
        EXPECT_EQ(Listing(folder), before);
    }
}

TEST_F(FileOperations, SavedColorMapFileHoldsTheFormattedTextAndReplacesAnOldOneWhole)
{
    WriteWhole(folder / "palette.map", std::string(100000, 'x'));
    desktop.answer = PathIn("palette");
    EXPECT_TRUE(SaveColorMapFile());
    EXPECT_EQ(chosenFilePath, PathIn("palette.map"));
    EXPECT_EQ(ReadWhole(folder / "palette.map"), FormatColorMapText());
    desktop.answer.reset();
    EXPECT_FALSE(SaveColorMapFile());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, LoadingAFileThatCannotBeReadKeepsThePalette)
{
    const ColorMapChannels palette = ColorMap;
    fs::create_directory(folder / "a-folder.map");
    for (const std::optional<std::string>& unreadable :
         {std::optional(PathIn("missing.map")), std::optional(PathIn("a-folder.map")),
          std::optional<std::string>()}) {
        desktop.answer = unreadable;
        EXPECT_FALSE(LoadColorMapFile());
        EXPECT_EQ(std::memcmp(&ColorMap, &palette, sizeof palette), 0);
        if (unreadable) ExpectOneWarning(readWarning);
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, LoadingReadsAsMuchAs256LongCrLfLinesAndNoMore)
{
    // 256 lines of the longest kind (98 characters and CR LF), then lines that would force
    // the smoothing if they were read.
    std::string text;
    for (int i = 0; i < 256; ++i) {
        std::string line = std::to_string(i) + ".5 0.25 0.75";
        line.resize(98, ' ');
        text += line + "\r\n";
    }
    for (int i = 0; i < 5000; ++i) text += "1 2 3\n";
    WriteWhole(folder / "long.map", text);
    desktop.answer = PathIn("long.map");
    EXPECT_TRUE(LoadColorMapFile());
    EXPECT_EQ(ColorMap.red[255], 255.5);
    EXPECT_EQ(ColorMap.red[1], 1.5);
    EXPECT_EQ(ColorMap.blue[255], 0.75);
    desktop.answer = "/dev/zero";  // an endless file is read only as far as it can matter
    EXPECT_TRUE(LoadColorMapFile());
    EXPECT_EQ(ColorMap.red[0], 0);
}

class StartupSettings : public FileOperations {
protected:
    void SetUp() override
    {
        FileOperations::SetUp();
        fs::create_directories(folder / "config/tessalume");
        fs::create_directories(folder / "home/Pictures");
    }
    void TearDown() override
    {
        textureSize = savedTexture;
        SetPeriodFromTextureSize();
        FileOperations::TearDown();
    }
    void Load(const std::string& settings, const std::string& pictures = "home/Pictures")
    {
        WriteWhole(folder / "config/tessalume/settings.ini", settings);
        LoadStartupDefaults(PathIn("config"), PathIn("home"),
                            pictures.empty() ? "" : PathIn(pictures));
    }
    uint32_t savedTexture = textureSize;
};

TEST_F(StartupSettings, ImagesValueBecomesBothFoldersAndThePeriodFollowsTheTexture)
{
    textureSize = 1024;
    Load("# quilts\r\n[paths]\r\nOther=/x\r\n  Images = /srv/quilts 2024 \r\n");
    EXPECT_EQ(settingsImagesFolder, "/srv/quilts 2024");
    EXPECT_EQ(outputDirectory, "/srv/quilts 2024");
    EXPECT_EQ(std::vector<int32_t>({periodWidth, periodHeight, halfWidth, halfHeight}),
              std::vector<int32_t>({886, 512, 443, 256}));
    Load("Images=~/Quilts\n");
    EXPECT_EQ(settingsImagesFolder, PathIn("home") + "/Quilts");
}

TEST_F(StartupSettings, WithoutAUsableValueThePicturesFolderOrHomeStandsIn)
{
    for (const std::string& settings :
         {std::string(""), std::string("Images=\n"), std::string("images=/lower/case\n"),
          "Images=/" + std::string(maxPathLength, 'x') + "\n"}) {
        Load(settings);
        EXPECT_EQ(settingsImagesFolder, PathIn("home/Pictures"));
        EXPECT_EQ(outputDirectory, PathIn("home/Pictures"));
    }
    for (const char* pictures : {"home/NoPictures", ""}) {
        Load("", pictures);
        EXPECT_EQ(outputDirectory, PathIn("home"));
    }
}

TEST_F(StartupSettings, EnvironmentNamesTheConfigurationAndPicturesFolders)
{
    const char* names[] = {"XDG_CONFIG_HOME", "HOME"};
    std::optional<std::string> before[2];
    for (int i = 0; i < 2; ++i)
        if (const char* value = std::getenv(names[i])) before[i] = value;

    fs::create_directories(folder / "home/.config");
    fs::create_directories(folder / "home/Bilder");
    WriteWhole(folder / "home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    setenv("HOME", PathIn("home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, PathIn("home/Bilder"));

    setenv("XDG_CONFIG_HOME", PathIn("config").c_str(), 1);
    WriteWhole(folder / "config/tessalume/settings.ini", "Images=/from/settings\n");
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, "/from/settings");
    for (int i = 0; i < 2; ++i)
        before[i] ? setenv(names[i], before[i]->c_str(), 1) : unsetenv(names[i]);
}

}  // namespace
}  // namespace tessalume
