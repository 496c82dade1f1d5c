// The window procedure: every message of the window, to the start-up, the quit question, the
// refresh tick or the commands behind the mouse and the keys.
#include "app/shell.h"
#include "files/files.h"
#include "ui/draw/draw.h"

namespace tessalume {

void MainWindowProc(const Message& message)
{
    // Drawing coordinates grow upward from the bottom edge of the client area.
    const int32_t x = message.x;
    const int32_t y = clientHeight - message.y;
    switch (message.kind) {
    case MessageKind::Create:
        imagesFolder = ImagesFolder();
        windowSettings.outputFolder = imagesFolder;
        break;
    case MessageKind::Close:
        AskToQuit();
        break;
    case MessageKind::Timer:
        RefreshTick();
        break;
    case MessageKind::MouseMove:
        HandleMouseMove(x, y);
        break;
    case MessageKind::LeftButtonDown:
        // Captured, a drag goes on when the mouse leaves the window.
        CurrentPlatform().CaptureMouse(true);
        HandleLeftButtonDown(x, y);
        break;
    case MessageKind::LeftButtonUp:
        HandleLeftButtonUp();
        CurrentPlatform().CaptureMouse(false);
        break;
    case MessageKind::KeyDown:
        HandleKey(message.key, message.modifiers);
        break;
    case MessageKind::Wheel:
        HandleWheel(x, y, message.notches, message.modifiers);
        break;
    case MessageKind::DropFile:
        Trace("drop " + message.path);
        // Opened as Load opens it; a colour map dropped restarts the picture as Load's does.
        if (OpenFileInWindow(message.path)) windowWorker.PostReset();
        RestartRefresh();
        break;
    case MessageKind::Other:
        break;
    }
}

}  // namespace tessalume
