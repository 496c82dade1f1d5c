// The desktop services over SDL2: the window with its OpenGL context, the event pump that turns
// SDL events into the window procedure's messages, the refresh timer, frame pacing, mouse
// capture and the URL opener; the dialogs come from GTK (gtk_dialogs.cpp), with SDL's message
// boxes or the terminal where GTK cannot start. Everything here runs on the interface thread.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "app/platform/gtk_dialogs.h"
#include "app/platform/platform.h"

namespace tessalume {
namespace {

using Clock = std::chrono::steady_clock;

// SDL falls back to drivers that show nothing (offscreen, dummy) when it finds no desktop;
// only these count as a display.
bool IsDesktopVideoDriver(const char* name)
{
    return name != nullptr && (std::strcmp(name, "x11") == 0 || std::strcmp(name, "wayland") == 0);
}

class SdlGtkPlatform final : public Platform {
public:
    WindowOutcome OpenWindow(const char* title, int32_t width, int32_t height,
                             const IconPicture& icon, std::string& reason) override
    {
        // SIGINT and SIGTERM end the program as they end any other, not through a quit event.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // A desktop program that runs for hours must neither keep the screen awake nor turn
        // the desktop's compositing off.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        // Without either variable there is no desktop to connect to; asking SDL would only
        // have the display libraries complain on standard error.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
            reason = "neither DISPLAY nor WAYLAND_DISPLAY is set";
            return WindowOutcome::NoDesktop;
        }
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            reason = SDL_GetError();
            return WindowOutcome::NoDesktop;
        }
        if (!IsDesktopVideoDriver(SDL_GetCurrentVideoDriver())) {
            reason = "no X11 or Wayland display";
            return WindowOutcome::NoDesktop;
        }

        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);

        // Centred on the primary screen by the client size, each halving rounding toward zero.
        SDL_Rect screen{0, 0, width, height};
        SDL_GetDisplayBounds(0, &screen);
        const int x = screen.x + (screen.w - width) / 2;
        const int y = screen.y + (screen.h - height) / 2;
        window = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window != nullptr) context = SDL_GL_CreateContext(window);
        if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
            reason = SDL_GetError();
            return WindowOutcome::NoOpenGl;
        }
        SetIcon(icon);

        SDL_DisplayMode mode{};
        const int refreshRate =
            SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0 ? mode.refresh_rate : 60;
        framePeriod = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / refreshRate));
        // Where the driver syncs to the display the swap itself waits, and our own deadline
        // comes a little earlier so that it never makes the swap miss a refresh. Where it does
        // not (a virtual X server, for one), the deadline alone paces the frames.
        if (SDL_GL_SetSwapInterval(1) == 0) framePeriod = framePeriod * 9 / 10;
        nextFrame = Clock::now();
        return WindowOutcome::Opened;
    }

    void CloseWindow() override
    {
        if (context != nullptr) SDL_GL_DeleteContext(context);
        if (window != nullptr) SDL_DestroyWindow(window);
        context = nullptr;
        window = nullptr;
        heldEvent.reset();
        modifiersHeld = 0;
        pointer.reset();
        timerRunning = false;
        SDL_Quit();
    }

    void ShowWindow() override { SDL_ShowWindow(window); }

    void SetTitle(const std::string& title) override { SDL_SetWindowTitle(window, title.c_str()); }

    bool PollMessage(Message& message) override
    {
        SDL_Event event;
        while (TakeEvent(event))
            if (Translate(event, message)) return true;
        // Like a desktop timer, a due tick comes after the input that is already waiting, and
        // after the frame the loop may want once a tick is done: a tick that takes longer than
        // its period (a large picture summed from several orbits on a slow machine) would
        // otherwise find the next one due at once, and frames would never come.
        if (tickAwaitsLoop || !TakeDueTick()) return false;
        tickAwaitsLoop = true;
        message = Message{MessageKind::Timer};
        return true;
    }

    bool TakeDueTick() override
    {
        const Clock::time_point now = Clock::now();
        if (!timerRunning || now < nextTick) return false;
        nextTick += tickPeriod;
        if (nextTick <= now) nextTick = now + tickPeriod;  // after a long wait: one tick, not a burst
        return true;
    }

    bool WaitForMessageOrFrame(bool frameWanted) override
    {
        tickAwaitsLoop = false;
        for (;;) {
            const Clock::time_point now = Clock::now();
            // A minimised window shows nothing: no frames until it is back.
            const bool drawing =
                frameWanted && (SDL_GetWindowFlags(window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == 0;
            if (drawing && now >= nextFrame) return true;
            if (heldEvent || (timerRunning && now >= nextTick)) return false;
            Clock::time_point wake = drawing ? nextFrame : now + std::chrono::seconds(1);
            if (timerRunning) wake = std::min(wake, nextTick);
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now);
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, static_cast<int>(std::max<int64_t>(wait.count(), 1))) != 0) {
                heldEvent = event;
                return false;
            }
        }
    }

    void SwapBuffers() override
    {
        SDL_GL_SwapWindow(window);
        // Steady deadlines; a late frame moves them on rather than making up with a burst.
        nextFrame = std::max(nextFrame + framePeriod, Clock::now());
    }

    void SetTimer(uint32_t periodMilliseconds) override
    {
        tickPeriod = std::chrono::milliseconds(std::max<uint32_t>(periodMilliseconds, 1));
        nextTick = Clock::now() + tickPeriod;
        timerRunning = true;
    }

    void CaptureMouse(bool captured) override { SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE); }

    void OpenUrl(const std::string& url) override { SDL_OpenURL(url.c_str()); }

    void WhileDialogOpen(void (*call)()) override { WhileGtkDialogOpen(call); }

private:
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override
    {
        SetGtkDialogOwner(Owner());
        return ChooseSaveFileWithGtk(request);
    }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override
    {
        SetGtkDialogOwner(Owner());
        return ChooseOpenFileWithGtk(request);
    }
    std::optional<std::string> FolderDialog(const std::string& startFolder) override
    {
        SetGtkDialogOwner(Owner());
        return ChooseFolderWithGtk(startFolder);
    }

    // The window as the dialogs see it, where it is now: the user may have moved it.
    DialogOwner Owner() const
    {
        DialogOwner owner;
        if (window == nullptr) return owner;
        SDL_GetWindowPosition(window, &owner.x, &owner.y);
        SDL_GetWindowSize(window, &owner.width, &owner.height);
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11)
            owner.x11Window = info.info.x11.window;
        return owner;
    }

    // GTK's question takes the keyboard itself; SDL's box relies on a window manager to hand
    // it over, and without one Return goes to whatever window the pointer is on.
    bool QuestionBox(const char* text, const char* caption) override
    {
        SetGtkDialogOwner(Owner());
        if (const std::optional<bool> answer = AskYesNoWithGtk(text, caption)) return *answer;
        const SDL_MessageBoxButtonData buttons[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
        };
        const SDL_MessageBoxData box = {SDL_MESSAGEBOX_WARNING | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                        window, caption, text, 2, buttons, nullptr};
        int answer = -1;  // stays -1 when the box is closed without a button
        return SDL_ShowMessageBox(&box, &answer) == 0 && answer == 1;
    }

    void MessageBox(const char* text, const char* caption) override
    {
        // Without a display the terminal is the only place the user may look.
        SetGtkDialogOwner(Owner());
        if (!ShowWarningWithGtk(text, caption)) std::fprintf(stderr, "%s: %s\n", caption, text);
    }

    // The error that ends a start-up without OpenGL needs neither the window nor GTK.
    void ErrorBox(const char* text, const char* caption) override
    {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
    }

    bool TakeEvent(SDL_Event& event)
    {
        if (heldEvent) {
            event = *heldEvent;
            heldEvent.reset();
            return true;
        }
        return SDL_PollEvent(&event) != 0;
    }

    // The events the window procedure hears of; false for the rest.
    bool Translate(const SDL_Event& event, Message& message)
    {
        // The modifiers held and the pointer's place when a wheel event came are those of the
        // events before it: SDL's own state is already that of every event it has queued since.
        if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) modifiersHeld = ModifiersOf(event.key.keysym.mod);
        if (event.type == SDL_MOUSEMOTION) pointer = SDL_Point{event.motion.x, event.motion.y};
        switch (event.type) {
        case SDL_WINDOWEVENT:
            // Exposed, restored, shown...: the main loop redraws after any message.
            message = Message{event.window.event == SDL_WINDOWEVENT_CLOSE ? MessageKind::Close : MessageKind::Other};
            return true;
        case SDL_MOUSEMOTION:
            message = Message{MessageKind::MouseMove, event.motion.x, event.motion.y};
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) return false;
            message = Message{event.type == SDL_MOUSEBUTTONDOWN ? MessageKind::LeftButtonDown
                                                                : MessageKind::LeftButtonUp,
                              event.button.x, event.button.y};
            return true;
        case SDL_KEYDOWN:
            // A key held down gives its command once.
            if (event.key.repeat != 0) return false;
            message = Message{MessageKind::KeyDown};
            message.key = KeyOf(event.key.keysym.sym);
            message.modifiers = ModifiersOf(event.key.keysym.mod);
            return message.key != 0;
        case SDL_MOUSEWHEEL: {
            message = Message{MessageKind::Wheel};
            if (!pointer) SDL_GetMouseState(&message.x, &message.y);  // no motion seen yet
            else message.x = pointer->x, message.y = pointer->y;
            message.notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
            message.modifiers = modifiersHeld;
            return message.notches != 0;
        }
        case SDL_DROPFILE:
            message = Message{MessageKind::DropFile};
            message.path = event.drop.file != nullptr ? event.drop.file : "";
            SDL_free(event.drop.file);
            return true;
        default:
            return false;  // the quit event that follows a close request included
        }
    }

    // Printable keys are their own SDL key codes; of the others only these are heard of.
    static int32_t KeyOf(SDL_Keycode key)
    {
        switch (key) {
        case SDLK_TAB: return keyTab;
        case SDLK_ESCAPE: return keyEscape;
        case SDLK_F1: return keyF1;
        case SDLK_LEFT: return keyLeft;
        case SDLK_RIGHT: return keyRight;
        default: return key >= ' ' && key < 127 ? key : 0;
        }
    }

    static uint8_t ModifiersOf(uint16_t held)
    {
        return static_cast<uint8_t>(((held & KMOD_SHIFT) != 0 ? shiftHeld : 0) | ((held & KMOD_CTRL) != 0 ? ctrlHeld : 0) |
                                    ((held & KMOD_ALT) != 0 ? altHeld : 0));
    }

    void SetIcon(const IconPicture& icon)
    {
        if (icon.width <= 0 || icon.height <= 0) return;
        const int rowBytes = (icon.width * 3 + 3) / 4 * 4;
        std::vector<uint8_t> topDown(static_cast<std::size_t>(rowBytes) * icon.height);
        for (int row = 0; row < icon.height; ++row)
            std::memcpy(&topDown[static_cast<std::size_t>(row) * rowBytes],
                        icon.bgrRows + static_cast<std::size_t>(icon.height - 1 - row) * rowBytes, rowBytes);
        if (SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
                topDown.data(), icon.width, icon.height, 24, rowBytes, SDL_PIXELFORMAT_BGR24)) {
            SDL_SetWindowIcon(window, surface);
            SDL_FreeSurface(surface);
        }
    }

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::optional<SDL_Event> heldEvent;  // taken while waiting, handed out next
    uint8_t modifiersHeld = 0;
    std::optional<SDL_Point> pointer;
    Clock::duration framePeriod{};
    Clock::time_point nextFrame{};
    bool timerRunning = false;
    bool tickAwaitsLoop = false;  // a tick was taken and the loop has not come to wait since
    Clock::duration tickPeriod{};
    Clock::time_point nextTick{};
};

}  // namespace

Platform& SdlPlatform()
{
    static SdlGtkPlatform platform;
    return platform;
}

}  // namespace tessalume
