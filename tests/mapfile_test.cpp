// Colour map files as the C library's scanf reads them, whatever the locale: pieces of at most
// 99 characters, missing and non-finite components, the smoothing of maps with whole numbers.
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

// The map that the tests read files into and save from.
ColorMapChannels ColorMap;
double* const channels[3] = {ColorMap.red, ColorMap.green, ColorMap.blue};

void Read(std::string_view text) { ColorMap = ReadColorMapText(text); }

void FillColorMap(double value)
{
    for (double* channel : channels) std::fill(channel, channel + 256, value);
}

bool SameMap(const ColorMapChannels& expected) { return std::memcmp(&ColorMap, &expected, sizeof expected) == 0; }

void ExpectEntry(int i, double red, double green, double blue)
{
    EXPECT_TRUE(ColorMap.red[i] == red && ColorMap.green[i] == green && ColorMap.blue[i] == blue)
        << "entry " << i << ": " << ColorMap.red[i] << " " << ColorMap.green[i] << " " << ColorMap.blue[i];
}

// The lines given, then fractional lines up to 256, so that nothing is smoothed.
std::string WithFractionalFiller(std::string text)
{
    for (auto lines = std::count(text.begin(), text.end(), '\n'); lines < 256; ++lines) text += "0.5 0.5 0.5\n";
    return text;
}

// The renderer's pinned results cover the smoothing itself (their colour map file has whole
// numbers): here, what it leaves alone and where it clamps.
TEST(ColorMapText, EmptyFileGivesTheGreyRampAndOnlyWholeNumbersSmoothEntriesOneTo254)
{
    FillColorMap(-7.25);
    Read("");
    for (const double* channel : channels)
        for (int i = 0; i < 256; ++i) EXPECT_NEAR(channel[i], i, 1e-12) << "entry " << i;

    // All fractions: taken as they are, unclamped; lines past the 256th are ignored.
    std::string text;
    for (int i = 0; i < 256; ++i) text += std::to_string(i - 10) + ".25 0.5 " + std::to_string(i + 100) + ".75\n";
    Read(text + "1 2 3\n");
    ExpectEntry(0, -10.25, 0.5, 100.75);
    ExpectEntry(255, 245.25, 0.5, 355.75);

    // A whole number anywhere smooths: entries 1 to 254 clamped, 0 and 255 as read.
    Read(WithFractionalFiller("-300.5 0.5 0.5\n-300.5 999.5 0.5\n2.5 2.5 2.5\n0 0 0\n"));
    EXPECT_EQ(ColorMap.red[0], -300.5);
    EXPECT_EQ(ColorMap.red[1], 0);
    EXPECT_EQ(ColorMap.green[1], 255);
    Read("100.5 0.5 300.5\n");  // the grey ramp supplies the whole numbers
    ExpectEntry(0, 100.5, 0.5, 300.5);
    EXPECT_EQ(ColorMap.blue[255], 255);
}

TEST(ColorMapText, MissingAndNonFiniteComponentsKeepTheValueOfTheLineBefore)
{
    Read("7.5\n");  // green and blue have no line before: 0
    ExpectEntry(0, 7.5, 0, 0);

    Read(WithFractionalFiller(
        "1.5 2.5 3.5 ignored 9.5\n"  // anything after the third number is ignored
        "4.5 5.5\n"                  // two numbers: blue from the line before
        "nan 6.5 inf\n"              // not a number and infinite count as missing
        "1e39 -inf 0x1.4p0\n"        // too large for single precision; hexadecimal
        "words\n"                    // nothing parses: the whole line repeats
        "-2.5 x 8.5\n"));            // parsing stops at the first failure
    const double expected[6][3] = {{1.5, 2.5, 3.5}, {4.5, 5.5, 3.5},   {4.5, 6.5, 3.5},
                                   {4.5, 6.5, 1.25}, {4.5, 6.5, 1.25}, {-2.5, 6.5, 1.25}};
    for (int i = 0; i < 6; ++i) ExpectEntry(i, expected[i][0], expected[i][1], expected[i][2]);
}

TEST(ColorMapText, LongLinesAreReadInPiecesOf99CharactersAndCtrlZIsData)
{
    std::string padded = "1.5 2.5 3.5";
    padded.resize(99, ' ');
    // The second piece of a long line is a line of its own.
    Read(WithFractionalFiller(padded + "4.25 5.25 6.25\n7.75 8.75 9.75\n"));
    ExpectEntry(1, 4.25, 5.25, 6.25);
    ExpectEntry(2, 7.75, 8.75, 9.75);
    // 99 characters and the line end: the line end is a piece alone, repeating the values;
    // a CR before the LF does not count towards the 99.
    for (const char* end : {"\n", "\r\n"}) {
        Read(WithFractionalFiller(padded + end + "4.5 5.5 6.5" + end));
        ExpectEntry(1, 1.5, 2.5, 3.5);
        ExpectEntry(2, 4.5, 5.5, 6.5);
    }
    // 98 characters and the line end fit one piece; Ctrl-Z is data, not an end of file.
    padded.resize(98);
    Read(WithFractionalFiller(padded + "\n\x1a\n4.5 5.5 6.5\n"));
    ExpectEntry(1, 1.5, 2.5, 3.5);
    ExpectEntry(2, 4.5, 5.5, 6.5);
}

// Sixty-fourths print exactly in six decimals and are exact in single precision: the saved text
// reads back to the same map. The window's Save pins the text itself.
TEST(ColorMapText, SavedTextReadsBackExactly)
{
    for (int i = 0; i < 256; ++i) {
        ColorMap.red[i] = i - 100 + (i % 63 + 1) / 64.0;
        ColorMap.green[i] = 300 - i + (i % 31 + 1) / 64.0;
        ColorMap.blue[i] = i + 0.015625;
    }
    const ColorMapChannels saved = ColorMap;
    FillColorMap(0);
    Read(FormatColorMapText(saved));
    EXPECT_TRUE(SameMap(saved));
}

TEST(ColorMapText, DecimalCommaLocaleChangesNothing)
{
    const std::string file = WithFractionalFiller("1.5 2.25 -3.75\n1e3 0x1.8p-1 -0.125\n");
    Read(file);
    const ColorMapChannels inC = ColorMap;
    const std::string textInC = FormatColorMapText(ColorMap);

    // A decimal-comma locale, generated when the system has none.
    char folder[] = "/tmp/tessalume-locale-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") &&
        std::system(("localedef -i de_DE -f UTF-8 " + std::string(folder) + "/de_DE.UTF-8 >/dev/null 2>&1").c_str()) == 0) {
        setenv("LOCPATH", folder, 1);
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    float comma = 0;
    const bool active = std::sscanf("1,5", "%f", &comma) == 1 && comma == 1.5f;
    if (active) {
        FillColorMap(0);
        Read(file);
        EXPECT_TRUE(SameMap(inC));
        EXPECT_EQ(FormatColorMapText(ColorMap), textInC);
    }
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    std::system(("rm -rf " + std::string(folder)).c_str());
    if (!active) GTEST_SKIP() << "no decimal-comma locale can be made (localedef)";
}

// Arbitrary bytes never put a non-finite value into the map, and the parser reads only the
// bytes it is given: what follows them in memory changes nothing.
TEST(ColorMapText, ArbitraryBytesLeaveAFiniteMapAndStayWithinTheInput)
{
    static constexpr std::string_view tokens[] = {
        "nan", "inf", "-inf", "NAN(123)", "1e39", "-1e999", "1e-50", "0x1p200", "3.4028236e38", "12.5",
        "255", ".", "e", "-", " ", "\n", "\r\n", "\r", "\x1a", std::string_view("\0", 1), "0.5 0.5 0.5\n"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 1000; ++round) {
        std::string bytes;
        for (int p = static_cast<int>(random() % 400); p > 0; --p) {
            switch (random() % 4) {
            case 0: bytes += tokens[random() % std::size(tokens)]; break;
            case 1: bytes += static_cast<char>(random() % 256); break;
            case 2: bytes.append(random() % 300, static_cast<char>('0' + random() % 10)); break;
            default: bytes += "1." + std::to_string(random() % 1000) + " nan 2.5e38\n";
            }
        }
        Read(bytes);
        const ColorMapChannels fromExact = ColorMap;
        const std::string followed = bytes + "\n7.5 7.5 7.5\n";
        Read(std::string_view(followed.data(), bytes.size()));
        ASSERT_TRUE(SameMap(fromExact)) << "round " << round << ": the bytes after the input were read";
        for (const double* channel : channels)
            for (int i = 0; i < 256; ++i) ASSERT_TRUE(std::isfinite(channel[i])) << "round " << round;
    }
}

}  // namespace
}  // namespace tessalume
