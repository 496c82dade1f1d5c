// Placeholder until the preview copy lands.
#include "imaging/imaging.h"

namespace tessalume {
uint8_t previewPixels[previewPixelBytes];
void TilePreview() {}
}  // namespace tessalume
