// What the user's file operations do with the desktop's answers: the dialogs they open, the
// names and extensions, the exports and colour map files written or read, the warnings, the
// start-up settings and the default export name.
#include <sys/stat.h>

#include <cmath>
#include <cstring>

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

// Saves start in the output folder; the colour map open and the folder choice in the setting's.
TEST_F(FileOperations, DialogsStartInTheirFoldersAndOfferTheDefaultNameOnlyForItsKind)
{
    fs::create_directory(folder / "output");
    outputDirectory = PathIn("output");
    defaultExportPath = PathIn("Tessalume_12_345_L.png");
    for (int32_t format : {pngFormat, bmpFormat, colorMapFormat}) {
        EXPECT_FALSE(ChooseExportFile(format));
        const FileDialogRequest& request = desktop.saveRequests.back();
        EXPECT_STREQ(request.defaultExtension, fileFormats[format].defaultExtension);
        EXPECT_EQ(request.startFolder, PathIn("output"));
        EXPECT_EQ(request.suggestedName, format == pngFormat ? "Tessalume_12_345_L.png" : "");
    }
    EXPECT_FALSE(ChooseColorMapFile());
    EXPECT_EQ(desktop.openRequests.back().startFolder, folder.string());
    EXPECT_STREQ(desktop.openRequests.back().defaultExtension, "map");
    desktop.answer = PathIn("elsewhere");
    ChooseOutputDirectory();
    EXPECT_EQ(desktop.folderRequests.back(), folder.string());
    EXPECT_EQ(outputDirectory, PathIn("elsewhere"));
    EXPECT_EQ(settingsImagesFolder, folder.string());

    // Folders that are gone are left to the desktop to choose; an unknown kind opens no dialog.
    desktop.answer.reset();
    outputDirectory = settingsImagesFolder = PathIn("gone");
    EXPECT_FALSE(ChooseExportFile(3) || ChooseExportFile(-1) || ChooseExportFile(pngFormat));
    ChooseOutputDirectory();
    EXPECT_EQ(desktop.saveRequests.back().startFolder + desktop.folderRequests.back(), "");
    EXPECT_EQ(desktop.saveRequests.size(), 4u);
    EXPECT_EQ(chosenFilePath, "unchanged");
    EXPECT_EQ(outputDirectory, PathIn("gone"));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileOperations, ConfirmedPathsGetTheDefaultExtensionAndMustFitTheBuffers)
{
    const std::string fits = "/" + std::string(maxPathLength - 5, 'q');  // with ".png": at the limit
    const struct { std::string typed, chosen; } cases[] = {  // chosen empty: refused with a warning
        {"/a/b.d/quilt", "/a/b.d/quilt.png"}, {"/a/notes.txt", "/a/notes.txt"}, {"/a/.hidden", "/a/.hidden.png"},
        {fits, fits + ".png"}, {fits + "q", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.substr(0, 20));
        chosenFilePath = "unchanged";
        desktop.answer = c.typed;
        EXPECT_EQ(ChooseExportFile(pngFormat), !c.chosen.empty());
        EXPECT_EQ(chosenFilePath, c.chosen.empty() ? "unchanged" : c.chosen);
        if (c.chosen.empty()) ExpectOneWarning(writeWarning);
        EXPECT_TRUE(desktop.messages.empty());
    }
    desktop.answer = "/" + std::string(maxPathLength, 'q');
    EXPECT_FALSE(ChooseColorMapFile());
    ExpectOneWarning(readWarning);
    ChooseOutputDirectory();
    EXPECT_EQ(outputDirectory, folder.string());
    ExpectOneWarning(writeWarning);
    EXPECT_EQ(chosenFilePath, "unchanged");
}

// Only a tile written starts the notice, of about eight seconds; a failed export or save warns.
TEST_F(FileOperations, ExportsWriteThePicturesOrWarnAndOnlyAWrittenTileStartsTheNotice)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(periodWidth) * periodHeight * 3; ++i)
        QuiltImage[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    outputFormatList.selected = bmpFormat;
    ASSERT_TRUE(WritePicture(PathIn("tile-reference.bmp"), bmpFormat, MakeTilePicture()));
    ASSERT_TRUE(WritePicture(PathIn("tiled-reference.bmp"), bmpFormat, MakeTiledPicture(601, 37)));
    for (int32_t interval = 0; interval < std::ssize(refreshIntervalTable); ++interval) {
        refreshIntervalList.selected = interval;
        desktop.answer = PathIn("tile");
        ExportTile();
        EXPECT_EQ(exportNoticeTicks, std::lround(8000.0 / refreshIntervalTable[interval].milliseconds)) << interval;
    }
    EXPECT_EQ(ReadFile(PathIn("tile.bmp")), ReadFile(PathIn("tile-reference.bmp")));
    exportNoticeTicks = 0;
    desktop.answer = PathIn("tiled.bmp");
    ExportTiledImage(601, 37);
    EXPECT_EQ(ReadFile(PathIn("tiled.bmp")), ReadFile(PathIn("tiled-reference.bmp")));

    // Sizes outside the panel's range end the export before the dialog; a cancelled one writes
    // nothing.
    ExportTiledImage(0, 100);
    ExportTiledImage(100, maxTiledPictureSide + 1);
    EXPECT_EQ(desktop.saveRequests.size(), std::size(refreshIntervalTable) + 1);
    desktop.answer.reset();
    fs::create_directory(folder / "taken.png");
    const std::vector<std::string> before = Listing(folder);
    ExportTile();
    EXPECT_EQ(Listing(folder), before);
    EXPECT_TRUE(desktop.messages.empty());

    // A folder in the way fails each write at its last step, so the file written aside must go
    // too; which destinations cannot be written is the atomic writes' concern.
    desktop.answer = PathIn("taken.png");
    ExportTile();
    ExpectOneWarning(writeWarning);
    ExportTiledImage(64, 64);
    ExpectOneWarning(writeWarning);
    EXPECT_FALSE(SaveColorMapFile());
    ExpectOneWarning(writeWarning);
    EXPECT_EQ(exportNoticeTicks, 0);
    EXPECT_EQ(Listing(folder), before);
}

// A save replaces an old file whole; a file that cannot be read keeps the palette; 256 lines of
// the longest kind (98 characters and CR LF) are read, not the lines after them that would force
// the smoothing.
TEST_F(FileOperations, ColorMapFilesAreWrittenWholeAndReadAsFarAsTheyMatter)
{
    WriteFile(PathIn("palette.map"), std::string(100000, 'x'));
    desktop.answer = PathIn("palette");
    EXPECT_TRUE(SaveColorMapFile());
    EXPECT_EQ(chosenFilePath, PathIn("palette.map"));
    EXPECT_EQ(ReadFile(PathIn("palette.map")), FormatColorMapText());

    const ColorMapChannels palette = ColorMap;
    fs::create_directory(folder / "a-folder.map");
    ASSERT_EQ(mkfifo(PathIn("pipe.map").c_str(), 0644), 0);  // without a writer: must not wait for one
    for (const char* unreadable : {"missing.map", "a-folder.map", "pipe.map", static_cast<const char*>(nullptr)}) {
        desktop.answer = unreadable ? std::optional(PathIn(unreadable)) : std::nullopt;
        EXPECT_FALSE(LoadColorMapFile());
        EXPECT_EQ(std::memcmp(&ColorMap, &palette, sizeof palette), 0);
        if (unreadable) ExpectOneWarning(readWarning);
    }
    EXPECT_TRUE(desktop.messages.empty());

    std::string text;
    for (int i = 0; i < 256; ++i) text += (std::to_string(i) + ".5 0.25 0.75").append(90, ' ').substr(0, 98) + "\r\n";
    for (int i = 0; i < 5000; ++i) text += "1 2 3\n";
    WriteFile(PathIn("long.map"), text);
    desktop.answer = PathIn("long.map");
    EXPECT_TRUE(LoadColorMapFile());
    EXPECT_EQ(ColorMap.red[255], 255.5) << "the last line is read";
    EXPECT_EQ(ColorMap.red[1], 1.5) << "nothing after it forced the smoothing";
    EXPECT_EQ(ColorMap.green[7], 0.25);
}

TEST_F(FileOperations, ImagesSettingBecomesBothFoldersElseThePicturesFolderOrHome)
{
    fs::create_directories(folder / "config/tessalume");
    fs::create_directories(folder / "home/Pictures");
    const auto load = [&](const std::string& settings, const std::string& pictures = "home/Pictures") {
        WriteFile(PathIn("config/tessalume/settings.ini"), settings);
        LoadStartupDefaults(PathIn("config"), PathIn("home"), PathIn(pictures));
    };
    textureSize = resolutionTable[1].textureSize;
    load("# quilts\r\n[paths]\r\nOther=/x\r\n  Images = /srv/quilts 2024 \r\n");
    EXPECT_EQ(settingsImagesFolder + "|" + outputDirectory, "/srv/quilts 2024|/srv/quilts 2024");
    EXPECT_EQ(periodWidth, resolutionTable[1].periodWidth) << "the period follows the texture size";
    load("Images=~/Quilts\n");
    EXPECT_EQ(settingsImagesFolder, PathIn("home") + "/Quilts");
    for (const std::string& unusable : {std::string("Images=\n"), std::string("images=/x\n"), "Images=/" + std::string(maxPathLength, 'x') + "\n"}) {
        load(unusable);
        EXPECT_EQ(settingsImagesFolder + "|" + outputDirectory, PathIn("home/Pictures") + "|" + PathIn("home/Pictures"));
    }
    load("", "home/NoPictures");
    EXPECT_EQ(outputDirectory, PathIn("home"));

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
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, PathIn("home/Bilder"));
    setenv("XDG_CONFIG_HOME", PathIn("config").c_str(), 1);
    WriteFile(PathIn("config/tessalume/settings.ini"), "Images=/from/settings\n");
    LoadStartupDefaults();
    EXPECT_EQ(outputDirectory, "/from/settings");
    for (int i = 0; i < 2; ++i) before[i] ? setenv(names[i], before[i]->c_str(), 1) : unsetenv(names[i]);
    ResetEngine();
}

// 256 i + 128 m + the seven code digits, d6 first, a digit above 1 adding up as the 32-bit
// value it is; "H" for any antialiasing. The renderer's pinned names cover the other endings.
TEST_F(FileOperations, DefaultExportNameCodesTheSettingsAndRefusesAnOverlongPath)
{
    outputDirectory = "/home/me/Pictures";
    runNumber = 4711;
    intensityList.selected = 3;
    colorMappingIndex = 1;
    antialiasingList.selected = 2;
    const uint32_t digits[7] = {1, 2, 1, 1, 0, 0, 1};  // d0..d6: 128 + 64 + 8 + 4 + 2 * 2 + 1
    std::copy(std::begin(digits), std::end(digits), codeDigits);
    FormDefaultExportName();
    EXPECT_EQ(defaultExportPath, "/home/me/Pictures/Tessalume_4711_977_H.png");
    for (const std::size_t length : {maxPathLength - 25, maxPathLength - 24}) {  // the name: 25
        outputDirectory = std::string(length, 'd');
        FormDefaultExportName();
        EXPECT_EQ(defaultExportPath.size(), length == maxPathLength - 25 ? maxPathLength : 0);
    }
}

}  // namespace
}  // namespace tessalume
