// The exports and file choices that the user starts from the window: each asks the platform
// for a path, then writes or reads, and tells the user when a file cannot be written or read.
#include <sys/stat.h>

#include "app/shell.h"
#include "files/files.h"
#include "ui/controls.h"

namespace tessalume {

std::string imagesFolder, chosenFilePath;
int32_t exportNoticeTicks = 0;

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

// The picture is copied while the worker is kept from clearing it or changing its size.
template <typename Make>
RgbPicture CopyOfQuilt(Make make)
{
    const auto hold = windowWorker.HoldPicture();
    return make(windowWorker.quilt());
}

template <typename Picture>
bool ExportPicture(const Picture& picture)
{
    if (WritePicture(chosenFilePath, windowSettings.outputFormat, picture).empty()) return true;
    CurrentPlatform().ShowMessage(writeWarning, warningCaption);
    return false;
}

}  // namespace

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

bool ChooseColorMapFile()
{
    const std::optional<std::string> path = CurrentPlatform().ChooseOpenFile(
        RequestFor(colorMapFormat, FolderIfExists(imagesFolder)));
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
    if (!ChooseExportFile(windowSettings.outputFormat)) return;
    if (!ExportPicture(CopyOfQuilt(MakeTilePicture))) return;
    const RefreshIntervalEntry* interval = RowOf(refreshIntervalTable, refreshIntervalList.selected);
    exportNoticeTicks = (interval != nullptr ? *interval : refreshIntervalTable[0]).noticeTicks;
}

void ExportTiledImage(int32_t width, int32_t height)
{
    if (width < 1 || height < 1 || width > maxTiledPictureSide || height > maxTiledPictureSide)
        return;
    if (!ChooseExportFile(windowSettings.outputFormat)) return;
    // Only the period is copied, as CopyOfQuilt copies it; the picture is streamed from it a
    // line at a time.
    RgbPicture tile;
    TiledPicture picture;
    {
        const auto hold = windowWorker.HoldPicture();
        tile = MakeTilePicture(windowWorker.quilt());
        picture = CentredTiling(tile, windowWorker.quilt(), width, height);
    }
    ExportPicture(picture);
}

bool SaveColorMapFile()
{
    if (!ChooseExportFile(colorMapFormat)) return false;
    const std::string text = FormatColorMapText(CopyColorMap(windowWorker.quilt().colorMap));
    const bool written = WriteFileAtomically(chosenFilePath, [&text](const ByteSink& sink) {
        return sink(reinterpret_cast<const uint8_t*>(text.data()), text.size()) ? "" : "not written";
    }).empty();
    if (!written) CurrentPlatform().ShowMessage(writeWarning, warningCaption);
    return written;
}

// The file is read before the map is touched, so a file that cannot be read leaves the user's
// palette as it was; the map is made aside and stored whole while the worker plots with it,
// after withdrawing a random map that would otherwise land on top of it.
bool LoadColorMapFile()
{
    if (!ChooseColorMapFile()) return false;
    std::string bytes;
    if (!ReadColorMapFile(chosenFilePath, bytes).empty()) {
        CurrentPlatform().ShowMessage(readWarning, warningCaption);
        return false;
    }
    const ColorMapChannels map = ReadColorMapText(bytes);
    windowWorker.WithdrawRandomColorMap();
    StoreColorMap(windowWorker.quilt().colorMap, map);
    return true;
}

}  // namespace tessalume
