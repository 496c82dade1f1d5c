// A desktop for tests: dialogs answer what the test scripts and remember what they were asked,
// messages are kept. Installed for the lifetime of the object.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/desktop.h"

namespace tessalume {

class FakeDesktop : public Desktop {
public:
    FakeDesktop() { InstallDesktop(this); }
    ~FakeDesktop() override { InstallDesktop(nullptr); }

    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& r) override { return saveRequests.push_back(r), answer; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& r) override { return openRequests.push_back(r), answer; }
    std::optional<std::string> ChooseFolder(const std::string& start) override { return folderRequests.push_back(start), answer; }
    void ShowMessage(const char* text, const char* caption) override { messages.emplace_back(text, caption); }

    std::optional<std::string> answer;  // what every chooser returns; nothing: cancelled
    std::vector<FileDialogRequest> saveRequests, openRequests;
    std::vector<std::string> folderRequests;
    std::vector<std::pair<std::string, std::string>> messages;
};

}  // namespace tessalume
