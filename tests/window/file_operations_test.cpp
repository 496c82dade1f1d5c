// What the user's file operations do with the desktop's answers: the dialogs they open, the
// names and extensions, the exports and colour map files written or read, the warnings.
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <semaphore>

#include "tests/window/fake_platform.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

class FileOperations : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        imagesFolder = windowSettings.outputFolder = folder.string();
        chosenFilePath = "unchanged";
        exportNoticeTicks = 0;
        for (int i = 0; i < 256; ++i) map.red[i] = i + 0.5, map.green[i] = 255.25 - i, map.blue[i] = 0.75;
    }
    void ExpectOneWarning(const char* text)
    {
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0], std::make_pair(std::string(text), std::string(warningCaption)));
        platform.messages.clear();
    }

    Quilt& quilt = windowWorker.quilt();
    ColorMapChannels& map = quilt.colorMap;
};

// Saves start in the output folder; the colour map open and the folder choice in the setting's.
TEST_F(FileOperations, DialogsStartInTheirFoldersAndOfferTheDefaultNameOnlyForItsKind)
{
    fs::create_directory(folder / "output");
    windowSettings.outputFolder = PathIn("output");
    const std::string defaultName = DefaultExportName(quilt, windowSettings).substr(PathIn("output/").size());
    for (int32_t format : {pngFormat, bmpFormat, colorMapFormat}) {
        EXPECT_FALSE(ChooseExportFile(format));
        const FileDialogRequest& request = platform.saveRequests.back();
        EXPECT_STREQ(request.defaultExtension, fileFormats[format].defaultExtension);
        EXPECT_EQ(request.startFolder, PathIn("output"));
        EXPECT_EQ(request.suggestedName, format == pngFormat ? defaultName : "");
    }
    EXPECT_FALSE(ChooseColorMapFile());
    EXPECT_EQ(platform.openRequests.back().startFolder, folder.string());
    EXPECT_STREQ(platform.openRequests.back().defaultExtension, "map");
    EXPECT_STREQ(platform.openRequests.back().types.at(1).pattern, "*.png;*.bmp;*.json") << "quilts can be browsed for";
    platform.answer = PathIn("elsewhere");
    ChooseOutputDirectory();
    EXPECT_EQ(platform.folderRequests.back(), folder.string());
    EXPECT_EQ(windowSettings.outputFolder, PathIn("elsewhere"));
    EXPECT_EQ(imagesFolder, folder.string());

    // Folders that are gone are left to the desktop to choose; an unknown kind opens no dialog.
    platform.answer.reset();
    windowSettings.outputFolder = imagesFolder = PathIn("gone");
    EXPECT_FALSE(ChooseExportFile(3) || ChooseExportFile(-1) || ChooseExportFile(pngFormat));
    ChooseOutputDirectory();
    EXPECT_EQ(platform.saveRequests.back().startFolder + platform.folderRequests.back(), "");
    EXPECT_EQ(platform.saveRequests.size(), 4u);
    EXPECT_EQ(chosenFilePath, "unchanged");
    EXPECT_EQ(windowSettings.outputFolder, PathIn("gone"));
    EXPECT_TRUE(platform.messages.empty());
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
        platform.answer = c.typed;
        EXPECT_EQ(ChooseExportFile(pngFormat), !c.chosen.empty());
        EXPECT_EQ(chosenFilePath, c.chosen.empty() ? "unchanged" : c.chosen);
        if (c.chosen.empty()) ExpectOneWarning(writeWarning);
        EXPECT_TRUE(platform.messages.empty());
    }
    platform.answer = "/" + std::string(maxPathLength, 'q');
    EXPECT_FALSE(ChooseColorMapFile());
    ExpectOneWarning(readWarning);
    ChooseOutputDirectory();
    EXPECT_EQ(windowSettings.outputFolder, folder.string());
    ExpectOneWarning(writeWarning);
    EXPECT_EQ(chosenFilePath, "unchanged");
}

// Every file written starts the notice, of about eight seconds, with its name, which the window
// title carries as long; a failed export or save warns, and its notice says why.
TEST_F(FileOperations, ExportsWriteThePicturesOrWarnAndTheNoticeSaysWhereTheyWentOrWhyNot)
{
    for (std::size_t i = 0; i < quilt.image.size(); ++i) quilt.image[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    windowSettings.outputFormat = bmpFormat;
    ASSERT_EQ(WritePicture(PathIn("tile-reference.bmp"), bmpFormat, MakeTilePicture(quilt)), "");
    ASSERT_EQ(WritePicture(PathIn("tiled-reference.bmp"), bmpFormat, MakeTiledPicture(quilt, 601, 37)), "");
    for (int32_t interval = 0; interval < std::ssize(refreshIntervalTable); ++interval) {
        refreshIntervalList.selected = interval;
        platform.answer = PathIn("tile");
        ExportTile();
        FinishExport();
        EXPECT_EQ(exportNoticeTicks, std::lround(8000.0 / refreshIntervalTable[interval].milliseconds)) << interval;
    }
    EXPECT_EQ(ReadFile(PathIn("tile.bmp")), ReadFile(PathIn("tile-reference.bmp")));
    EXPECT_EQ(exportNotice, "File Exported: tile.bmp");
    EXPECT_EQ(platform.title, "tile.bmp - Tessalume");
    // The title is the program's again when the notice ends.
    for (const int32_t ticks = exportNoticeTicks; exportNoticeTicks > 0;) {
        EXPECT_EQ(platform.title, "tile.bmp - Tessalume") << ticks - exportNoticeTicks << " ticks";
        CountNoticeDown();
    }
    EXPECT_EQ(platform.title, "Tessalume");
    platform.answer = PathIn("tiled.bmp");
    ExportTiledImage(601, 37);
    FinishExport();
    EXPECT_EQ(ReadFile(PathIn("tiled.bmp")), ReadFile(PathIn("tiled-reference.bmp")));
    EXPECT_EQ(exportNotice, "File Exported: tiled.bmp");
    EXPECT_GT(exportNoticeTicks, 0);
    exportNoticeTicks = 0;

    // Sizes outside the panel's range end the export before the dialog; a cancelled one writes
    // nothing.
    ExportTiledImage(0, 100);
    ExportTiledImage(100, maxTiledPictureSide + 1);
    EXPECT_EQ(platform.saveRequests.size(), std::size(refreshIntervalTable) + 1);
    platform.answer.reset();
    fs::create_directory(folder / "taken.png");
    const std::vector<std::string> before = Listing(folder);
    ExportTile();
    EXPECT_EQ(Listing(folder), before);
    EXPECT_TRUE(platform.messages.empty());

    // A folder in the way fails each write at its last step, so the file written aside must go
    // too; which destinations cannot be written is the atomic writes' concern.
    platform.answer = PathIn("taken.png");
    ExportTile();
    FinishExport();
    ExpectOneWarning(writeWarning);
    EXPECT_EQ(exportNotice, "Not Exported: not a regular file");
    ExportTiledImage(64, 64);
    FinishExport();
    ExpectOneWarning(writeWarning);
    EXPECT_FALSE(SaveColorMapFile());
    ExpectOneWarning(writeWarning);
    EXPECT_EQ(exportNotice, "Not Saved: not a regular file");
    EXPECT_EQ(platform.title, "Tessalume");
    EXPECT_EQ(Listing(folder), before);
}

// A save replaces an old file whole; a file that cannot be read keeps the palette; 256 lines of
// the longest kind (98 characters and CR LF) are read, not the lines after them that would force
// the smoothing.
TEST_F(FileOperations, ColorMapFilesAreWrittenWholeAndReadAsFarAsTheyMatter)
{
    WriteFile(PathIn("palette.map"), std::string(100000, 'x'));
    platform.answer = PathIn("palette");
    EXPECT_TRUE(SaveColorMapFile());
    EXPECT_EQ(chosenFilePath, PathIn("palette.map"));
    EXPECT_EQ(ReadFile(PathIn("palette.map")), FormatColorMapText(map));

    const ColorMapChannels palette = map;
    fs::create_directory(folder / "a-folder.map");
    ASSERT_EQ(mkfifo(PathIn("pipe.map").c_str(), 0644), 0);  // without a writer: must not wait for one
    for (const char* unreadable : {"missing.map", "a-folder.map", "pipe.map", static_cast<const char*>(nullptr)}) {
        platform.answer = unreadable ? std::optional(PathIn(unreadable)) : std::nullopt;
        EXPECT_FALSE(LoadColorMapFile());
        EXPECT_EQ(std::memcmp(&map, &palette, sizeof palette), 0);
        if (unreadable) ExpectOneWarning(readWarning);
    }
    EXPECT_TRUE(platform.messages.empty());

    std::string text;
    for (int i = 0; i < 256; ++i) text += (std::to_string(i) + ".5 0.25 0.75").append(90, ' ').substr(0, 98) + "\r\n";
    for (int i = 0; i < 5000; ++i) text += "1 2 3\n";
    WriteFile(PathIn("long.map"), text);
    platform.answer = PathIn("long.map");
    EXPECT_TRUE(LoadColorMapFile());
    EXPECT_EQ(map.red[255], 255.5) << "the last line is read";
    EXPECT_EQ(map.red[1], 1.5) << "nothing after it forced the smoothing";
    EXPECT_EQ(map.green[7], 0.25);
}

bool IsPipe(const fs::path& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

// An export is written from the picture as it was when asked for, on a thread of its own: held
// before it writes, the window still ticks and takes keys, and the notice waits for the file.
TEST_F(FileOperations, TheWindowGoesOnWhileAnExportIsWrittenAndTheNoticeWaitsForTheFile)
{
    for (std::size_t i = 0; i < quilt.image.size(); ++i) quilt.image[i] = static_cast<uint8_t>(i * 5 + i / 777);
    windowSettings.outputFormat = bmpFormat;
    ASSERT_EQ(WritePicture(PathIn("reference.bmp"), bmpFormat, MakeTilePicture(quilt)), "");
    platform.answer = PathIn("earlier");
    ExportTile();
    FinishExport();
    std::binary_semaphore started{0}, released{0};
    exportHoldForTests = [&](int32_t lines) {
        if (lines == 0) started.release(), released.acquire();
    };

    platform.answer = PathIn("held");
    ExportTile();
    started.acquire();
    std::fill(quilt.image.begin(), quilt.image.end(), 0);
    const int32_t ticks = exportNoticeTicks;
    for (int tick = 0; tick < 3; ++tick) {
        MainWindowProc(Message{MessageKind::Timer});
        ShowFinishedExport();
    }
    MainWindowProc(Message{.kind = MessageKind::KeyDown, .key = keyTab});
    EXPECT_EQ(panelTabs.selected, renderParametersPage);
    EXPECT_EQ(exportNoticeTicks, ticks - 3);
    EXPECT_EQ(exportNotice, "File Exported: earlier.bmp");
    EXPECT_FALSE(fs::exists(PathIn("held.bmp")));

    released.release();
    FinishExport();
    exportHoldForTests = nullptr;
    EXPECT_EQ(exportNotice, "File Exported: held.bmp");
    EXPECT_EQ(ReadFile(PathIn("held.bmp")), ReadFile(PathIn("reference.bmp")));
    EXPECT_TRUE(platform.messages.empty());
}

// A pipe chosen in the dialog, its "Replace" confirmed: each export and the colour map Save
// warn and leave the pipe a pipe, with nothing beside it.
TEST_F(FileOperations, APipeNamedAsTheFileIsRefusedWithTheWriteWarning)
{
    for (const char* name : {"pipe.png", "pipe.bmp", "pipe.map"}) ASSERT_EQ(mkfifo(PathIn(name).c_str(), 0644), 0);
    const std::vector<std::string> before = Listing(folder);

    EXPECT_EQ(WriteFileAtomically(PathIn("pipe.png"), [](const ByteSink&) { return ""; }), "not a regular file");
    platform.answer = PathIn("pipe.png");
    ExportTile();
    ExportTiledImage(64, 64);
    windowSettings.outputFormat = bmpFormat;
    platform.answer = PathIn("pipe.bmp");
    ExportTile();
    FinishExport();
    platform.answer = PathIn("pipe.map");
    EXPECT_FALSE(SaveColorMapFile());

    EXPECT_EQ(platform.messages.size(), 4u);
    for (const auto& [text, caption] : platform.messages) EXPECT_EQ(text, writeWarning);
    EXPECT_EQ(exportNotice, "Not Saved: not a regular file");
    EXPECT_EQ(Listing(folder), before);
    for (const char* name : {"pipe.png", "pipe.bmp", "pipe.map"}) EXPECT_TRUE(IsPipe(folder / name)) << name;
}

// The notice holds 64 characters: a longer name keeps its start and its end, the middle gives way.
TEST(Notices, ALongNameKeepsItsStartAndEnd)
{
    const struct { const char* name; const char* shown; } cases[] = {
        {"tile.png", "File Exported: tile.png"},
        {"quilt-0123456789-0123456789-0123456789-0123456789.png", "File Exported: quilt-0123456789-012345...23456789-0123456789.png"},
        {"a-name-long-enough-to-overflow-the-notice-line-by-some-margin.png",
         "File Exported: a-name-long-enough-to-o...line-by-some-margin.png"},
    };
    for (const auto& c : cases) {
        const std::string shown = FitNotice("File Exported: ", c.name, noticeColumns);
        EXPECT_EQ(shown, c.shown);
        EXPECT_LE(shown.size(), noticeColumns);
    }
}

}  // namespace
}  // namespace tessalume
