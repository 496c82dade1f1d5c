// tessalume-artwork OUTPUT-FOLDER [FONT]: writes every bitmap the program embeds, named by
// resource number and role, and the desktop icons under icons/. The same build writes the
// same bytes on every run.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tools/artwork/artwork.h"

namespace {

using namespace tessalume;
using namespace tessalume::artwork;

// Plain writes: the files are made again at will, so they need no atomic replacement.
void Write(const std::string& path, const Canvas& canvas)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const ByteSink sink = [&file](const uint8_t* data, std::size_t size) {
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(file);
    };
    const bool png = path.ends_with(".png");
    const std::string fault = png ? EncodePng(canvas.Picture(), sink) : EncodeBmp(canvas.Picture(), sink);
    file.close();
    if (!fault.empty() || !file) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fputs("usage: tessalume-artwork OUTPUT-FOLDER [FONT-FILE]\n", stderr);
        return 2;
    }
    const std::string out = argv[1];
    const std::string font = argc == 3 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    try {
        std::filesystem::create_directories(out + "/icons");
        Write(out + "/104-button-pressed.bmp", ButtonFace(true));
        Write(out + "/105-button-face.bmp", ButtonFace(false));
        Write(out + "/106-font-sheet.bmp", FontSheet(font));
        Write(out + "/109-glow.bmp", Glow());
        Write(out + "/240-thumbnails.bmp", ThumbnailSheet());
        const Canvas icon = IconArt();
        Write(out + "/101-icon.bmp", icon.Resampled(64, 64));
        for (int side : {16, 32, 48, 64, 128, 256})
            Write(out + "/icons/tessalume-" + std::to_string(side) + ".png", icon.Resampled(side, side));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tessalume-artwork: %s\n", failure.what());
        return 1;
    }
    return 0;
}
