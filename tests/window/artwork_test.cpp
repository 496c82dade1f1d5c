// The committed bitmaps are exactly what the generator makes, and the program file carries
// each of them with its size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "resources/resources.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Every picture file under folder, as paths relative to it.
std::set<std::string> PicturesUnder(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".bmp" || extension == ".png") names.insert(fs::relative(entry.path(), folder).string());
    }
    return names;
}

TEST(Artwork, GeneratorRemakesTheCommittedPicturesByteForByte)
{
    char pattern[] = "/tmp/tessalume-artwork-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path made = pattern;
    const fs::path committed = fs::path(TESSALUME_SOURCE_DIR) / "resources";
    const std::string command = std::string("'") + TESSALUME_ARTWORK_PATH + "' '" + made.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const std::set<std::string> names = PicturesUnder(made);
    EXPECT_EQ(names, PicturesUnder(committed));
    EXPECT_GE(names.size(), 12u);
    for (const std::string& name : names)
        EXPECT_TRUE(Contents(made / name) == Contents(committed / name))
            << name << " differs from the generator's output: run tools/make-artwork";
    fs::remove_all(made);
}

TEST(Artwork, EveryBitmapIsEmbeddedWithItsSizeAndPixels)
{
    const struct {
        int32_t id, width, height;
        const char* file;
    } bitmaps[] = {
        {iconResource, 64, 64, "101-icon.bmp"},           {buttonPressedResource, 128, 32, "104-button-pressed.bmp"},
        {buttonFaceResource, 128, 32, "105-button-face.bmp"}, {fontSheetResource, 512, 512, "106-font-sheet.bmp"},
        {glowResource, 32, 32, "109-glow.bmp"},           {thumbnailSheetResource, 512, 1024, "240-thumbnails.bmp"},
    };
    for (const auto& expected : bitmaps) {
        const BitmapResource bitmap = FindBitmapResource(expected.id);
        EXPECT_TRUE(bitmap.width == expected.width && bitmap.height == expected.height) << expected.file;
        ASSERT_NE(bitmap.bgrRows, nullptr) << expected.file;
        // The rows are the file's own pixels, which follow its 54-byte header.
        const std::string file = Contents(fs::path(TESSALUME_SOURCE_DIR) / "resources" / expected.file);
        const std::size_t pixelBytes = static_cast<std::size_t>(expected.width) * expected.height * 3;
        ASSERT_EQ(file.size(), 54 + pixelBytes) << expected.file;
        EXPECT_EQ(file.compare(54, pixelBytes, reinterpret_cast<const char*>(bitmap.bgrRows), pixelBytes), 0) << expected.file;
    }
    EXPECT_TRUE(FindBitmapResource(102).width == 0 && FindBitmapResource(102).bgrRows == nullptr);
}

}  // namespace
}  // namespace tessalume
