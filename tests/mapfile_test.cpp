#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "files/files.h"

namespace tessalume {
namespace {

double* const channels[3] = {ColorMap.red, ColorMap.green, ColorMap.blue};
constexpr double (ColorMapChannels::*channelOf[3])[256] = {
    &ColorMapChannels::red, &ColorMapChannels::green, &ColorMapChannels::blue};

void ExpectSameMap(const ColorMapChannels& expected, const char* what)
{
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(channels[c][i], (expected.*channelOf[c])[i])
                << what << ": channel " << c << " entry " << i;
}

void FillColorMap(double value)
{
    for (double* channel : channels)
        for (int i = 0; i < 256; ++i) channel[i] = value;
}

void ExpectEntry(int i, double red, double green, double blue)
{
    EXPECT_EQ(ColorMap.red[i], red) << "entry " << i;
    EXPECT_EQ(ColorMap.green[i], green) << "entry " << i;
    EXPECT_EQ(ColorMap.blue[i], blue) << "entry " << i;
}

// The lines given, then lines with fractions up to 256, so that nothing is smoothed.
std::string WithFractionalFiller(std::string text)
{
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    for (; lines < 256; ++lines) text += "0.5 0.5 0.5\n";
    return text;
}

TEST(ColorMapText, EmptyFileGivesTheGreyRamp)
{
    FillColorMap(-7.25);
    ReadColorMapText("");
    for (const double* channel : channels)
        for (int i = 0; i < 256; ++i) EXPECT_NEAR(channel[i], i, 1e-12) << "entry " << i;
}

TEST(ColorMapText, FractionalFileIsTakenUnchangedAndUnclamped)
{
    std::string text;
    for (int i = 0; i < 256; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%d.25 %d.5 %d.75\n", i - 10, i, i + 100);
        text += line;
    }
    ReadColorMapText(text);
    ExpectEntry(0, -10.25, 0.5, 100.75);
    ExpectEntry(200, 190.25, 200.5, 300.75);
    ExpectEntry(255, 245.25, 255.5, 355.75);
}

TEST(ColorMapText, WholeNumbersSmoothEntriesOneTo254InAscendingOrder)
{
    // One line; the grey ramp supplies the whole numbers. Entry 0 stays as read, unclamped.
    ReadColorMapText("100.5 0.5 300.5\n");
    ExpectEntry(0, 100.5, 0.5, 300.5);
    EXPECT_DOUBLE_EQ(ColorMap.red[1], (100.5 + 2) * 0.025 + 0.95);
    EXPECT_DOUBLE_EQ(ColorMap.green[1], (0.5 + 2) * 0.025 + 0.95);
    EXPECT_DOUBLE_EQ(ColorMap.blue[1], (300.5 + 2) * 0.025 + 0.95);
    // Entry 2 sees the already smoothed entry 1.
    EXPECT_DOUBLE_EQ(ColorMap.red[2], (ColorMap.red[1] + 3) * 0.025 + 2 * 0.95);
    EXPECT_NEAR(ColorMap.red[40], 40, 1e-9);

    // Smoothing clamps entries 1..254 only.
    ReadColorMapText(WithFractionalFiller("-300.5 0.5 0.5\n-300.5 999.5 0.5\n2.5 2.5 2.5\n0 0 0\n"));
    EXPECT_EQ(ColorMap.red[0], -300.5);
    EXPECT_EQ(ColorMap.red[1], 0);
    EXPECT_EQ(ColorMap.green[1], 255);

    // Ten lines set entries 0..9; the ramp after them is whole, so all is smoothed.
    std::string tenLines;
    for (int i = 0; i < 10; ++i) tenLines += "50.5 60.5 70.5\n";
    ReadColorMapText(tenLines);
    ExpectEntry(0, 50.5, 60.5, 70.5);
    EXPECT_NEAR(ColorMap.red[5], 50.5, 1e-12);
    const double smoothedNine = (ColorMap.red[8] + 10) * 0.025 + 50.5 * 0.95;
    EXPECT_DOUBLE_EQ(ColorMap.red[9], smoothedNine);
    EXPECT_DOUBLE_EQ(ColorMap.red[10], (smoothedNine + 11) * 0.025 + 10 * 0.95);
    EXPECT_NEAR(ColorMap.blue[100], 100, 1e-9);
    EXPECT_EQ(ColorMap.blue[255], 255);
}

TEST(ColorMapText, MissingAndNonFiniteComponentsKeepTheValueOfTheLineBefore)
{
    ReadColorMapText("7.5\n");  // green and blue have no line before: 0
    ExpectEntry(0, 7.5, 0, 0);

    ReadColorMapText(WithFractionalFiller(
        "1.5 2.5 3.5 ignored 9.5\n"          // anything after the third number is ignored
        "4.5 5.5\n"                          // two numbers: blue from the line before
        "nan 6.5 inf\n"                      // not a number and infinite count as missing
        "1e39 -inf 0x1.4p0\n"                // too large for single precision; hexadecimal
        "words\n"                            // nothing parses: the whole line repeats
        "-2.5 x 8.5\n"));                    // parsing stops at the first failure
    ExpectEntry(0, 1.5, 2.5, 3.5);
    ExpectEntry(1, 4.5, 5.5, 3.5);
    ExpectEntry(2, 4.5, 6.5, 3.5);
    ExpectEntry(3, 4.5, 6.5, 1.25);
    ExpectEntry(4, 4.5, 6.5, 1.25);
    ExpectEntry(5, -2.5, 6.5, 1.25);
}

TEST(ColorMapText, LinesPastThe256thAreIgnored)
{
    std::string text = WithFractionalFiller("");
    for (int i = 0; i < 44; ++i) text += "1 2 3\n";  // whole numbers would force the smoothing
    ReadColorMapText(text);
    ExpectEntry(255, 0.5, 0.5, 0.5);
    ExpectEntry(128, 0.5, 0.5, 0.5);
}

TEST(ColorMapText, LongLinesAreReadInPiecesOf99Characters)
{
    std::string padded = "1.5 2.5 3.5";
    padded.resize(99, ' ');
    // The second piece of a long line is a line of its own.
    ReadColorMapText(WithFractionalFiller(padded + "4.25 5.25 6.25\n7.75 8.75 9.75\n"));
    ExpectEntry(1, 4.25, 5.25, 6.25);
    ExpectEntry(2, 7.75, 8.75, 9.75);
    // 99 characters and the line end: the line end is a piece alone, repeating the values.
    ReadColorMapText(WithFractionalFiller(padded + "\n4.5 5.5 6.5\n"));
    ExpectEntry(1, 1.5, 2.5, 3.5);
    ExpectEntry(2, 4.5, 5.5, 6.5);
    // The same with CR LF: the CR does not count towards the 99 characters.
    ReadColorMapText(WithFractionalFiller(padded + "\r\n4.5 5.5 6.5\r\n"));
    ExpectEntry(1, 1.5, 2.5, 3.5);
    ExpectEntry(2, 4.5, 5.5, 6.5);
    // 98 characters and the line end fit one piece.
    padded.resize(98);
    ReadColorMapText(WithFractionalFiller(padded + "\n4.5 5.5 6.5\n"));
    ExpectEntry(1, 4.5, 5.5, 6.5);
}

TEST(ColorMapText, CrLfAndLfFilesReadTheSame)
{
    std::string lf, crlf;
    for (int i = 0; i < 300; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%d.125 %d.375", i, 255 - i);
        lf += std::string(line) + (i % 7 ? " 1.5\n" : "\n");
        crlf += std::string(line) + (i % 7 ? " 1.5\r\n" : "\r\n");
    }
    ReadColorMapText(lf);
    const ColorMapChannels fromLf = ColorMap;
    FillColorMap(0);
    ReadColorMapText(crlf);
    ExpectSameMap(fromLf, "CR LF");
    // Ctrl-Z is data, not an end of file.
    ReadColorMapText(WithFractionalFiller("1.5 2.5 3.5\n\x1a\n4.5 5.5 6.5\n"));
    ExpectEntry(1, 1.5, 2.5, 3.5);
    ExpectEntry(2, 4.5, 5.5, 6.5);
}

TEST(ColorMapText, SavedTextIs256LinesThatReadBackExactly)
{
    // Sixty-fourths print exactly in six decimals and are exact in single precision.
    for (int i = 0; i < 256; ++i) {
        ColorMap.red[i] = i - 100 + (i % 63 + 1) / 64.0;
        ColorMap.green[i] = 300 - i + (i % 31 + 1) / 64.0;
        ColorMap.blue[i] = i + 0.015625;
    }
    const ColorMapChannels saved = ColorMap;
    const std::string text = FormatColorMapText();
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, 256u);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "-99.984375 300.015625 0.015625\n");

    FillColorMap(0);
    ReadColorMapText(text);
    ExpectSameMap(saved, "reloaded");

    // Other fractions come back to the printed decimals, in single precision.
    for (int i = 0; i < 256; ++i) ColorMap.red[i] = i + 0.1234567;
    ReadColorMapText(FormatColorMapText());
    EXPECT_EQ(ColorMap.red[7], static_cast<double>(7.123457f));

    // A component of exactly 255 makes the reloaded map a smoothed one.
    ColorMap = saved;
    ColorMap.blue[9] = 255;
    ReadColorMapText(FormatColorMapText());
    EXPECT_NE(ColorMap.red[5], saved.red[5]);
}

// Sets a decimal-comma locale for the process, generating one when the system has none.
class DecimalCommaLocale {
public:
    DecimalCommaLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_ALL, name)) return;
        char folder[] = "/tmp/tessalume-locale-XXXXXX";
        if (!mkdtemp(folder)) return;
        folder_ = folder;
        const std::string command =
            "localedef -i de_DE -f UTF-8 " + folder_ + "/de_DE.UTF-8 >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return;
        setenv("LOCPATH", folder_.c_str(), 1);
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    ~DecimalCommaLocale()
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
        if (!folder_.empty()) std::system(("rm -rf " + folder_).c_str());
    }
    bool Active() const
    {
        float value = 0;
        return std::sscanf("1,5", "%f", &value) == 1 && value == 1.5f;
    }

private:
    std::string folder_;
};

TEST(ColorMapText, DecimalCommaLocaleChangesNothing)
{
    const std::string file = WithFractionalFiller("1.5 2.25 -3.75\n1e3 0x1.8p-1 -0.125\n");
    ReadColorMapText(file);
    const ColorMapChannels inC = ColorMap;
    const std::string textInC = FormatColorMapText();

    const DecimalCommaLocale locale;
    if (!locale.Active()) GTEST_SKIP() << "no decimal-comma locale can be made (localedef)";
    FillColorMap(0);
    ReadColorMapText(file);
    ExpectSameMap(inC, "decimal comma");
    ExpectEntry(0, 1.5, 2.25, -3.75);
    EXPECT_EQ(FormatColorMapText(), textInC);
}

// Arbitrary bytes never put a value that is not finite into the map, and the parser reads
// only the bytes it is given: what follows them in memory changes nothing.
TEST(ColorMapText, ArbitraryBytesLeaveAFiniteMapAndStayWithinTheInput)
{
    static constexpr std::string_view tokens[] = {
        "nan", "inf", "-inf", "NAN(123)", "1e39", "-1e999", "1e-50", "0x1p200", "0x1.8p1",
        "3.4028236e38", "12.5", "-0.75", "255", ".", "e", "+", "-", " ", "\t", "\n", "\r\n",
        "\r", "\x1a", std::string_view("\0", 1), "0.5 0.5 0.5\n"};
    std::mt19937 random(20240611);
    const std::string sentinel = "\n7.5 7.5 7.5\n";
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const int pieces = static_cast<int>(random() % 400);
        for (int p = 0; p < pieces; ++p) {
            switch (random() % 4) {
            case 0: bytes += tokens[random() % std::size(tokens)]; break;
            case 1: bytes += static_cast<char>(random() % 256); break;
            case 2: bytes.append(random() % 300, static_cast<char>('0' + random() % 10)); break;
            default: bytes += "1." + std::to_string(random() % 1000) + " nan 2.5e38\n";
            }
        }
        const std::string exact = bytes;
        ReadColorMapText(exact);
        const ColorMapChannels fromExact = ColorMap;
        const std::string followed = bytes + sentinel;
        ReadColorMapText(std::string_view(followed.data(), bytes.size()));
        ExpectSameMap(fromExact, "followed by more bytes");
        for (const double* channel : channels)
            for (int i = 0; i < 256; ++i) ASSERT_TRUE(std::isfinite(channel[i])) << "round " << round;
    }
}

}  // namespace
}  // namespace tessalume
