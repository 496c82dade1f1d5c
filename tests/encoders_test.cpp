#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

// No two channels or pixels alike, and a row of 5 pixels needs BMP padding: a flip, a turn,
// swapped channels or a missing pad all show.
RgbPicture AsymmetricPicture(int32_t width = 5, int32_t height = 3)
{
    RgbPicture picture{width, height, {}};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            picture.pixels.push_back(static_cast<uint8_t>(10 + 17 * x + y));
            picture.pixels.push_back(static_cast<uint8_t>(100 + 3 * x + 41 * y));
            picture.pixels.push_back(static_cast<uint8_t>(200 + x * y * 7 + x));
        }
    return picture;
}

std::vector<uint8_t> Encode(bool (*encoder)(const RgbPicture&, const ByteSink&), const RgbPicture& picture)
{
    std::vector<uint8_t> bytes;
    const bool ok = encoder(picture, [&bytes](const uint8_t* data, std::size_t size) {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    });
    EXPECT_TRUE(ok);
    return bytes;
}

RgbPicture DecodePng(const std::vector<uint8_t>& bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    RgbPicture picture;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        ADD_FAILURE() << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int32_t>(image.width);
    picture.height = static_cast<int32_t>(image.height);
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr))
        ADD_FAILURE() << image.message;
    return picture;
}

uint32_t Little32(const std::vector<uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint32_t Big32(const std::vector<uint8_t>& b, std::size_t at)
{
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

TEST(Encoders, PngDecodesBackToTheSamePixelsAsOpaqueEightBitRgb)
{
    const RgbPicture picture = AsymmetricPicture();
    const std::vector<uint8_t> bytes = Encode(EncodePng, picture);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(Big32(bytes, 16), 5u);
    EXPECT_EQ(Big32(bytes, 20), 3u);
    EXPECT_EQ(bytes[24], 8);  // bits per channel
    EXPECT_EQ(bytes[25], 2);  // RGB without alpha
    const RgbPicture decoded = DecodePng(bytes);
    EXPECT_EQ(decoded.width, 5);
    EXPECT_EQ(decoded.height, 3);
    EXPECT_EQ(decoded.pixels, picture.pixels);

    // Incompressible and over a megabyte: several IDAT chunks must join up again.
    RgbPicture noise{700, 600, std::vector<uint8_t>(700 * 600 * 3)};
    uint32_t state = 12345;
    for (uint8_t& byte : noise.pixels) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    EXPECT_EQ(DecodePng(Encode(EncodePng, noise)).pixels, noise.pixels);
}

TEST(Encoders, BmpIsBottomUpBgrWithRowsPaddedToFourBytes)
{
    const RgbPicture picture = AsymmetricPicture();
    const std::vector<uint8_t> bytes = Encode(EncodeBmp, picture);
    const std::size_t paddedRow = 16;  // 5 * 3 = 15 bytes, padded
    ASSERT_EQ(bytes.size(), 54 + paddedRow * 3);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Little32(bytes, 2), bytes.size());
    EXPECT_EQ(Little32(bytes, 10), 54u);
    EXPECT_EQ(Little32(bytes, 14), 40u);
    EXPECT_EQ(Little32(bytes, 18), 5u);
    EXPECT_EQ(Little32(bytes, 22), 3u);  // positive height: bottom row first
    EXPECT_EQ(bytes[26] | bytes[27] << 8, 1);
    EXPECT_EQ(bytes[28] | bytes[29] << 8, 24);
    EXPECT_EQ(Little32(bytes, 30), 0u);
    for (int32_t y = 0; y < 3; ++y) {
        const std::size_t stored = 54 + (2 - y) * paddedRow;
        for (int32_t x = 0; x < 5; ++x)
            for (int32_t channel = 0; channel < 3; ++channel)
                EXPECT_EQ(bytes[stored + x * 3 + (2 - channel)], picture.pixels[(y * 5 + x) * 3 + channel])
                    << x << "," << y << " channel " << channel;
        EXPECT_EQ(bytes[stored + 15], 0);
    }
}

TEST(Encoders, EmptyPicturesAndFailingSinksAreRefused)
{
    const RgbPicture empty;
    const RgbPicture shortPixels{4, 4, std::vector<uint8_t>(10)};
    const ByteSink accept = [](const uint8_t*, std::size_t) { return true; };
    for (auto* encoder : {EncodePng, EncodeBmp}) {
        EXPECT_FALSE(encoder(empty, accept));
        EXPECT_FALSE(encoder(shortPixels, accept));
        // Whichever write fails, the encoder stops there and fails.
        for (int failAt = 0; failAt < 4; ++failAt) {
            int calls = 0;
            const bool ok = encoder(AsymmetricPicture(), [&](const uint8_t*, std::size_t) { return calls++ != failAt; });
            EXPECT_FALSE(ok) << failAt;
            EXPECT_EQ(calls, failAt + 1);
        }
    }
}

class AtomicWrites : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/tessalume-encoders-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
    }
    void TearDown() override
    {
        fs::permissions(folder, fs::perms::owner_all);
        fs::remove_all(folder);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
    static std::string Read(const fs::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    static std::function<bool(const ByteSink&)> Writing(const std::string& text, bool succeed = true)
    {
        return [text, succeed](const ByteSink& sink) {
            return sink(reinterpret_cast<const uint8_t*>(text.data()), text.size()) && succeed;
        };
    }

    fs::path folder;
};

TEST_F(AtomicWrites, ReplacesTheFileWholeWithOrdinaryPermissions)
{
    const std::string path = (folder / "out.bin").string();
    const mode_t previousMask = umask(022);
    EXPECT_TRUE(WriteFileAtomically(path, Writing("first")));
    umask(previousMask);
    EXPECT_TRUE(WriteFileAtomically(path, Writing("second, longer")));
    EXPECT_EQ(Read(path), "second, longer");
    EXPECT_EQ(Names(), std::vector<std::string>{"out.bin"});
    struct stat status{};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST_F(AtomicWrites, FailureMidwayLeavesTheOldFileAndNoTemporary)
{
    const std::string path = (folder / "out.bin").string();
    ASSERT_TRUE(WriteFileAtomically(path, Writing("old contents")));
    EXPECT_FALSE(WriteFileAtomically(path, Writing("half of the new", false)));
    EXPECT_EQ(Read(path), "old contents");
    EXPECT_EQ(Names(), std::vector<std::string>{"out.bin"});

    // An encoder whose sink gives up the same way.
    int calls = 0;
    EXPECT_FALSE(WriteFileAtomically(path, [&](const ByteSink& sink) {
        return EncodeBmp(AsymmetricPicture(), [&](const uint8_t* data, std::size_t size) {
            return ++calls < 3 && sink(data, size);
        });
    }));
    EXPECT_EQ(Read(path), "old contents");
    EXPECT_EQ(Names(), std::vector<std::string>{"out.bin"});
}

TEST_F(AtomicWrites, UnwritableDestinationsGiveFalseAndLeaveNothing)
{
    const std::string file = (folder / "plain").string();
    ASSERT_TRUE(WriteFileAtomically(file, Writing("x")));
    fs::create_directory(folder / "sub");
    const std::string destinations[] = {
        (folder / "missing" / "out.png").string(),  // no such folder
        file + "/out.png",                          // a file, not a folder
        (folder / "sub").string(),                  // a folder in the way
        (folder / "sub").string() + "/",            // no file name
        (folder / std::string(maxPathLength, 'n')).string(),
        "",
    };
    for (const std::string& destination : destinations)
        EXPECT_FALSE(WriteFileAtomically(destination, Writing("data"))) << destination;
    EXPECT_EQ(Names().size(), 2u);
    EXPECT_TRUE(fs::is_empty(folder / "sub"));

    // A read-only folder; the superuser writes anyway, so there it proves nothing.
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (access(folder.c_str(), W_OK) != 0) {
        EXPECT_FALSE(WriteFileAtomically((folder / "out.png").string(), Writing("data")));
        EXPECT_EQ(Names().size(), 2u);
    }
}

TEST_F(AtomicWrites, WritePictureChoosesTheEncoderByFormat)
{
    const RgbPicture picture = AsymmetricPicture();
    const int32_t formats[] = {0, 1, 2};
    for (int32_t format : formats) {
        const fs::path path = folder / ("picture" + std::to_string(format));
        ASSERT_TRUE(WritePicture(path.string(), format, picture));
        const std::string bytes = Read(path);
        if (format == 0)
            EXPECT_EQ(bytes.substr(0, 4), "\x89PNG");
        else
            EXPECT_EQ(bytes.substr(0, 2), "BM");
    }
    EXPECT_FALSE(WritePicture((folder / "empty.png").string(), 0, RgbPicture{}));
    EXPECT_FALSE(fs::exists(folder / "empty.png"));
}

// ---- Default export name -----------------------------------------------------------------

class DefaultExportName : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = {intensityList.selected, antialiasingList.selected, outputFormatList.selected,
                 colorMappingIndex, runNumber, outputDirectory};
        std::copy(std::begin(codeDigits), std::end(codeDigits), savedDigits);
    }
    void TearDown() override
    {
        intensityList.selected = saved.intensity;
        antialiasingList.selected = saved.antialiasing;
        outputFormatList.selected = saved.format;
        colorMappingIndex = saved.mapping;
        runNumber = saved.run;
        outputDirectory = saved.directory;
        std::copy(std::begin(savedDigits), std::end(savedDigits), codeDigits);
    }

    struct Saved {
        int32_t intensity, antialiasing, format, mapping, run;
        std::string directory;
    } saved;
    uint32_t savedDigits[7];
};

TEST_F(DefaultExportName, LetterFollowsAntialiasingAndExtensionTheFormat)
{
    outputDirectory = "/home/me/Pictures";
    runNumber = 4711;
    intensityList.selected = 3;
    colorMappingIndex = 1;
    const uint32_t digits[7] = {1, 0, 1, 1, 0, 0, 1};  // d0..d6
    std::copy(std::begin(digits), std::end(digits), codeDigits);
    // 256 * 3 + 128 * 1 + 64 * 1 + 8 + 4 + 1
    const std::string stem = "/home/me/Pictures/Tessalume_4711_973_";
    struct Row {
        int32_t antialiasing, format;
        const char* ending;
    };
    const Row rows[] = {{0, 0, "L.png"}, {2, 0, "H.png"}, {0, 1, "L.bmp"}, {4, 1, "H.bmp"}, {1, 1, "H.bmp"}};
    for (const Row& row : rows) {
        antialiasingList.selected = row.antialiasing;
        outputFormatList.selected = row.format;
        FormDefaultExportName();
        EXPECT_EQ(defaultExportPath, stem + row.ending);
    }
}

TEST_F(DefaultExportName, DigitsAboveOneAddUpAndOverlongNamesAreRefused)
{
    outputDirectory = "";
    runNumber = 0;
    intensityList.selected = 0;
    colorMappingIndex = 6;
    const uint32_t digits[7] = {2, 0, 0, 0, 0, 0, 0};
    std::copy(std::begin(digits), std::end(digits), codeDigits);
    antialiasingList.selected = 0;
    outputFormatList.selected = 0;
    FormDefaultExportName();
    EXPECT_EQ(defaultExportPath, "/Tessalume_0_770_L.png");  // 128 * 6 + 2

    outputDirectory = std::string(maxPathLength - 24, 'd');
    FormDefaultExportName();
    EXPECT_EQ(defaultExportPath.size(), maxPathLength - 2);
    outputDirectory = std::string(maxPathLength, 'd');
    FormDefaultExportName();
    EXPECT_TRUE(defaultExportPath.empty());
}

}  // namespace
}  // namespace tessalume
