// The default export name, formed from the run number and the settings.
#include <cstdio>

#include "files/files.h"

namespace tessalume {
namespace {

// Rows: "Output Format" PNG, BMP; columns: antialiasing off ("L"), on ("H").
constexpr const char* exportNamePatterns[2][2] = {
    {"%s/Tessalume_%d_%d_L.png", "%s/Tessalume_%d_%d_H.png"},
    {"%s/Tessalume_%d_%d_L.bmp", "%s/Tessalume_%d_%d_H.bmp"},
};

// 256 i + 128 d7 + ... + d0, doubled and added in unsigned words so that digits beyond 1
// wrap like the 32-bit value they are instead of overflowing. The worker writes the mapping and
// the digits meanwhile (a search draws them per attempt): each is read whole.
int32_t SettingsCode(const Quilt& quilt, const Settings& settings)
{
    uint32_t code = static_cast<uint32_t>(LoadRelaxed(settings.intensity));
    code = 2 * code + static_cast<uint32_t>(LoadRelaxed(quilt.colorMapping));
    for (int k = 6; k >= 0; --k)
        code = 2 * code + LoadRelaxed(quilt.design.codeDigits[k]);
    return static_cast<int32_t>(code);
}

}  // namespace

std::string DefaultExportName(const Quilt& quilt, const Settings& settings)
{
    const int format = LoadRelaxed(settings.outputFormat) != 0 ? 1 : 0;
    const int quality = LoadRelaxed(settings.antialiasing) != 0 ? 1 : 0;
    const char* pattern = exportNamePatterns[format][quality];
    const int32_t code = SettingsCode(quilt, settings);
    const char* folder = settings.outputFolder.c_str();

    const int length = std::snprintf(nullptr, 0, pattern, folder, LoadRelaxed(quilt.runNumber), code);
    // A name that does not fit the path buffers is refused whole, never cut short.
    if (length < 0 || static_cast<std::size_t>(length) > maxPathLength) return {};
    std::string path(static_cast<std::size_t>(length), '\0');
    std::snprintf(path.data(), path.size() + 1, pattern, folder, LoadRelaxed(quilt.runNumber), code);
    return path;
}

}  // namespace tessalume
