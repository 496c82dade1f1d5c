// A platform for in-process tests: no window, dialogs answer what the test scripts and remember
// what they were asked, messages and the refresh timer's periods are kept, the clock is the
// test's. Installed for the lifetime of the object.
#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/platform/platform.h"
#include "app/shell.h"
#include "tests/fixtures.h"
#include "ui/controls.h"

namespace tessalume {

class FakePlatform : public Platform {
public:
    FakePlatform() { InstallPlatform(this); }
    ~FakePlatform() override { InstallPlatform(nullptr); }

    WindowOutcome OpenWindow(const char*, int32_t, int32_t, const IconPicture&, std::string&) override { return WindowOutcome::Opened; }
    void CloseWindow() override {}
    void ShowWindow() override {}
    void SetTitle(const std::string& title) override { this->title = title; }
    bool PollMessage(Message&) override { return false; }
    bool WaitForMessageOrFrame(bool) override { return false; }
    void SwapBuffers() override {}
    void SetTimer(uint32_t period) override { timerPeriods.push_back(period); }
    std::chrono::steady_clock::time_point Now() const override { return now; }
    void CaptureMouse(bool) override {}
    void OpenUrl(const std::string&) override {}

    std::optional<std::string> answer;  // what every chooser returns; nothing: cancelled
    std::vector<FileDialogRequest> saveRequests, openRequests;
    std::vector<std::string> folderRequests;
    std::vector<std::pair<std::string, std::string>> messages;  // text and caption
    std::vector<uint32_t> timerPeriods;
    std::chrono::steady_clock::time_point now;  // stands still unless the test moves it
    std::string title = "Tessalume";

private:
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& r) override { return saveRequests.push_back(r), answer; }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& r) override { return openRequests.push_back(r), answer; }
    std::optional<std::string> FolderDialog(const std::string& start) override { return folderRequests.push_back(start), answer; }
    bool QuestionBox(const char*, const char*) override { return false; }
    void MessageBox(const char* text, const char* caption) override { messages.emplace_back(text, caption); }
    void ErrorBox(const char* text, const char* caption) override { messages.emplace_back(text, caption); }
};

// The shell as start-up leaves it, on the fake platform. The worker counts as started but has no
// thread, so every request a command posts stays in view.
class ShellTest : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        BuildControls();
        windowSettings = Settings{};
        windowWorker.quilt() = FreshQuilt();
        windowWorker.Start(false);
        quiltHistory = QuiltHistory{};
        AwaitNewQuilt();
    }
    void TearDown() override
    {
        FinishExport();  // its notice goes to this test's platform, its file to this test's folder
        windowWorker.DropRequests();
        ScratchFolder::TearDown();
    }

    FakePlatform platform;
};

}  // namespace tessalume
