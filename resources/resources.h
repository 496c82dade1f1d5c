// The bitmaps embedded in the program file: button faces, glow, font sheet, thumbnail sheet
// and the icon, by their resource numbers.
#pragma once
#include <cstdint>

namespace tessalume {

inline constexpr int32_t iconResource = 101, buttonPressedResource = 104,
                         buttonFaceResource = 105, fontSheetResource = 106, glowResource = 109,
                         thumbnailSheetResource = 240;

// 24 bits per pixel, rows bottom-up in blue-green-red order, each row padded to four bytes.
struct BitmapResource {
    int32_t width = 0, height = 0;
    const uint8_t* bgrRows = nullptr;
};

// The bitmap with that number; width and height 0 when there is none.
BitmapResource FindBitmapResource(int32_t id);

}  // namespace tessalume
