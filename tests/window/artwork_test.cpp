// The committed bitmaps are exactly what the generator makes, and the program file carries
// each of them with its size.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "fixtures.h"
#include "resources/resources.h"
#include "support/desktop_session.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

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

class Artwork : public ScratchFolder {};

TEST_F(Artwork, GeneratorRemakesTheCommittedPicturesByteForByte)
{
    const fs::path made = folder, committed = fs::path(TESSALUME_SOURCE_DIR) / "resources";
    const Finished run = RunToEnd({TESSALUME_ARTWORK_PATH, made.string()}, milliseconds(240000));
    ASSERT_EQ(run.status, 0) << run.error;

    const std::set<std::string> names = PicturesUnder(made);
    EXPECT_EQ(names, PicturesUnder(committed));
    EXPECT_GE(names.size(), 12u);
    for (const std::string& name : names)
        EXPECT_TRUE(ReadFile(made / name) == ReadFile(committed / name))
            << name << " differs from the generator's output: run tools/make-artwork";
}

TEST_F(Artwork, EveryBitmapIsEmbeddedWithItsSizeAndPixels)
{
    // Each bitmap file is named after its resource number.
    for (const auto& entry : fs::directory_iterator(fs::path(TESSALUME_SOURCE_DIR) / "resources")) {
        if (entry.path().extension() != ".bmp") continue;
        const std::string name = entry.path().filename().string(), file = ReadFile(entry.path());
        const BitmapResource bitmap = FindBitmapResource(std::stoi(name));
        // The size in the file's 54-byte header, and the file's own pixels after it.
        ASSERT_GE(file.size(), 54u) << name;
        int32_t width = 0, height = 0;
        std::memcpy(&width, &file[18], 4), std::memcpy(&height, &file[22], 4);
        EXPECT_TRUE(bitmap.width == width && bitmap.height == height) << name;
        const std::size_t pixelBytes = static_cast<std::size_t>(width) * height * 3;
        ASSERT_TRUE(bitmap.bgrRows != nullptr && file.size() == 54 + pixelBytes) << name;
        EXPECT_EQ(file.compare(54, pixelBytes, reinterpret_cast<const char*>(bitmap.bgrRows), pixelBytes), 0) << name;
    }
    EXPECT_TRUE(FindBitmapResource(102).width == 0 && FindBitmapResource(102).bgrRows == nullptr);
}

}  // namespace
}  // namespace tessalume
