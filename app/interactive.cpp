// The exports and file choices that the user starts from the window: each asks the platform
// for a path, then writes or reads, and tells the user when a file cannot be written or read.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "app/shell.h"
#include "files/files.h"
#include "ui/controls.h"

namespace tessalume {

std::string imagesFolder, chosenFilePath;
std::function<void(int32_t linesWritten)> exportHoldForTests;

namespace {

bool IsFolder(const std::string& path)
{
    struct stat status;
    return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string FolderIfExists(const std::string& path)
{
    return IsFolder(path) ? path : std::string();
}

std::string FileNamePart(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// The extension goes on when the file name has none; a leading dot does not count as one.
std::string WithDefaultExtension(const std::string& path, const char* extension)
{
    const std::string name = FileNamePart(path);
    if (name.empty() || name.find('.', 1) != std::string::npos) return path;
    return path + "." + extension;
}

FileDialogRequest RequestFor(int32_t format, std::string startFolder)
{
    const FileFormatRow& row = fileFormats[format];
    return {{row.types[0], row.types[1]}, row.defaultExtension, std::move(startFolder), {}};
}

// A path the buffers cannot hold is refused with the warning, never cut into another path.
bool FitsPathBuffer(const std::string& path, const char* warning)
{
    if (path.size() <= maxPathLength) return true;
    CurrentPlatform().ShowMessage(warning, warningCaption);
    return false;
}

// The period and its recipe are copied while the worker is kept from clearing it or changing
// its size; what is exported is made from the copy, an Export Image picture streamed from it a
// line at a time. The tiling is laid out under the same hold, from the period the copy has;
// filled in place, since its picture points at its tile.
struct PictureCopy {
    RgbPicture tile;
    TiledPicture picture;
    Recipe recipe;
};
void CopyOfQuilt(PictureCopy& copy, int32_t tiledWidth = 0, int32_t tiledHeight = 0)
{
    const auto hold = windowWorker.HoldPicture();
    const Quilt& quilt = windowWorker.quilt();
    copy.tile = MakeTilePicture(quilt);
    copy.picture = tiledWidth > 0 ? CentredTiling(copy.tile, quilt, tiledWidth, tiledHeight) : WholePicture(copy.tile);
    copy.recipe = windowWorker.RecipeOfPicture();
    copy.recipe.tiledWidth = tiledWidth;
    copy.recipe.tiledHeight = tiledHeight;
}

// An export is written on a thread of its own, from its own copy, so that the window goes on
// meanwhile; the interface thread reads what came of it only once the thread has ended, and
// meanwhile only the count of lines written, for the progress bar. Never moved: its picture
// points at its tile.
struct ExportJob {
    PictureCopy copy;
    std::string path;
    int32_t format = 0;
    std::chrono::steady_clock::time_point started;
    bool progressShown = false;  // the interface thread's alone
    std::string fault;  // the thread's result, read after the join
    std::atomic<int32_t> linesWritten{0};  // a moment old at worst: it only moves a bar
    std::atomic<bool> written{false};
    std::jthread thread;  // last: joined before the rest goes
};
std::unique_ptr<ExportJob> exportUnderWay;

// An export that ends sooner goes by without a bar.
constexpr std::chrono::milliseconds exportProgressDelay{300};

void WriteExport(ExportJob& job)
{
    if (exportHoldForTests) exportHoldForTests(0);
    // A picture with nothing plotted has no recipe worth keeping.
    const PictureNotes notes{job.copy.recipe.stepsPlotted > 0 ? FormatRecipe(job.copy.recipe) : std::string()};
    job.fault = WritePictureAndRecipe(job.path, job.format, job.copy.picture, notes, [&job](int32_t lines) {
        job.linesWritten.store(lines, std::memory_order_relaxed);
        if (exportHoldForTests) exportHoldForTests(lines);
    });
    job.written.store(true, std::memory_order_release);
}

// The notice line says where the picture went, or why it did not.
void ShowExportResult()
{
    if (exportUnderWay->thread.joinable()) exportUnderWay->thread.join();
    const std::unique_ptr<ExportJob> job = std::move(exportUnderWay);
    if (job->fault.empty()) {
        NoticeWritten("File Exported", job->path);
        Trace("exported " + job->path);
        return;
    }
    Trace("not exported " + job->fault);
    CurrentPlatform().ShowMessage(writeWarning, warningCaption);
    NoticeNotWritten("Not Exported", job->fault);
}

// One export at a time: the one under way is finished, and its outcome shown, before the next
// asks for its file.
void ExportQuilt(int32_t tiledWidth, int32_t tiledHeight)
{
    FinishExport();
    if (!ChooseExportFile(windowSettings.outputFormat)) return;
    auto job = std::make_unique<ExportJob>();
    CopyOfQuilt(job->copy, tiledWidth, tiledHeight);
    job->path = chosenFilePath;
    job->format = windowSettings.outputFormat;
    job->started = CurrentPlatform().Now();
    try {
        job->thread = std::jthread([target = job.get()] { WriteExport(*target); });
    } catch (const std::system_error&) {
        WriteExport(*job);  // no thread to be had: written here, the window waiting as it once did
    }
    exportUnderWay = std::move(job);
}

// The quilt of a recipe in place of the window's, the file read whole before anything changes:
// then grown as Back grows a quilt of the history.
bool OpenRecipeFile(const std::string& path)
{
    Recipe recipe;
    if (const std::string fault = ReadRecipeFile(path, recipe); !fault.empty()) {
        Trace("recipe refused " + fault);
        const std::string notice = "Tessalume cannot reopen the quilt of the selected file: " + fault + ".";
        CurrentPlatform().ShowMessage(notice.c_str(), warningCaption);
        return false;
    }
    recipe.tiledWidth = recipe.tiledHeight = 0;  // a tiled size is the export's, not the window's
    recipe.periodHeight = 0;  // the window grows only the resolutions' periods
    GrowRecipe(recipe);
    AwaitNewQuilt();
    Trace("recipe opened " + std::to_string(recipe.stepsPlotted));
    return true;
}

}  // namespace

void GrowRecipe(const Recipe& recipe)
{
    windowWorker.DropRequests();
    windowWorker.WithdrawRandomColorMap();
    TakeRecipeSettings(windowSettings, recipe);
    lastIntensityChoice = recipe.intensity;
    ShowSettings(windowSettings);
    // As New does: before the first refresh, one is run first, or nothing carries the request out.
    if (windowWorker.state() == Worker::State::notStarted) MainWindowProc(Message{MessageKind::Timer});
    windowWorker.PostRecipe(recipe);
}

bool ChooseExportFile(int32_t format)
{
    if (format < 0 || format >= static_cast<int32_t>(std::size(fileFormats))) return false;
    FileDialogRequest request = RequestFor(format, FolderIfExists(windowSettings.outputFolder));
    // The default export name is offered when it is a name for this kind of file.
    const std::string defaultName = FileNamePart(DefaultExportName(windowWorker.quilt(), windowSettings));
    const std::string extension = std::string(".") + request.defaultExtension;
    if (format != colorMapFormat && defaultName.size() > extension.size() &&
        defaultName.ends_with(extension))
        request.suggestedName = defaultName;
    const std::optional<std::string> path = CurrentPlatform().ChooseSaveFile(request);
    if (!path) return false;
    const std::string chosen = WithDefaultExtension(*path, request.defaultExtension);
    if (!FitsPathBuffer(chosen, writeWarning)) return false;
    chosenFilePath = chosen;
    return true;
}

// Load opens a colour map, or the quilt of a picture or recipe: both kinds can be browsed for.
bool ChooseColorMapFile()
{
    FileDialogRequest request = RequestFor(colorMapFormat, FolderIfExists(imagesFolder));
    request.types.insert(request.types.begin() + 1, quiltFileType);
    const std::optional<std::string> path = CurrentPlatform().ChooseOpenFile(request);
    if (!path || !FitsPathBuffer(*path, readWarning)) return false;
    chosenFilePath = *path;
    return true;
}

void ChooseOutputDirectory()
{
    const std::optional<std::string> folder =
        CurrentPlatform().ChooseFolder(FolderIfExists(imagesFolder));
    if (folder && FitsPathBuffer(*folder, writeWarning)) windowSettings.outputFolder = *folder;
}

void ExportTile()
{
    ExportQuilt(0, 0);
}

void ExportTiledImage(int32_t width, int32_t height)
{
    if (width < 1 || height < 1 || width > maxTiledPictureSide || height > maxTiledPictureSide)
        return;
    ExportQuilt(width, height);
}

void ShowFinishedExport()
{
    if (exportUnderWay && exportUnderWay->written.load(std::memory_order_acquire)) ShowExportResult();
}

void FinishExport()
{
    if (exportUnderWay) ShowExportResult();
}

bool ExportUnderWay()
{
    return exportUnderWay != nullptr;
}

std::optional<double> ExportProgress()
{
    ExportJob* job = exportUnderWay.get();
    if (!job || CurrentPlatform().Now() - job->started <= exportProgressDelay) return std::nullopt;
    if (!job->progressShown) Trace("export progress");
    job->progressShown = true;
    const int32_t lines = job->linesWritten.load(std::memory_order_relaxed);
    return static_cast<double>(lines) / std::max(job->copy.picture.height, 1);
}

bool SaveColorMapFile()
{
    if (!ChooseExportFile(colorMapFormat)) return false;
    const std::string text = FormatColorMapText(CopyColorMap(windowWorker.quilt().colorMap));
    const std::string fault = WriteFileAtomically(chosenFilePath, [&text](const ByteSink& sink) {
        return sink(reinterpret_cast<const uint8_t*>(text.data()), text.size()) ? "" : "not written";
    });
    if (fault.empty()) {
        NoticeWritten("File Saved", chosenFilePath);
        return true;
    }
    CurrentPlatform().ShowMessage(writeWarning, warningCaption);
    NoticeNotWritten("Not Saved", fault);
    return false;
}

bool LoadColorMapFile()
{
    return ChooseColorMapFile() && OpenFileInWindow(chosenFilePath);
}

// The file is read before the map is touched, so a file that cannot be read leaves the user's
// palette as it was; the map is made aside and stored whole while the worker plots with it,
// after withdrawing a random map that would otherwise land on top of it.
bool OpenFileInWindow(const std::string& path)
{
    std::string bytes;
    if (!ReadColorMapFile(path, bytes).empty()) {
        CurrentPlatform().ShowMessage(readWarning, warningCaption);
        return false;
    }
    // A picture or a recipe by its first bytes, never read as a map.
    if (KindOfFile(bytes) != FileKind::other) return OpenRecipeFile(path);
    const ColorMapChannels map = ReadColorMapText(bytes);
    windowWorker.WithdrawRandomColorMap();
    StoreColorMap(windowWorker.quilt().colorMap, map);
    return true;
}

}  // namespace tessalume
