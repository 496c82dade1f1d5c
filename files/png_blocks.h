// How the PNG encoder cuts the lines of a period into blocks, and how many of the blocks'
// compressed bytes it keeps to write again; the tests make both small to reach every path.
#pragma once
#include <cstddef>

#include "files/files.h"

namespace tessalume {

struct PngBlocking {
    std::size_t blockBytes;  // raw bytes of lines in a block, at least one line
    std::size_t keptBytes;   // compressed bytes kept for the further periods; blocks beyond are deflated again
};
inline constexpr PngBlocking pngBlocking{std::size_t{8} << 20, std::size_t{32} << 20};

std::string EncodePng(const TiledPicture& picture, const ByteSink& sink, const PictureNotes& notes,
                      const LineProgress& progress, const PngBlocking& blocking);

}  // namespace tessalume
