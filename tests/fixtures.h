// What the test files share: the engine in a known state, a scratch folder, whole-file reading,
// a digest for pinned results, and PNG decoding by libpng rather than by our own code.
#pragma once
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {

// The engine as start-up leaves it before its first new quilt, with both generators seeded:
// every control at its start value and applied, the first resolution row, catalogue entries 0,
// no blur, no request pending, the accumulators and the picture cleared.
inline void ResetEngine(uint32_t seed = 1)
{
    SeedGenerators(seed);
    BuildControls();
    textureSize = resolutionTable[0].textureSize;
    SetPeriodFromTextureSize();
    activeResolution = 0;
    antialiasRadius = 1.75;
    ApplySettings();
    transformIndexI = transformIndexII = transformShownI = transformShownII = 0;
    SelectTransformationI();
    SelectTransformationII();
    blurringFactor = blurRadius = 0;
    newQuiltRequest = resetRequest = renderInProgress = 0;
    clearOnReset = 1;
    ClearAccumulators();
}

// 64-bit FNV-1a: a digest that pins a result without restating it.
inline uint64_t Digest(std::string_view bytes, uint64_t hash = 14695981039346656037ull)
{
    for (const char byte : bytes) hash = (hash ^ static_cast<uint8_t>(byte)) * 1099511628211ull;
    return hash;
}

template <typename T>
uint64_t DigestOf(const T& value, uint64_t hash = 14695981039346656037ull)
{
    return Digest(std::string_view(reinterpret_cast<const char*>(&value), sizeof value), hash);
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The pixels of a PNG file as 8-bit RGB rows, top to bottom; an empty picture if it is not one.
inline RgbPicture DecodePng(std::string_view bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    RgbPicture picture;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) return RgbPicture{};
    picture.width = static_cast<int32_t>(image.width);
    picture.height = static_cast<int32_t>(image.height);
    return picture;
}

// A fresh folder for each test, removed with everything in it afterwards.
class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = (std::filesystem::temp_directory_path() / "tessalume-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        folder = name;
    }
    // Tests may leave folders read-only: everything is made writable again, outside in.
    void TearDown() override
    {
        namespace fs = std::filesystem;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_directory()) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }
    std::string PathIn(const std::string& name) const { return (folder / name).string(); }

    std::filesystem::path folder;
};

}  // namespace tessalume
