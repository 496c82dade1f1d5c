// A desktop for tests: dialogs answer what the test scripts and remember what they were asked,
// messages are kept. Installed for the lifetime of the object.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/desktop.h"

namespace tessalume {

class FakeDesktop : public Desktop {
public:
    FakeDesktop() { InstallDesktop(this); }
    ~FakeDesktop() override { InstallDesktop(nullptr); }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return answer;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        return answer;
    }
    std::optional<std::string> ChooseFolder(const std::string& startFolder) override
    {
        folderRequests.push_back(startFolder);
        return answer;
    }
    void ShowMessage(const char* text, const char* caption) override
    {
        messages.emplace_back(text, caption);
    }

    // What every chooser returns: a path, or nothing for a cancelled dialog.
    std::optional<std::string> answer;
    std::vector<FileDialogRequest> saveRequests, openRequests;
    std::vector<std::string> folderRequests;
    std::vector<std::pair<std::string, std::string>> messages;
};

}  // namespace tessalume
