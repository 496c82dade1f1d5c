// The per-user settings: one value, "Images", the default output folder, read once at
// start-up from a key=value file and never written back.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <pwd.h>

#include <cstdlib>
#include <sstream>
#include <optional>

#include "files/files.h"

namespace tessalume {
namespace {

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A settings file holds a line or two: no more than this is read of one, so that a huge file
// (or one without line ends) costs neither the start-up's time nor its memory.
constexpr std::size_t maxSettingsBytes = 64 * 1024;

// The lines of a regular file within its first maxSettingsBytes; a line cut by the limit is
// left out rather than read short. Anything else (a pipe that would wait for a writer, a
// device, a folder) reads as empty.
std::string SettingsText(const std::string& path)
{
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return {};
    std::string text;
    struct stat status;
    if (fstat(file, &status) == 0 && S_ISREG(status.st_mode)) {
        text.resize(maxSettingsBytes + 1);  // one byte more tells whether the file goes on
        std::size_t length = 0;
        for (ssize_t got; length < text.size() && (got = read(file, &text[length], text.size() - length)) > 0;)
            length += static_cast<std::size_t>(got);
        text.resize(length);
        if (length > maxSettingsBytes) {
            const std::size_t lastLineEnd = text.rfind('\n', maxSettingsBytes - 1);
            text.resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
        }
    }
    close(file);
    return text;
}

// The value of the last line "key=value" of a small text file; "#" and ";" start comments.
std::optional<std::string> ReadKey(const std::string& path, std::string_view key)
{
    std::istringstream file(SettingsText(path));
    std::optional<std::string> value;
    std::string line;
    while (std::getline(file, line)) {
        const std::string_view text = Trimmed(line);
        const std::size_t equals = text.find('=');
        if (text.empty() || text[0] == '#' || text[0] == ';' || equals == std::string_view::npos)
            continue;
        if (Trimmed(text.substr(0, equals)) == key)
            value = std::string(Trimmed(text.substr(equals + 1)));
    }
    return value;
}

bool IsFolder(const std::string& path)
{
    struct stat status;
    return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder()
{
    std::string home = EnvironmentValue("HOME");
    if (home.empty())
        if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) home = user->pw_dir;
    return home;
}

// XDG_PICTURES_DIR of user-dirs.dirs: a quoted path, absolute or starting with "$HOME/".
std::string PicturesFolder(const std::string& configHome, const std::string& home)
{
    std::string value = ReadKey(configHome + "/user-dirs.dirs", "XDG_PICTURES_DIR").value_or("");
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) return home + value.substr(5);
    return value.rfind('/', 0) == 0 ? value : "";
}

}  // namespace

std::string ImagesFolder(const std::string& configHome, const std::string& home, const std::string& picturesDir)
{
    std::string images = ReadKey(configHome + "/tessalume/settings.ini", "Images").value_or("");
    if (images == "~" || images.rfind("~/", 0) == 0) images = home + images.substr(1);
    // A folder that does not fit the path buffers counts as not set, rather than cut short.
    if (images.size() > maxPathLength) images.clear();
    // Without the setting the dialogs open in the user's pictures and the default export
    // path still names a folder.
    if (images.empty()) images = IsFolder(picturesDir) ? picturesDir : home;
    return images;
}

std::string ImagesFolder()
{
    const std::string home = HomeFolder();
    std::string configHome = EnvironmentValue("XDG_CONFIG_HOME");
    if (configHome.empty()) configHome = home + "/.config";
    return ImagesFolder(configHome, home, PicturesFolder(configHome, home));
}

}  // namespace tessalume
