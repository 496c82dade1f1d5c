// The bitmap files as the build embeds them: resources/embed.cmake generates the table from
// every resources/NNN-role.bmp, keyed by the number NNN.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessalume {

struct EmbeddedFile {
    int32_t id;
    const uint8_t* bytes;
    std::size_t size;
};

extern const EmbeddedFile embeddedBitmaps[];
extern const std::size_t embeddedBitmapCount;

}  // namespace tessalume
