// Placeholder until the export names land.
#include "files/files.h"

namespace tessalume {
std::string settingsImagesFolder, outputDirectory, chosenFilePath, defaultExportPath;
int32_t exportNoticeTicks = 0;
void FormDefaultExportName() {}
}  // namespace tessalume
