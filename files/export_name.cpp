// The folder strings and the default export name formed from the run number and the settings.
#include <cstdio>

#include "engine/engine.h"
#include "engine/relaxed.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {

std::string settingsImagesFolder, outputDirectory, chosenFilePath, defaultExportPath;
int32_t exportNoticeTicks = 0;

namespace {

// Rows: "Output Format" PNG, BMP; columns: antialiasing off ("L"), on ("H").
constexpr const char* exportNamePatterns[2][2] = {
    {"%s/Tessalume_%d_%d_L.png", "%s/Tessalume_%d_%d_H.png"},
    {"%s/Tessalume_%d_%d_L.bmp", "%s/Tessalume_%d_%d_H.bmp"},
};

// 256 i + 128 d7 + ... + d0, doubled and added in unsigned words so that digits beyond 1
// wrap like the 32-bit value they are instead of overflowing. The worker writes the mapping and
// the digits meanwhile (a search draws them per attempt): each is read whole.
int32_t SettingsCode()
{
    uint32_t code = static_cast<uint32_t>(intensityList.selected);
    code = 2 * code + static_cast<uint32_t>(LoadRelaxed(colorMappingIndex));
    for (int k = 6; k >= 0; --k)
        code = 2 * code + LoadRelaxed(codeDigits[k]);
    return static_cast<int32_t>(code);
}

}  // namespace

void FormDefaultExportName()
{
    const int format = outputFormatList.selected != 0 ? 1 : 0;
    const int quality = antialiasingList.selected != 0 ? 1 : 0;
    const char* pattern = exportNamePatterns[format][quality];
    const int32_t code = SettingsCode();

    defaultExportPath.clear();
    const int length = std::snprintf(nullptr, 0, pattern, outputDirectory.c_str(), runNumber, code);
    // A name that does not fit the path buffers is refused whole, never cut short.
    if (length < 0 || static_cast<std::size_t>(length) > maxPathLength)
        return;
    std::string path(static_cast<std::size_t>(length), '\0');
    std::snprintf(path.data(), path.size() + 1, pattern, outputDirectory.c_str(), runNumber, code);
    defaultExportPath = std::move(path);
}

}  // namespace tessalume
