// The notice line under the preview and the window title after a file operation: where the
// file went, or why it was not written. The notice lasts about eight seconds whatever the
// refresh interval; the title carries the file's name as long.
#include "app/shell.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {

int32_t exportNoticeTicks = 0;
std::string exportNotice;

namespace {

constexpr const char* windowTitle = "Tessalume";

void StartNotice(std::string text)
{
    exportNotice = std::move(text);
    const RefreshIntervalEntry* interval = RowOf(refreshIntervalTable, refreshIntervalList.selected);
    exportNoticeTicks = (interval != nullptr ? *interval : refreshIntervalTable[0]).noticeTicks;
}

}  // namespace

std::string FitNotice(const std::string& lead, const std::string& name, std::size_t columns)
{
    if (lead.size() + name.size() <= columns) return lead + name;
    // The end of a name tells files apart (the quilt's code, the extension), its start says what
    // it is: both are kept, the middle gives way.
    constexpr std::string_view cut = "...";
    if (lead.size() + cut.size() >= columns) return (lead + name).substr(0, columns);
    const std::size_t room = columns - lead.size() - cut.size();
    const std::size_t tail = (room + 1) / 2;
    return lead + name.substr(0, room - tail) + std::string(cut) + name.substr(name.size() - tail);
}

void NoticeWritten(const char* what, const std::string& path)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    StartNotice(FitNotice(std::string(what) + ": ", name, noticeColumns));
    CurrentPlatform().SetTitle(name + " - " + windowTitle);
}

void NoticeNotWritten(const char* what, const std::string& reason)
{
    StartNotice(FitNotice(std::string(what) + ": ", reason, noticeColumns));
    CurrentPlatform().SetTitle(windowTitle);
}

void CountNoticeDown()
{
    if (exportNoticeTicks > 0 && --exportNoticeTicks == 0) CurrentPlatform().SetTitle(windowTitle);
}

}  // namespace tessalume
