#include "resources/resources.h"

#include "resources/embedded.h"

namespace tessalume {

namespace {

uint32_t LittleEndian32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

// The embedded files are whole BMP files: the header gives the size and where the rows begin.
BitmapResource FindBitmapResource(int32_t id)
{
    for (std::size_t i = 0; i < embeddedBitmapCount; ++i) {
        const EmbeddedFile& file = embeddedBitmaps[i];
        if (file.id != id) continue;
        constexpr std::size_t headerBytes = 54;
        if (file.size < headerBytes || file.bytes[0] != 'B' || file.bytes[1] != 'M') return {};
        const uint32_t pixelOffset = LittleEndian32(file.bytes + 10);
        BitmapResource bitmap;
        bitmap.width = static_cast<int32_t>(LittleEndian32(file.bytes + 18));
        bitmap.height = static_cast<int32_t>(LittleEndian32(file.bytes + 22));
        const std::size_t rowBytes = (static_cast<std::size_t>(bitmap.width) * 3 + 3) & ~std::size_t{3};
        if (file.bytes[28] != 24 || bitmap.width <= 0 || bitmap.height <= 0 ||
            pixelOffset + rowBytes * static_cast<std::size_t>(bitmap.height) > file.size)
            return {};
        bitmap.bgrRows = file.bytes + pixelOffset;
        return bitmap;
    }
    return {};
}

}  // namespace tessalume
