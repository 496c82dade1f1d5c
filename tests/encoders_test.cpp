// The PNG and BMP encoders, read back by libpng and by the bitmap's header and rows, and the
// atomic writing of files.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

// No two channels or pixels alike, and a row of 5 pixels needs BMP padding: a flip, a turn,
// swapped channels or a missing pad all show.
RgbPicture AsymmetricPicture()
{
    RgbPicture picture{5, 3, {}};
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            picture.pixels.insert(picture.pixels.end(), {static_cast<uint8_t>(10 + 17 * x + y),
                                                         static_cast<uint8_t>(100 + 3 * x + 41 * y),
                                                         static_cast<uint8_t>(200 + x * y * 7 + x)});
    return picture;
}

using Encoder = std::string (*)(const RgbPicture&, const ByteSink&, const PictureNotes&);

std::string Encode(Encoder encoder, const RgbPicture& picture, const PictureNotes& notes = {})
{
    std::string bytes;
    EXPECT_EQ(encoder(picture, [&bytes](const uint8_t* data, std::size_t size) {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
    }, notes), "");
    return bytes;
}

// A little-endian field of the bitmap's headers.
uint32_t Read32(const std::string& b, std::size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(b[at + i]);
    return value;
}

TEST(Encoders, PngDecodesBackToTheSamePixelsAsOpaqueEightBitRgb)
{
    const RgbPicture picture = AsymmetricPicture();
    const std::string bytes = Encode(EncodePng, picture);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(24, 2), std::string("\x08\x02"));  // 8 bits per channel, RGB without alpha
    const RgbPicture decoded = DecodePng(bytes);
    EXPECT_EQ(decoded.width, 5);
    EXPECT_EQ(decoded.height, 3);
    EXPECT_EQ(decoded.pixels, picture.pixels);

    // Incompressible and over a megabyte: several IDAT chunks must join up again.
    RgbPicture noise{700, 600, std::vector<uint8_t>(700 * 600 * 3)};
    uint32_t state = 12345;
    for (uint8_t& byte : noise.pixels) byte = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    EXPECT_EQ(DecodePng(Encode(EncodePng, noise)).pixels, noise.pixels);
}

// The chunks of a PNG file in order, each as its type and data.
std::vector<std::pair<std::string, std::string>> PngChunks(const std::string& bytes)
{
    std::vector<std::pair<std::string, std::string>> chunks;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        uint32_t length = 0;
        for (int i = 0; i < 4; ++i) length = length << 8 | static_cast<uint8_t>(bytes[at + i]);
        chunks.emplace_back(bytes.substr(at + 4, 4), bytes.substr(at + 8, length));
        at += 12 + length;
    }
    return chunks;
}

TEST(Encoders, TheRecipeAndThePrintResolutionGoBeforeTheImageData)
{
    const std::string recipe = "{\"version\":1,\"ü\":\"\u00e9\"}";
    const auto chunks = PngChunks(Encode(EncodePng, AsymmetricPicture(), {recipe, 300}));
    const auto typeAt = [&](const std::string& type) {
        return std::find_if(chunks.begin(), chunks.end(), [&](const auto& chunk) { return chunk.first == type; });
    };
    ASSERT_NE(typeAt("iTXt"), chunks.end());
    ASSERT_NE(typeAt("pHYs"), chunks.end());
    EXPECT_LT(typeAt("iTXt"), typeAt("IDAT"));
    EXPECT_LT(typeAt("pHYs"), typeAt("IDAT"));
    // Keyword, no compression, no language, no translated keyword, then the text as it was.
    EXPECT_EQ(typeAt("iTXt")->second, std::string(pngRecipeKeyword) + std::string(5, '\0') + recipe);
    EXPECT_EQ(typeAt("pHYs")->second, std::string("\0\0\x2e\x23\0\0\x2e\x23\x01", 9));  // 11811 per metre

    const auto plain = PngChunks(Encode(EncodePng, AsymmetricPicture()));
    EXPECT_EQ(std::count_if(plain.begin(), plain.end(), [](const auto& c) { return c.first == "iTXt" || c.first == "pHYs"; }), 0);
    EXPECT_EQ(Read32(Encode(EncodeBmp, AsymmetricPicture(), {"", 300}), 38), 11811u);
    EXPECT_EQ(Read32(Encode(EncodeBmp, AsymmetricPicture()), 42), 2835u);
}

TEST(Encoders, BmpIsBottomUpBgrWithRowsPaddedToFourBytes)
{
    const RgbPicture picture = AsymmetricPicture();
    const std::string bytes = Encode(EncodeBmp, picture);
    const std::size_t paddedRow = 16;  // 5 * 3 = 15 bytes, padded
    ASSERT_EQ(bytes.size(), 54 + paddedRow * 3);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    const uint32_t header[][2] = {{2, 54 + 48}, {10, 54}, {14, 40}, {18, 5}, {22, 3}, {30, 0}};  // offset, value
    for (const auto& field : header) EXPECT_EQ(Read32(bytes, field[0]), field[1]) << field[0];
    EXPECT_EQ(Read32(bytes, 26), 1u | 24u << 16);  // one plane, 24 bits
    for (int32_t y = 0; y < 3; ++y) {
        const std::size_t stored = 54 + (2 - y) * paddedRow;  // positive height: bottom row first
        for (int32_t x = 0; x < 5; ++x)
            for (int32_t channel = 0; channel < 3; ++channel)
                EXPECT_EQ(static_cast<uint8_t>(bytes[stored + x * 3 + (2 - channel)]), picture.pixels[(y * 5 + x) * 3 + channel])
                    << x << "," << y << " channel " << channel;
        EXPECT_EQ(bytes[stored + 15], 0);
    }
}

TEST(Encoders, EmptyPicturesAndFailingSinksAreRefused)
{
    const ByteSink accept = [](const uint8_t*, std::size_t) { return true; };
    for (Encoder encoder : {Encoder(EncodePng), Encoder(EncodeBmp)}) {
        EXPECT_EQ(encoder(RgbPicture{}, accept, {}), "the picture has no pixels");
        EXPECT_EQ(encoder(RgbPicture{4, 4, std::vector<uint8_t>(10)}, accept, {}), "the picture has no pixels");
        // Whichever write fails, the encoder stops there and fails.
        for (int failAt = 0; failAt < 4; ++failAt) {
            int calls = 0;
            EXPECT_NE(encoder(AsymmetricPicture(), [&](const uint8_t*, std::size_t) { return calls++ != failAt; }, {}), "");
            EXPECT_EQ(calls, failAt + 1);
        }
    }
}

class AtomicWrites : public ScratchFolder {
protected:
    static FileWriter Writing(const std::string& text, bool succeed = true)
    {
        return [text, succeed](const ByteSink& sink) {
            return sink(reinterpret_cast<const uint8_t*>(text.data()), text.size()) && succeed ? "" : "stopped";
        };
    }
};

TEST_F(AtomicWrites, ReplaceTheFileWholeWithOrdinaryPermissionsOrLeaveItAsItWas)
{
    const std::string path = PathIn("out.bin");
    const mode_t previousMask = umask(022);
    EXPECT_EQ(WriteFileAtomically(path, Writing("first")), "");
    umask(previousMask);
    EXPECT_EQ(WriteFileAtomically(path, Writing("second, longer")), "");
    EXPECT_EQ(ReadFile(path), "second, longer");
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);

    EXPECT_EQ(WriteFileAtomically(path, Writing("half of the new", false)), "stopped");  // as an encoder that stops midway
    EXPECT_EQ(ReadFile(path), "second, longer");
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"out.bin"});
}

TEST_F(AtomicWrites, UnwritableDestinationsSayWhyAndLeaveNothing)
{
    ASSERT_EQ(WriteFileAtomically(PathIn("plain"), Writing("x")), "");
    fs::create_directory(folder / "sub");
    const std::string destinations[] = {
        PathIn("missing/out.png"),  PathIn("plain/out.png"), PathIn("sub"), PathIn("sub/"),
        PathIn(std::string(maxPathLength, 'n')), "",
    };
    for (const std::string& destination : destinations)
        EXPECT_NE(WriteFileAtomically(destination, Writing("data")), "") << destination;
    EXPECT_EQ(Listing(folder).size(), 2u);
    EXPECT_TRUE(fs::is_empty(folder / "sub"));

    // A read-only folder; the superuser writes anyway, so there it proves nothing.
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (access(folder.c_str(), W_OK) != 0) {
        EXPECT_EQ(WriteFileAtomically(PathIn("out.png"), Writing("data")), std::strerror(EACCES));
    }
    EXPECT_EQ(Listing(folder).size(), 2u);
}

}  // namespace
}  // namespace tessalume
