// The refresh timer's tick: it starts the worker the first time, then turns the accumulators
// into the preview texture.
#include "app/shell.h"
#include "imaging/imaging.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {

void RefreshTick()
{
    // While a new quilt is searched the preview keeps its last picture.
    if (windowWorker.NewQuiltPending()) return;
    RecordQuiltFound();
    // Without a worker the preview simply stays as the first quilt left it.
    if (windowWorker.state() == Worker::State::notStarted) windowWorker.Start();
    CountNoticeDown();
    // While a reset is pending the worker may be changing the resolution: leave the preview.
    if (windowWorker.ResetPending()) return;
    windowWorker.BeginRefresh();  // with one orbit the worker starts no pass meanwhile
    Quilt& quilt = windowWorker.quilt();
    if (windowWorker.TonePicture(LoadRelaxed(windowSettings.brightness))) TilePreview(quilt, previewPixels);
    UploadPreview(quilt.resolution);
    windowWorker.EndRefresh();
}

void RestartRefresh()
{
    CurrentPlatform().SetTimer(refreshIntervalTable[0].milliseconds);
    refreshIntervalList.selected = 0;
    MainWindowProc(Message{MessageKind::Timer});
}

}  // namespace tessalume
