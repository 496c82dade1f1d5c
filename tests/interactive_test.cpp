// What the user's file operations do with the desktop's answers: the dialogs they open, the
// names and extensions, the exports and colour map files written or read, the warnings, the
// start-up settings and the default export name.
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "tests/fake_desktop.h"
#include "tests/fixtures.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

class FileOperations : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        ResetEngine();
        settingsImagesFolder = outputDirectory = folder.string();
        chosenFilePath = "unchanged";
        defaultExportPath.clear();
        exportNoticeTicks = 0;
        for (int i = 0; i < 256; ++i) ColorMap.red[i] = i + 0.5, ColorMap.green[i] = 255.25 - i, ColorMap.blue[i] = 0.75;
    }
    void ExpectOneWarning(const char* text)
    {
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0], std::make_pair(std::string(text), std::string(warningCaption)));
        desktop.messages.clear();
    }

    FakeDesktop desktop;
};

TEST_F(FileOperations, SaveDialogsOfferTheirKindsTypesAndTheDefaultNameOnlyForItsKind)
{
    defaultExportPath = PathIn("Tessalume_12_345_L.png");
    for (int32_t format : {pngFormat, bmpFormat, colorMapFormat}) {
        EXPECT_FALSE(ChooseExportFile(format));
        const FileDialogRequest& request = desktop.saveRequests.back();
        EXPECT_STREQ(request.types[0].pattern, fileFormats[format].types[0].pattern);
        EXPECT_STREQ(request.types[1].label, "All Files");
        EXPECT_STREQ(request.defaultExtension, fileFormats[format].defaultExtension);
        EXPECT_EQ(request.startFolder, folder.string());
        EXPECT_EQ(request.suggestedName, format == pngFormat ? "Tessalume_12_345_L.png" : "");
    }
    // Without a default name, or an output folder that exists, both are left to the desktop.
    defaultExportPath.clear();
    outputDirectory = PathIn("gone");
    ChooseExportFile(pngFormat);
    EXPECT_EQ(desktop.saveRequests.back().suggestedName + desktop.saveRequests.back().startFolder, "");
    EXPECT_FALSE(ChooseExportFile(3));
    EXPECT_FALSE(ChooseExportFile(-1));
    EXPECT_EQ(desktop.saveRequests.size(), 4u);
    EXPECT_EQ(chosenFilePath, "unchanged");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, ConfirmedPathsGetTheDefaultExtensionAndMustFitTheBuffers)
{
    const std::string fits = "/" + std::string(maxPathLength - 5, 'q');  // with ".png": at the limit
    const std::function<bool()> exportFile = [] { return ChooseExportFile(pngFormat); };
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

TEST_F(FileOperations, ExportsWriteThePicturesAndOnlyTheTileStartsTheNoticeOfAboutEightSeconds)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(periodWidth) * periodHeight * 3; ++i)
        QuiltImage[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    outputFormatList.selected = bmpFormat;
    ASSERT_TRUE(WritePicture(PathIn("tile-reference.bmp"), bmpFormat, MakeTilePicture()));
    ASSERT_TRUE(WritePicture(PathIn("tiled-reference.bmp"), bmpFormat, MakeTiledPicture(601, 37)));
    for (int32_t interval = 0; interval < static_cast<int32_t>(std::size(refreshIntervalTable)); ++interval) {
        refreshIntervalList.selected = interval;
        exportNoticeTicks = 0;
        desktop.answer = PathIn("tile");
        ExportTile();
        const RefreshIntervalEntry& row = refreshIntervalTable[interval];
        EXPECT_EQ(exportNoticeTicks, row.noticeTicks);
        EXPECT_EQ(row.noticeTicks, std::lround(8000.0 / row.milliseconds)) << row.label;
    }
    EXPECT_EQ(ReadFile(PathIn("tile.bmp")), ReadFile(PathIn("tile-reference.bmp")));
    exportNoticeTicks = 0;
    desktop.answer = PathIn("tiled.bmp");
    ExportTiledImage(601, 37);
    EXPECT_EQ(ReadFile(PathIn("tiled.bmp")), ReadFile(PathIn("tiled-reference.bmp")));
    EXPECT_EQ(exportNoticeTicks, 0);

    // Sizes outside the panel's range end the export before the dialog; a cancelled dialog
    // writes nothing.
    ExportTiledImage(0, 100);
    ExportTiledImage(100, maxTiledPictureSide + 1);
    EXPECT_EQ(desktop.saveRequests.size(), std::size(refreshIntervalTable) + 1);
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
    WriteFile(PathIn("plain-file"), "x");
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

TEST_F(FileOperations, SavedColorMapReplacesAnOldFileWholeAndUnreadableOnesKeepThePalette)
{
    WriteFile(PathIn("palette.map"), std::string(100000, 'x'));
    desktop.answer = PathIn("palette");
    EXPECT_TRUE(SaveColorMapFile());
    EXPECT_EQ(chosenFilePath, PathIn("palette.map"));
    EXPECT_EQ(ReadFile(PathIn("palette.map")), FormatColorMapText());

    const ColorMapChannels palette = ColorMap;
    fs::create_directory(folder / "a-folder.map");
    for (const std::optional<std::string>& unreadable :
         {std::optional(PathIn("missing.map")), std::optional(PathIn("a-folder.map")), std::optional<std::string>()}) {
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
    WriteFile(PathIn("long.map"), text);
    desktop.answer = PathIn("long.map");
    EXPECT_TRUE(LoadColorMapFile());
    EXPECT_EQ(ColorMap.red[255], 255.5);
    EXPECT_EQ(ColorMap.red[1], 1.5);
    EXPECT_EQ(ColorMap.blue[255], 0.75);
    desktop.answer = "/dev/zero";  // an endless file is read only as far as it can matter
    EXPECT_TRUE(LoadColorMapFile());
    EXPECT_EQ(ColorMap.red[0], 0);
}

TEST_F(FileOperations, ImagesSettingBecomesBothFoldersElseThePicturesFolderOrHome)
{
    fs::create_directories(folder / "config/tessalume");
    fs::create_directories(folder / "home/Pictures");
    const auto load = [&](const std::string& settings, const std::string& pictures = "home/Pictures") {
        WriteFile(PathIn("config/tessalume/settings.ini"), settings);
        LoadStartupDefaults(PathIn("config"), PathIn("home"), pictures.empty() ? "" : PathIn(pictures));
    };
    textureSize = resolutionTable[1].textureSize;
    load("# quilts\r\n[paths]\r\nOther=/x\r\n  Images = /srv/quilts 2024 \r\n");
    EXPECT_EQ(settingsImagesFolder, "/srv/quilts 2024");
    EXPECT_EQ(outputDirectory, "/srv/quilts 2024");
    EXPECT_EQ(periodWidth, resolutionTable[1].periodWidth) << "the period follows the texture size";
    load("Images=~/Quilts\n");
    EXPECT_EQ(settingsImagesFolder, PathIn("home") + "/Quilts");
    for (const std::string& unusable :
         {std::string(""), std::string("Images=\n"), std::string("images=/lower/case\n"),
          "Images=/" + std::string(maxPathLength, 'x') + "\n"}) {
        load(unusable);
        EXPECT_EQ(settingsImagesFolder, PathIn("home/Pictures"));
        EXPECT_EQ(outputDirectory, PathIn("home/Pictures"));
    }
    for (const char* pictures : {"home/NoPictures", ""}) {
        load("", pictures);
        EXPECT_EQ(outputDirectory, PathIn("home"));
    }
    ResetEngine();
}

TEST_F(FileOperations, EnvironmentNamesTheConfigurationAndPicturesFolders)
{
    const char* names[] = {"XDG_CONFIG_HOME", "HOME"};
    std::optional<std::string> before[2];
    for (int i = 0; i < 2; ++i)
        if (const char* value = std::getenv(names[i])) before[i] = value;
    fs::create_directories(folder / "home/.config");
    fs::create_directories(folder / "home/Bilder");
    fs::create_directories(folder / "config/tessalume");
    WriteFile(PathIn("home/.config/user-dirs.dirs"), "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    setenv("HOME", PathIn("home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, PathIn("home/Bilder"));

    setenv("XDG_CONFIG_HOME", PathIn("config").c_str(), 1);
    WriteFile(PathIn("config/tessalume/settings.ini"), "Images=/from/settings\n");
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, "/from/settings");
    for (int i = 0; i < 2; ++i) before[i] ? setenv(names[i], before[i]->c_str(), 1) : unsetenv(names[i]);
}

// 256 i + 128 m + the seven code digits, d6 first; "L" or "H" by antialiasing, the format's
// extension. Digits above 1 add up as the 32-bit value they are.
TEST_F(FileOperations, DefaultExportNameCodesTheSettingsAndRefusesAnOverlongPath)
{
    outputDirectory = "/home/me/Pictures";
    runNumber = 4711;
    intensityList.selected = 3;
    colorMappingIndex = 1;
    const uint32_t digits[7] = {1, 0, 1, 1, 0, 0, 1};  // d0..d6: 128 + 64 + 8 + 4 + 1
    std::copy(std::begin(digits), std::end(digits), codeDigits);
    const struct {
        int32_t antialiasing, format;
        const char* ending;
    } rows[] = {{0, pngFormat, "L.png"}, {2, pngFormat, "H.png"}, {0, bmpFormat, "L.bmp"}, {1, bmpFormat, "H.bmp"}};
    for (const auto& row : rows) {
        antialiasingList.selected = row.antialiasing;
        outputFormatList.selected = row.format;
        FormDefaultExportName();
        EXPECT_EQ(defaultExportPath, std::string("/home/me/Pictures/Tessalume_4711_973_") + row.ending);
    }
    outputDirectory = "";
    runNumber = intensityList.selected = antialiasingList.selected = outputFormatList.selected = 0;
    colorMappingIndex = 6;
    std::fill(std::begin(codeDigits), std::end(codeDigits), 0);
    codeDigits[0] = 2;
    FormDefaultExportName();
    EXPECT_EQ(defaultExportPath, "/Tessalume_0_770_L.png");  // 128 * 6 + 2

    for (const std::size_t length : {maxPathLength - 24, maxPathLength}) {
        outputDirectory = std::string(length, 'd');
        FormDefaultExportName();
        EXPECT_EQ(defaultExportPath.size(), length == maxPathLength ? 0 : maxPathLength - 2);
    }
}

}  // namespace
}  // namespace tessalume
