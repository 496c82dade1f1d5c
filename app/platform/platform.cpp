// The dialogs' trace, the platform without a desktop, and the one installed.
#include "app/platform/platform.h"

#include "app/shell.h"

namespace tessalume {
namespace {

std::optional<std::string> Answered(std::optional<std::string> path)
{
    Trace(path ? "answer " + *path : std::string("answer cancel"));
    return path;
}

// Stands in until a real platform is installed: no window, every dialog fails, messages go
// nowhere.
class NoPlatform final : public Platform {
public:
    WindowOutcome OpenWindow(const char*, int32_t, int32_t, const IconPicture&, std::string& reason) override
    {
        reason = "no desktop platform installed";
        return WindowOutcome::NoDesktop;
    }
    void CloseWindow() override {}
    void ShowWindow() override {}
    void SetTitle(const std::string&) override {}
    bool PollMessage(Message&) override { return false; }
    bool WaitForMessageOrFrame(bool) override { return false; }
    void SwapBuffers() override {}
    void SetTimer(uint32_t) override {}
    void CaptureMouse(bool) override {}
    void OpenUrl(const std::string&) override {}

private:
    std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> FolderDialog(const std::string&) override { return {}; }
    bool QuestionBox(const char*, const char*) override { return false; }
    void MessageBox(const char*, const char*) override {}
    void ErrorBox(const char*, const char*) override {}
};

NoPlatform noPlatform;
Platform* installedPlatform = &noPlatform;

}  // namespace

std::optional<std::string> Platform::ChooseSaveFile(const FileDialogRequest& request)
{
    Trace("dialog save-file");
    std::optional<std::string> path = SaveFileDialog(request);
    Closed();
    return Answered(std::move(path));
}

std::optional<std::string> Platform::ChooseOpenFile(const FileDialogRequest& request)
{
    Trace("dialog open-file");
    std::optional<std::string> path = OpenFileDialog(request);
    Closed();
    return Answered(std::move(path));
}

std::optional<std::string> Platform::ChooseFolder(const std::string& startFolder)
{
    Trace("dialog folder");
    std::optional<std::string> path = FolderDialog(startFolder);
    Closed();
    return Answered(std::move(path));
}

bool Platform::AskYesNo(const char* text, const char* caption)
{
    Trace(std::string("dialog ") + text);
    const bool yes = QuestionBox(text, caption);
    Closed();
    Trace(yes ? "answer Yes" : "answer No");
    return yes;
}

void Platform::ShowMessage(const char* text, const char* caption)
{
    Trace(std::string("dialog ") + text);
    MessageBox(text, caption);
    Closed();
    Trace("answer OK");
}

void Platform::ShowError(const char* text, const char* caption)
{
    Trace(std::string("dialog ") + text);
    ErrorBox(text, caption);
    Trace("answer OK");
}

Platform& CurrentPlatform() { return *installedPlatform; }
void InstallPlatform(Platform* platform) { installedPlatform = platform ? platform : &noPlatform; }

}  // namespace tessalume
