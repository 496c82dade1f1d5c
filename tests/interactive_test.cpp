#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "files/desktop.h"
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

bool SameColorMap(const ColorMapChannels& a, const ColorMapChannels& b)
{
    return std::equal(std::begin(a.red), std::end(a.red), b.red) &&
           std::equal(std::begin(a.green), std::end(a.green), b.green) &&
           std::equal(std::begin(a.blue), std::end(a.blue), b.blue);
}

// A scratch folder, the fake desktop, and the globals the file operations touch, put back
// afterwards.
class FileOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/tessalume-files-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        saved = {settingsImagesFolder, outputDirectory, chosenFilePath, defaultExportPath};
        savedFormat = outputFormatList.selected;
        savedInterval = refreshIntervalList.selected;
        settingsImagesFolder = outputDirectory = folder.string();
        chosenFilePath = "unchanged";
        defaultExportPath.clear();
        exportNoticeTicks = 0;
        outputFormatList.selected = 0;
        refreshIntervalList.selected = 0;
        for (int i = 0; i < 256; ++i) {
            ColorMap.red[i] = i + 0.5;
            ColorMap.green[i] = 255.25 - i;
            ColorMap.blue[i] = 0.75;
        }
    }
    void TearDown() override
    {
        settingsImagesFolder = saved[0];
        outputDirectory = saved[1];
        chosenFilePath = saved[2];
        defaultExportPath = saved[3];
        outputFormatList.selected = savedFormat;
        refreshIntervalList.selected = savedInterval;
        exportNoticeTicks = 0;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }
    std::string PathIn(const std::string& name) const { return (folder / name).string(); }
    void ExpectOneWarning(const char* text)
    {
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].first, text);
        EXPECT_EQ(desktop.messages[0].second, "Warning");
        desktop.messages.clear();
    }
    // Folders that cannot take a file: missing, a file in place of a folder, and read-only
    // (this last one only where permissions bind, that is not for root).
    std::vector<std::string> UnwritableFolders()
    {
        WriteWhole(folder / "plain-file", "x");
        std::vector<std::string> folders = {PathIn("missing/deeper"), PathIn("plain-file")};
        fs::create_directory(folder / "read-only");
        fs::permissions(folder / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
        if (access(PathIn("read-only").c_str(), W_OK) != 0) folders.push_back(PathIn("read-only"));
        return folders;
    }

    FakeDesktop desktop;
    fs::path folder;
    std::vector<std::string> saved;
    int32_t savedFormat = 0, savedInterval = 0;
};

TEST_F(FileOperations, SaveDialogsOfferTheFileTypesOfTheirFormatInTheOutputFolder)
{
    struct Expected {
        const char* label;
        const char* pattern;
        const char* extension;
    };
    const Expected formats[3] = {{"PNG Files (*.png)", "*.png", "png"},
                                 {"Bitmap Files", "*.bmp", "bmp"},
                                 {"Color Files", "*.map", "map"}};
    for (int32_t format = 0; format < 3; ++format) {
        EXPECT_FALSE(ChooseExportFile(format));
        const FileDialogRequest& request = desktop.saveRequests.back();
        EXPECT_STREQ(request.types[0].label, formats[format].label);
        EXPECT_STREQ(request.types[0].pattern, formats[format].pattern);
        EXPECT_STREQ(request.types[1].label, "All Files");
        EXPECT_STREQ(request.types[1].pattern, "*.*");
        EXPECT_STREQ(request.defaultExtension, formats[format].extension);
        EXPECT_EQ(request.startFolder, folder.string());
    }
    // An output folder that is gone leaves the start to the desktop.
    outputDirectory = PathIn("gone");
    ChooseExportFile(0);
    EXPECT_EQ(desktop.saveRequests.back().startFolder, "");
    EXPECT_FALSE(ChooseExportFile(3));
    EXPECT_EQ(desktop.saveRequests.size(), 4u);
    EXPECT_EQ(chosenFilePath, "unchanged");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, SaveDialogOffersTheDefaultNameOnlyForItsOwnKindOfFile)
{
    defaultExportPath = folder.string() + "/Tessalume_12_345_L.png";
    ChooseExportFile(0);
    EXPECT_EQ(desktop.saveRequests.back().suggestedName, "Tessalume_12_345_L.png");
    ChooseExportFile(1);
    EXPECT_EQ(desktop.saveRequests.back().suggestedName, "");
    ChooseExportFile(2);
    EXPECT_EQ(desktop.saveRequests.back().suggestedName, "");
    defaultExportPath.clear();  // a default name that did not fit
    ChooseExportFile(0);
    EXPECT_EQ(desktop.saveRequests.back().suggestedName, "");
}

TEST_F(FileOperations, ConfirmedNamesGetTheDefaultExtensionWhenTheyHaveNone)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/a/b.d/quilt", "/a/b.d/quilt.png"},
        {"/a/quilt.PNG", "/a/quilt.PNG"},
        {"/a/notes.txt", "/a/notes.txt"},
        {"/a/.hidden", "/a/.hidden.png"},
    };
    for (const auto& [typed, chosen] : cases) {
        desktop.answer = typed;
        EXPECT_TRUE(ChooseExportFile(0));
        EXPECT_EQ(chosenFilePath, chosen);
    }
    desktop.answer.reset();
    EXPECT_FALSE(ChooseExportFile(0));
    EXPECT_EQ(chosenFilePath, "/a/.hidden.png");
}

TEST_F(FileOperations, PathsLongerThanTheBuffersAreRefusedWithTheWarning)
{
    const std::string fits = "/" + std::string(maxPathLength - 5, 'q');  // with ".png": 1039
    desktop.answer = fits;
    EXPECT_TRUE(ChooseExportFile(0));
    EXPECT_EQ(chosenFilePath, fits + ".png");

    chosenFilePath = "unchanged";
    desktop.answer = fits + "q";
    EXPECT_FALSE(ChooseExportFile(0));
    EXPECT_EQ(chosenFilePath, "unchanged");
    ExpectOneWarning(writeWarning);

    desktop.answer = "/" + std::string(maxPathLength, 'q');
    EXPECT_FALSE(ChooseColorMapFile());
    EXPECT_EQ(chosenFilePath, "unchanged");
    ExpectOneWarning(readWarning);

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
    const FileDialogRequest& request = desktop.openRequests.back();
    EXPECT_EQ(request.startFolder, folder.string());
    EXPECT_STREQ(request.types[0].label, "Color Files");
    EXPECT_STREQ(request.defaultExtension, "map");

    desktop.answer = PathIn("elsewhere");
    ChooseOutputDirectory();
    EXPECT_EQ(desktop.folderRequests.back(), folder.string());
    EXPECT_EQ(outputDirectory, PathIn("elsewhere"));
    EXPECT_EQ(settingsImagesFolder, folder.string());

    desktop.answer.reset();
    ChooseOutputDirectory();
    EXPECT_EQ(outputDirectory, PathIn("elsewhere"));
    settingsImagesFolder = PathIn("gone");
    ChooseOutputDirectory();
    EXPECT_EQ(desktop.folderRequests.back(), "");
}

TEST_F(FileOperations, ExportTileWritesThePeriodAndStartsTheNotice)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(periodWidth) * periodHeight * 3; ++i)
        QuiltImage[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    outputFormatList.selected = 1;
    ASSERT_TRUE(WritePicture(PathIn("reference.bmp"), 1, MakeTilePicture()));

    const int32_t ticks[5] = {20, 13, 8, 4, 2};
    for (int32_t interval = 0; interval < 5; ++interval) {
        refreshIntervalList.selected = interval;
        exportNoticeTicks = 0;
        desktop.answer = PathIn("tile");
        ExportTile();
        EXPECT_EQ(exportNoticeTicks, ticks[interval]);
    }
    EXPECT_EQ(ReadWhole(folder / "tile.bmp"), ReadWhole(folder / "reference.bmp"));
    EXPECT_TRUE(desktop.messages.empty());

    // A cancelled dialog: nothing written, no notice.
    exportNoticeTicks = 0;
    desktop.answer.reset();
    const std::vector<std::string> before = Listing(folder);
    ExportTile();
    EXPECT_EQ(exportNoticeTicks, 0);
    EXPECT_EQ(Listing(folder), before);
}

TEST_F(FileOperations, ExportImageWritesTheTiledPictureWithoutNotice)
{
    outputFormatList.selected = 1;
    ASSERT_TRUE(WritePicture(PathIn("reference.bmp"), 1, MakeTiledPicture(601, 37)));
    desktop.answer = PathIn("tiled.bmp");
    ExportTiledImage(601, 37);
    EXPECT_EQ(ReadWhole(folder / "tiled.bmp"), ReadWhole(folder / "reference.bmp"));
    EXPECT_EQ(exportNoticeTicks, 0);

    // Sizes outside the panel's range end the export before the dialog.
    const std::size_t dialogs = desktop.saveRequests.size();
    ExportTiledImage(0, 100);
    ExportTiledImage(100, 8193);
    EXPECT_EQ(desktop.saveRequests.size(), dialogs);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, FailedExportsAndSavesWarnAndLeaveNothingBehind)
{
    for (const std::string& unwritable : UnwritableFolders()) {
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

TEST_F(FileOperations, SavedColorMapFileHoldsTheFormattedText)
{
    desktop.answer = PathIn("palette");
    EXPECT_TRUE(SaveColorMapFile());
    EXPECT_EQ(chosenFilePath, PathIn("palette.map"));
    EXPECT_EQ(ReadWhole(folder / "palette.map"), FormatColorMapText());
    EXPECT_TRUE(desktop.messages.empty());

    // Saving over an existing file replaces it whole.
    WriteWhole(folder / "old.map", std::string(100000, 'x'));
    desktop.answer = PathIn("old.map");
    EXPECT_TRUE(SaveColorMapFile());
    EXPECT_EQ(ReadWhole(folder / "old.map"), FormatColorMapText());

    desktop.answer.reset();
    EXPECT_FALSE(SaveColorMapFile());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, LoadingAFileThatCannotBeReadKeepsThePalette)
{
    const ColorMapChannels palette = ColorMap;
    fs::create_directory(folder / "a-folder.map");
    for (const std::string& unreadable : {PathIn("missing.map"), PathIn("a-folder.map")}) {
        SCOPED_TRACE(unreadable);
        desktop.answer = unreadable;
        EXPECT_FALSE(LoadColorMapFile());
        EXPECT_TRUE(SameColorMap(ColorMap, palette));
        ExpectOneWarning(readWarning);
    }
    desktop.answer.reset();
    EXPECT_FALSE(LoadColorMapFile());
    EXPECT_TRUE(SameColorMap(ColorMap, palette));
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

    // An endless file is read only as far as it can matter.
    desktop.answer = "/dev/zero";
    EXPECT_TRUE(LoadColorMapFile());
    EXPECT_EQ(ColorMap.red[0], 0);
}

// ---- Settings ---------------------------------------------------------------------------

class StartupSettings : public FileOperations {
protected:
    void SetUp() override
    {
        FileOperations::SetUp();
        savedTexture = textureSize;
        fs::create_directories(folder / "config/tessalume");
        fs::create_directories(folder / "home/Pictures");
    }
    void TearDown() override
    {
        textureSize = savedTexture;
        SetPeriodFromTextureSize();
        FileOperations::TearDown();
    }
    void Load(const std::string& settings)
    {
        WriteWhole(folder / "config/tessalume/settings.ini", settings);
        LoadStartupDefaults(PathIn("config"), PathIn("home"), PathIn("home/Pictures"));
    }
    uint32_t savedTexture = 512;
};

TEST_F(StartupSettings, ImagesValueBecomesBothFolders)
{
    Load("# quilts\r\n[paths]\r\nOther=/x\r\n  Images = /srv/quilts 2024 \r\n");
    EXPECT_EQ(settingsImagesFolder, "/srv/quilts 2024");
    EXPECT_EQ(outputDirectory, "/srv/quilts 2024");
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
    fs::remove(folder / "config/tessalume/settings.ini");
    LoadStartupDefaults(PathIn("config"), PathIn("home"), PathIn("home/NoPictures"));
    EXPECT_EQ(outputDirectory, PathIn("home"));
    LoadStartupDefaults(PathIn("config"), PathIn("home"), "");
    EXPECT_EQ(outputDirectory, PathIn("home"));
}

TEST_F(StartupSettings, SetsThePeriodOfTheTextureSize)
{
    textureSize = 1024;
    Load("");
    EXPECT_EQ(periodWidth, 886);
    EXPECT_EQ(periodHeight, 512);
    EXPECT_EQ(halfWidth, 443);
    EXPECT_EQ(halfHeight, 256);
}

TEST_F(StartupSettings, EnvironmentNamesTheConfigurationAndPicturesFolders)
{
    const char* names[] = {"XDG_CONFIG_HOME", "HOME"};
    std::vector<std::optional<std::string>> before;
    for (const char* name : names)
        before.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);

    fs::create_directories(folder / "home/Bilder");
    fs::create_directories(folder / "home/.config");
    WriteWhole(folder / "home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    setenv("HOME", PathIn("home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, PathIn("home/Bilder"));

    setenv("XDG_CONFIG_HOME", PathIn("config").c_str(), 1);
    WriteWhole(folder / "config/tessalume/settings.ini", "Images=/from/settings\n");
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, "/from/settings");

    for (std::size_t i = 0; i < std::size(names); ++i)
        before[i] ? setenv(names[i], before[i]->c_str(), 1) : unsetenv(names[i]);
}

}  // namespace
}  // namespace tessalume
