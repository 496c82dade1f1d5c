// Colour map files: 256 lines of "%f %f %f" written, up to 256 lines read.
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "files/files.h"

namespace tessalume {
namespace {

constexpr int entryCount = 256;
// A line is read in pieces of at most 99 characters, each counting as a line of its own.
constexpr std::size_t pieceLength = 99;
// The most a file can contribute: every piece ends in at most one LF that may come as CR LF,
// plus one byte to see whether a last CR is followed by LF.
constexpr std::size_t colorMapReadLimit = entryCount * (pieceLength + 1) + 1;

// Numbers are written and read with "." whatever the process locale: the C locale is made
// current for this thread only while a file is formatted or parsed.
class CNumericLocale {
public:
    CNumericLocale() : previous_(uselocale(CLocale())) {}
    ~CNumericLocale() { uselocale(previous_); }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    static locale_t CLocale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return c;
    }
    locale_t previous_;
};

void FillGreyRamp(ColorMapChannels& map)
{
    for (int i = 0; i < entryCount; ++i) {
        map.red[i] = i;
        map.green[i] = i;
        map.blue[i] = i;
    }
}

bool HasWholeNumber(const ColorMapChannels& map)
{
    for (const double* channel : {map.red, map.green, map.blue})
        for (int i = 0; i < entryCount; ++i)
            if (std::trunc(channel[i]) == channel[i]) return true;
    return false;
}

// In place and ascending, so each entry sees its already smoothed left neighbour.
void SmoothColorMap(ColorMapChannels& map)
{
    for (int i = 1; i < entryCount - 1; ++i)
        for (double* channel : {map.red, map.green, map.blue}) {
            const double smoothed = (channel[i - 1] + channel[i + 1]) * 0.025 + channel[i] * 0.95;
            channel[i] = std::fmin(std::fmax(smoothed, 0.0), 255.0);
        }
}

// Cuts the next piece off the text, as a line reader with a 100-byte buffer does: up to 99
// characters, ending after the first LF. CR LF counts as LF; a lone CR is data.
std::size_t NextPiece(std::string_view& rest, char (&piece)[pieceLength + 1])
{
    std::size_t length = 0;
    while (length < pieceLength && !rest.empty()) {
        if (rest[0] == '\r' && rest.size() > 1 && rest[1] == '\n') rest.remove_prefix(1);
        const char c = rest[0];
        rest.remove_prefix(1);
        piece[length++] = c;
        if (c == '\n') break;
    }
    piece[length] = '\0';
    return length;
}

}  // namespace

ColorMapChannels ReadColorMapText(std::string_view bytes)
{
    const CNumericLocale cNumbers;
    ColorMapChannels map;
    FillGreyRamp(map);
    // The last value read of each component; a component that a line does not supply (or
    // supplies as infinite or not a number) keeps it.
    float components[3] = {0, 0, 0};
    char piece[pieceLength + 1];
    for (int k = 0; k < entryCount && NextPiece(bytes, piece) > 0; ++k) {
        float read[3];
        const int count = std::sscanf(piece, "%f %f %f", &read[0], &read[1], &read[2]);
        for (int c = 0; c < count; ++c)
            if (std::isfinite(read[c])) components[c] = read[c];
        map.red[k] = components[0];
        map.green[k] = components[1];
        map.blue[k] = components[2];
    }
    if (HasWholeNumber(map)) SmoothColorMap(map);
    return map;
}

std::string ReadColorMapFile(const std::string& path, std::string& bytes)
{
    // Opened without waiting (a pipe would wait for a writer), then checked on the same
    // descriptor.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return std::strerror(errno);
    std::string fault;
    struct stat status {};
    bytes.assign(colorMapReadLimit, '\0');
    std::size_t got = 0;
    if (fstat(descriptor, &status) != 0) {
        fault = std::strerror(errno);
    } else if (!S_ISREG(status.st_mode)) {
        fault = "not a regular file";
    } else {
        ssize_t length = 0;
        while (got < bytes.size() && (length = read(descriptor, bytes.data() + got, bytes.size() - got)) > 0)
            got += static_cast<std::size_t>(length);
        if (length < 0) fault = std::strerror(errno);
    }
    close(descriptor);
    bytes.resize(fault.empty() ? got : 0);
    return fault;
}

std::string FormatColorMapText(const ColorMapChannels& map)
{
    const CNumericLocale cNumbers;
    std::string text;
    for (int i = 0; i < entryCount; ++i) {
        // Three numbers of at most 317 characters each ("%f" of the largest double).
        char line[1024];
        const int length = std::snprintf(line, sizeof line, "%f %f %f\n", map.red[i], map.green[i], map.blue[i]);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

}  // namespace tessalume
