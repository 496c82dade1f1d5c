// The pictures the exports write: the period with its rows turned top to bottom, and the
// period centred and repeated over a picture of any size; the default name they are offered.
#include "files/png_blocks.h"
#include "tests/fixtures.h"

namespace tessalume {
namespace {

// Every pixel of the quilt's picture carries its own column and row (red and green the low bytes, blue
// the high nibbles), so that a picture pixel tells where it came from.
void PaintOrigins(Quilt& quilt)
{
    for (int32_t r = 0; r < quilt.periodHeight; ++r)
        for (int32_t c = 0; c < quilt.periodWidth; ++c) {
            uint8_t* p = quilt.image.data() + (static_cast<std::size_t>(r) * quilt.periodWidth + c) * 3;
            p[0] = static_cast<uint8_t>(c);
            p[1] = static_cast<uint8_t>(r);
            p[2] = static_cast<uint8_t>((c >> 8) | (r >> 8) << 4);
        }
}

// The rule written out plainly, one modulo per pixel: picture pixel (x, y) shows period column
// x − ox and row height − 1 − y − oy, ox and oy centring the period.
int32_t Mismatches(const Quilt& quilt, const RgbPicture& picture, int32_t width, int32_t height)
{
    const int32_t periodWidth = quilt.periodWidth, periodHeight = quilt.periodHeight;
    if (picture.width != width || picture.height != height ||
        picture.pixels.size() != static_cast<std::size_t>(width) * height * 3)
        return -1;
    const int32_t ox = width / 2 - quilt.halfWidth, oy = height / 2 - quilt.halfHeight;
    int32_t mismatches = 0;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = picture.pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            const int32_t column = ((x - ox) % periodWidth + periodWidth) % periodWidth;
            const int32_t row = ((height - 1 - y - oy) % periodHeight + periodHeight) % periodHeight;
            mismatches += (p[0] | (p[2] & 0x0f) << 8) != column || (p[1] | (p[2] >> 4) << 8) != row;
        }
    return mismatches;
}

TEST(Pictures, TileIsThePeriodTurnedAndEveryTiledPictureFollowsTheRuleOrIsEmptyOutsideTheRange)
{
    Quilt quilt;
    const int32_t sizes[][2] = {{1, 1}, {2, 3}, {5, 7}, {445, 257}, {443, 255}, {3, 1000}, {maxTiledPictureSide, 3}};
    for (int32_t resolution = 0; resolution < resolutionCount; ++resolution) {
        const ResolutionRow& row = resolutionTable[resolution];
        SetResolution(quilt, resolution, 0);
        PaintOrigins(quilt);
        const RgbPicture tile = MakeTilePicture(quilt);
        EXPECT_EQ(Mismatches(quilt, tile, quilt.periodWidth, quilt.periodHeight), 0) << row.label;
        for (const auto& size : sizes)
            EXPECT_EQ(Mismatches(quilt, MakeTiledPicture(quilt, size[0], size[1]), size[0], size[1]), 0)
                << row.label << ": " << size[0] << " x " << size[1];
    }
    const int32_t outside[][2] = {{0, 5}, {5, 0}, {-2, 5}, {maxTiledPictureSide + 1, 5}, {5, maxTiledPictureSide + 1}};
    for (const auto& size : outside)  // an empty picture
        EXPECT_EQ(Mismatches(quilt, MakeTiledPicture(quilt, size[0], size[1]), 0, 0), 0) << size[0] << " x " << size[1];
}

// Written a line at a time from the period: the encoders must give the picture that is made whole
// in memory. 700 lines of a 256-line period replay the first period's compressed blocks and end
// on a part of one; 20000 columns go past the whole picture's largest side.
// What the encoders write, whole or streamed.
ByteSink Appending(std::string& bytes)
{
    return [&bytes](const uint8_t* data, std::size_t size) {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
    };
}

template <typename Picture>
std::string Png(const Picture& picture)
{
    std::string bytes;
    EXPECT_EQ(EncodePng(picture, Appending(bytes)), "");
    return bytes;
}

template <typename Picture>
std::string Bmp(const Picture& picture)
{
    std::string bytes;
    EXPECT_EQ(EncodeBmp(picture, Appending(bytes)), "");
    return bytes;
}

TEST(Pictures, StreamedPicturesAreTheWholePictureLineForLine)
{
    Quilt quilt;
    PaintOrigins(quilt);
    const RgbPicture tile = MakeTilePicture(quilt);
    const RgbPicture whole = MakeTiledPicture(quilt, 8000, 700);
    EXPECT_EQ(Bmp(CentredTiling(tile, quilt, 8000, 700)), Bmp(whole));
    EXPECT_EQ(DecodePng(Png(CentredTiling(tile, quilt, 8000, 700))).pixels, whole.pixels);
    EXPECT_EQ(Mismatches(quilt, DecodePng(Png(CentredTiling(tile, quilt, 20000, 700))), 20000, 700), 0);

    // Blocks of one line and too little kept for all: some blocks are written again, others
    // deflated again, and the progress hears of every line in order.
    std::string bytes;
    std::vector<int32_t> progress;
    EXPECT_EQ(EncodePng(CentredTiling(tile, quilt, 8000, 700), Appending(bytes), {},
                        [&progress](int32_t written) { progress.push_back(written); }, PngBlocking{1, 16384}),
              "");
    EXPECT_EQ(DecodePng(bytes).pixels, whole.pixels);
    EXPECT_EQ(progress.size(), 700u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()) && progress.back() == 700);
}

// 256 i + 128 m + the seven code digits, d6 first, a digit above 1 adding up as the 32-bit
// value it is; "H" for any antialiasing. The renderer's pinned names cover the other endings.
TEST(DefaultExportName, CodesTheSettingsAndRefusesAnOverlongPath)
{
    Quilt quilt;
    Settings settings;
    settings.outputFolder = "/home/me/Pictures";
    quilt.runNumber = 4711;
    settings.intensity = 3;
    quilt.colorMapping = 1;
    settings.antialiasing = 2;
    const uint32_t digits[7] = {1, 2, 1, 1, 0, 0, 1};  // d0..d6: 128 + 64 + 8 + 4 + 2 * 2 + 1
    std::copy(std::begin(digits), std::end(digits), quilt.design.codeDigits);
    EXPECT_EQ(DefaultExportName(quilt, settings), "/home/me/Pictures/Tessalume_4711_977_H.png");
    for (const std::size_t length : {maxPathLength - 25, maxPathLength - 24}) {  // the name: 25
        settings.outputFolder = std::string(length, 'd');
        EXPECT_EQ(DefaultExportName(quilt, settings).size(), length == maxPathLength - 25 ? maxPathLength : 0);
    }
}

}  // namespace
}  // namespace tessalume
