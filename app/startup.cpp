// The program's start-up in its fixed order, the main loop with its paced frames, and the trace.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/shell.h"
#include "resources/resources.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {

Settings windowSettings;
Worker windowWorker{windowSettings};

namespace {

bool quitPosted = false;

// How long the interface thread spends on each frame and each tick, traced when the program
// ends: what the orbits on every core leave to input and drawing.
class Timings {
public:
    template <class Work>
    void Time(Work work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ++count, total += ms, longest = std::max(longest, ms);
    }
    void TraceAs(const char* what) const
    {
        char line[96];
        std::snprintf(line, sizeof line, "%s %lld %.2f %.2f", what, static_cast<long long>(count),
                      count > 0 ? total / static_cast<double>(count) : 0.0, longest);
        Trace(line);
    }

private:
    int64_t count = 0;
    double total = 0, longest = 0;
};
Timings frameTimes, tickTimes;

void ShowFrame()
{
    ShowSettings(windowSettings);
    DrawFrame(windowWorker.quilt(), windowSettings, exportNoticeTicks > 0 ? exportNotice : std::string(),
              ExportProgress());
    CurrentPlatform().SwapBuffers();
}

// Projection, textures and lists, the generators, the controls, the function selections and the
// first quilt, all before the worker exists; then the refresh timer.
void InitScene(const StartOptions& options)
{
    SetupProjection();
    LoadWidgetTextures();
    BuildFontLists();
    BuildThumbnailLists();
    Quilt& quilt = windowWorker.quilt();
    SeedQuilt(quilt, options.seedGiven ? options.seed : static_cast<uint32_t>(std::time(nullptr)));
    BuildControls();
    BuildControlLists();
    BuildStaticLists();
    ClearQuilt(quilt, windowSettings.intensity);
    NewQuilt(quilt, windowSettings);
    windowWorker.SetOrbits(options.orbits);  // made from the first quilt when the worker starts
    CurrentPlatform().SetTimer(refreshIntervalTable[0].milliseconds);
}

}  // namespace

int32_t StartUp(const StartOptions& options)
{
    Platform& platform = CurrentPlatform();
    const BitmapResource icon = FindBitmapResource(iconResource);
    std::string reason;
    switch (platform.OpenWindow("Tessalume", clientWidth, clientHeight, {icon.width, icon.height, icon.bgrRows},
                                reason)) {
    case WindowOutcome::NoDesktop:
        std::fprintf(stderr, "tessalume: cannot open the window: %s\n", reason.c_str());
        return 1;
    case WindowOutcome::NoOpenGl:
        platform.ShowError("SetPixelFormat failed", "Error");
        platform.CloseWindow();
        return 1;
    case WindowOutcome::Opened:
        break;
    }
    MainWindowProc(Message{MessageKind::Create});
    // The refresh goes on while a dialog is open: an export then writes the quilt as grown up
    // to its answer, and a dialog opened before the first tick still lets the worker start.
    platform.WhileDialogOpen([] {
        if (CurrentPlatform().TakeDueTick()) MainWindowProc(Message{MessageKind::Timer});
    });
    platform.AfterDialogClosed(ShowFrame);
    InitScene(options);
    ClearFrame();
    platform.ShowWindow();
    return -1;
}

int32_t RunMessageLoop()
{
    Platform& platform = CurrentPlatform();
    // Frames are drawn while the picture may change, at the display's pace, and not at all while
    // nothing can: a tick changes the preview once; input may start a button's pressed look,
    // which lasts 10 frames; a new quilt moves the progress bar, the colour map and the controls
    // from the worker until it has been found; an export under way brings its bar in after a
    // while and moves it, and the frame after it takes it away.
    constexpr int32_t framesAfterInput = 12;
    int32_t framesWanted = 1;
    bool newQuiltWasUnderWay = false;
    bool exportWasUnderWay = false;
    bool framesShown = false;
    while (!quitPosted) {
        ShowFinishedExport();  // here, never inside a dialog: a failed export opens its warning
        Message message;
        if (platform.PollMessage(message)) {
            if (message.kind == MessageKind::Timer)
                tickTimes.Time([&] { MainWindowProc(message); });
            else
                MainWindowProc(message);
            framesWanted = std::max(framesWanted, message.kind == MessageKind::Timer ? 1 : framesAfterInput);
            continue;
        }
        const bool newQuiltUnderWay = windowWorker.NewQuiltPending() || LoadRelaxed(windowWorker.quilt().searching) != 0;
        const bool exportUnderWay = ExportUnderWay();
        if (newQuiltUnderWay || newQuiltWasUnderWay || exportUnderWay || exportWasUnderWay)
            framesWanted = std::max(framesWanted, 1);
        newQuiltWasUnderWay = newQuiltUnderWay;
        exportWasUnderWay = exportUnderWay;
        if (!platform.WaitForMessageOrFrame(framesWanted > 0)) continue;
        frameTimes.Time(ShowFrame);
        --framesWanted;
        if (!framesShown) Trace("ready");
        framesShown = true;
    }
    FinishExport();  // the file is whole, or its warning shown, before the program ends
    frameTimes.TraceAs("frames");
    tickTimes.TraceAs("ticks");
    // Every orbit grows a batch each pass: as many steps each.
    Trace("plotted " + std::to_string(LoadRelaxed(windowWorker.quilt().stepsPlotted) * static_cast<uint64_t>(windowWorker.orbits())));
    Trace("quit");
    platform.CloseWindow();
    return 0;
}

void PostQuit()
{
    quitPosted = true;
}

void Trace(const std::string& line)
{
    static const bool tracing = [] {
        const char* value = std::getenv("TESSALUME_TRACE");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    if (!tracing) return;
    const std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);  // one write: lines never interleave
}

}  // namespace tessalume
