// The refresh timer's tick: it starts the worker the first time, then turns the accumulators
// into the preview texture.
#include <system_error>
#include <thread>

#include "app/shell.h"
#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {

void RefreshTick()
{
    // While a new quilt is searched the preview keeps its last picture.
    if (newQuiltRequest.load(std::memory_order_acquire) != 0) return;
    if (workerNotStarted.load(std::memory_order_relaxed) != 0) {
        workerNotStarted.store(0, std::memory_order_relaxed);
        try {
            std::thread(WorkerMain, nullptr).detach();  // runs until the process ends
        } catch (const std::system_error&) {
            // Without a worker the preview simply stays as the first quilt left it.
        }
    }
    renderInProgress.store(1, std::memory_order_release);  // the worker starts no batch meanwhile
    if (exportNoticeTicks > 0) --exportNoticeTicks;
    // While a reset is pending the worker may be changing the resolution: leave the preview.
    if (resetRequest.load(std::memory_order_acquire) == 0) {
        intensitySlot.load(std::memory_order_acquire)();
        UploadPreview();
    }
    renderInProgress.store(0, std::memory_order_release);
}

void RestartRefresh()
{
    CurrentPlatform().SetTimer(refreshIntervalTable[0].milliseconds);
    refreshIntervalList.selected = 0;
    MainWindowProc(Message{MessageKind::Timer});
}

}  // namespace tessalume
