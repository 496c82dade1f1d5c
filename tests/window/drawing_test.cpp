// The interface as it shows: every control of both pages at its place; then, drawn in the test's
// own OpenGL context, the colour strip, notices, progress bar, about page and text advance.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "engine/engine.h"
#include "files/files.h"
#include "support/desktop_session.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

constexpr milliseconds startLimit(120000);  // the first quilt is searched before the window shows

// A screenshot of the client area addressed in drawing coordinates: origin at the lower left,
// y upward, pixel (x, y) covering x..x+1, y..y+1.
struct Frame {
    RgbImage image;
    const uint8_t* At(int x, int y) const { return image.At(x, clientHeight - 1 - y); }
    int Level(int x, int y) const { return std::max({At(x, y)[0], At(x, y)[1], At(x, y)[2]}); }
    // The sum of f(x, y) over the rectangle x0 <= x < x1, y0 <= y < y1.
    template <typename F>
    int Sum(int x0, int y0, int x1, int y1, F f) const
    {
        int sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += f(x, y);
        return sum;
    }
    int Count(int x0, int y0, int x1, int y1, bool (*test)(const uint8_t*)) const
    {
        return Sum(x0, y0, x1, y1, [&](int x, int y) { return test(At(x, y)); });
    }
    double Mean(int x0, int y0, int x1, int y1) const
    {
        return Sum(x0, y0, x1, y1, [&](int x, int y) { return Level(x, y); }) / double((x1 - x0) * (y1 - y0));
    }
    // True when a horizontal edge at y (give or take the row a line on a pixel border lands in)
    // is at least minLevel bright in nine tenths of the columns x0..x1.
    bool EdgeLit(int x0, int x1, int y, int minLevel) const
    {
        return Sum(x0, y, x1, y + 1, [&](int x, int) { return std::max({Level(x, y - 1), Level(x, y), Level(x, y + 1)}) >= minLevel; }) * 10 >= (x1 - x0) * 9;
    }
};

bool Lit(const uint8_t* p) { return std::max({p[0], p[1], p[2]}) > 24; }
bool White(const uint8_t* p) { return p[0] >= 200 && p[1] >= 200 && p[2] >= 200; }
bool Red(const uint8_t* p) { return p[0] >= 100 && p[1] * 2 < p[0] && p[2] * 2 < p[0]; }
bool Green(const uint8_t* p) { return p[1] >= 120 && p[0] * 2 < p[1] && p[2] * 2 < p[1]; }

void ExpectButton(const Frame& frame, const Button& button)
{
    const int x0 = static_cast<int>(button.left), x1 = static_cast<int>(button.right), y = static_cast<int>(button.bottom);
    // The face fills the button between its slanted caps, the label sits over it.
    EXPECT_TRUE(frame.EdgeLit(x0 + 10, x1 - 10, y + 3, 40)) << button.label;
    EXPECT_GT(frame.Count(x0, y, x1, y + 22, White), 10) << button.label;
}

// A box of rows 20 high: its title over the rows and its outline edgeAbove the last row's top.
template <typename Box>
void ExpectTitled(const Frame& frame, const Box& box, int edgeAbove)
{
    const int x0 = static_cast<int>(box.left), x1 = static_cast<int>(box.right), top = static_cast<int>(box.bottom) + 20 * box.count;
    EXPECT_TRUE(frame.EdgeLit(x0 + 2, x1 - 2, top + edgeAbove, 40)) << box.title;
    EXPECT_GT(frame.Count(x0, top, x1, top + 20, White), 20) << "title of " << box.title;
}

void ExpectList(const Frame& frame, const ListBox& list, int32_t selected)
{
    const int x0 = static_cast<int>(list.left), bottom = static_cast<int>(list.bottom);
    ExpectTitled(frame, list, 19);
    // The lit marker on the start entry, dark radio squares on the others.
    for (int32_t entry = 0; entry < list.count; ++entry) {
        const int y = bottom + 20 * (list.lastIndex - entry), level = frame.Level(x0 + 10, y + 10);
        EXPECT_TRUE(entry == selected ? level >= 70 : level <= 45) << list.title << ": marker of entry " << entry;
        EXPECT_GT(frame.Count(x0 + 20, y, static_cast<int>(list.right), y + 20, White), 5) << list.title << ": text " << entry;
    }
}

void ExpectLock(const Frame& frame, const OptionsBox& lock)
{
    const int x = static_cast<int>(lock.left), y = static_cast<int>(lock.bottom);
    EXPECT_TRUE(frame.EdgeLit(x + 1, x + 19, y + 20, 24) && frame.Level(x + 10, y + 10) <= 80) << "lock box (off) at " << x << ", " << y;
    EXPECT_GE(frame.Count(x + 20, y + 2, x + 36, y + 18, Red), 6) << "padlock at " << x << ", " << y;
}

// wheelX: the centre of the panel's wheels.
void ExpectPanel(const Frame& frame, const SLWindow& panel, float wheelX)
{
    const int bottom = static_cast<int>(panel.bottom);
    ExpectTitled(frame, panel, 1);
    const int radius = static_cast<int>(panel.halfTrack / 2), centre = static_cast<int>(wheelX);
    for (int32_t r = 0; r < panel.count; ++r) {
        const int y = bottom + 20 * r;
        EXPECT_GE(frame.Count(centre - radius, y + 2, centre + radius, y + 18, Red), radius * 4) << panel.title << ": wheel " << r;
        EXPECT_GT(frame.Count(static_cast<int>(panel.left), y, centre - radius, y + 20, White), 5) << panel.title << ": value " << r;
    }
}

// Ten numbered thumbnails, and green corner glows on exactly one cell (on cell `only` when given).
void ExpectBrowser(const Frame& frame, const TSelector& browser, bool (*thumbnail)(const uint8_t*) = Lit, int only = -1)
{
    EXPECT_TRUE(frame.EdgeLit(32, 352, static_cast<int>(browser.bottom) + 130, 24)) << browser.title;
    int highlighted = 0;
    for (int k = 0; k < TSelector::cellCount; ++k) {
        const int x = browser.cellX[k], y = browser.cellY[k];
        EXPECT_GE(frame.Count(x + 2, y + 18, x + 62, y + 62, thumbnail), 30) << browser.title << ": thumbnail " << k;
        EXPECT_GE(frame.Count(x + 1, y + 1, x + 24, y + 16, White), 4) << browser.title << ": number " << k;
        const bool glows = frame.Count(x + 2, y + 2, x + 62, y + 62, Green) >= 40;
        EXPECT_TRUE(only < 0 || glows == (k == only)) << browser.title << ": cell " << k;
        highlighted += glows;
    }
    EXPECT_EQ(highlighted, 1) << browser.title;
}

void ExpectEveryPage(const Frame& frame, int32_t page)
{
    // The tab of the open page shows the light face.
    const double attractor = frame.Mean(20, 666, 240, 686), render = frame.Mean(250, 666, 470, 686);
    EXPECT_GT(page == 0 ? attractor - render : render - attractor, 20) << "tab of page " << page << " not lit";
    EXPECT_TRUE(frame.EdgeLit(18, 472, 16, 64)) << "panel outline";
    ExpectPanel(frame, brightnessSlider, brightnessSlider.left + 1.5f * brightnessSlider.halfTrack);
    for (const Button* button : {&exportTileButton, &exportImageButton, &newButton, &aboutButton, &helpButton, &quitButton})
        ExpectButton(frame, *button);
    ExpectList(frame, previewTypeList, 0);
}

// The colour strip's frame lies where nothing of the other page does.
bool ColourStripShown(const Frame& frame) { return frame.EdgeLit(30, 260, 200, 40); }

TEST(Drawing, EveryControlOfBothPagesAtItsPlace)
{
    VirtualDisplay display;
    if (!display.Start()) GTEST_SKIP() << "no X server could be started";
    ProgramUnderTest program(display.Name(), {"--seed", "3"});
    ASSERT_TRUE(program.WaitForLine("ready", startLimit)) << "no frame was shown";
    const std::vector<unsigned long> windows = FindWindows(display.Name(), "Tessalume", milliseconds(10000));
    ASSERT_EQ(windows.size(), 1u);
    BuildControls();  // the same layout the program built, to read places from

    const Frame attractor{CaptureWindow(display.Name(), windows[0])};
    ASSERT_TRUE(attractor.image.width == clientWidth && attractor.image.height == clientHeight);
    ExpectEveryPage(attractor, 0);
    for (const OptionsBox* lock : {&blurringLock, &transformLockI, &transformLockII, &colorMapLock})
        ExpectLock(attractor, *lock);
    ExpectPanel(attractor, blurringSlider, blurringSlider.left + 1.5f * blurringSlider.halfTrack);
    ExpectBrowser(attractor, transformBrowserI);
    ExpectBrowser(attractor, transformBrowserII);
    for (const Button* button : {&randomButton, &loadButton, &saveButton}) ExpectButton(attractor, *button);
    EXPECT_TRUE(ColourStripShown(attractor));
    EXPECT_GT(attractor.Count(32, 206, 112, 222, White), 20) << "\"Color Map\" caption";
    EXPECT_LT(attractor.Mean(34, 34, 190, 150), 2) << "\"Refresh Interval\" drawn on the Attractor page";

    // "Export Tile" (11 glyphs, 88 pixels of advance) is centred on its button.
    int first = clientWidth, last = -1;
    for (int x = 491; x < 611; ++x)
        if (attractor.Count(x, 185, x + 1, 201, White) > 0) first = std::min(first, x), last = std::max(last, x);
    EXPECT_NEAR((first + last + 1) / 2.0, 551, 2.5) << "label spans " << first << ".." << last;
    EXPECT_NEAR(last + 1 - first, 80, 8);

    // A click on the second tab opens the Render Parameters page.
    ASSERT_TRUE(Xdotool(display.Name(), {"mousemove", "--window", std::to_string(windows[0]), "360", "56", "click", "1"}));
    Frame render;
    for (int attempt = 0; attempt < 50; ++attempt) {
        render = Frame{CaptureWindow(display.Name(), windows[0])};
        if (render.image.width == clientWidth && !ColourStripShown(render)) break;
        std::this_thread::sleep_for(milliseconds(100));
    }
    ASSERT_TRUE(render.image.width == clientWidth && !ColourStripShown(render)) << "the tab click did not change the page";
    ExpectEveryPage(render, 1);
    for (ListBox* list : {&outputFormatList, &resolutionList, &antialiasingList, &colorMappingList, &refreshIntervalList})
        ExpectList(render, *list, 0);
    ExpectList(render, intensityList, 1);
    ExpectButton(render, outputDirectoryButton);
    ExpectPanel(render, tileSizeSlider, tileSizeSlider.left + tileSizeSlider.halfTrack + tileSizeSlider.quarterTrack);
    EXPECT_EQ(render.Count(32, 182, 260, 199, Lit), 0) << "colour strip drawn on the Render Parameters page";
}

// What the back buffer holds after drawing a frame (or, with draw false, now).
Frame ReadBack(bool draw = true)
{
    if (draw) DrawFrame();
    glFinish();
    Frame frame{{clientWidth, clientHeight, std::vector<uint8_t>(static_cast<std::size_t>(clientWidth) * clientHeight * 3)}};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int y = 0; y < clientHeight; ++y)  // OpenGL rows run from the bottom
        glReadPixels(0, y, clientWidth, 1, GL_RGB, GL_UNSIGNED_BYTE, const_cast<uint8_t*>(frame.At(0, y)));
    return frame;
}

// The last column of the progress bar that is lit, or 490 for none.
int ProgressEnd(const Frame& frame)
{
    int end = 490;
    for (int x = 491; x < 1011; ++x)
        if (frame.Level(x, 207) > 10) end = x;
    return end;
}

TEST(Drawing, StripNoticesProgressAboutPageAndTextInOneContext)
{
    VirtualDisplay display;
    if (!display.Start()) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(OpenGlWindowOn(display.Name()));
    SetupProjection();
    glEnable(GL_DEPTH_TEST);
    for (void (*build)() : {LoadWidgetTextures, BuildFontLists, BuildThumbnailLists, BuildControls, BuildControlLists, BuildStaticLists})
        build();

    // The strip shows entries 0 to 254, each truncated to a whole number; entry 255 is left out.
    for (int i = 0; i < 256; ++i) ColorMap.red[i] = i + 0.75, ColorMap.green[i] = 255 - i, ColorMap.blue[i] = (i * 7) % 256;
    ColorMap.red[255] = ColorMap.green[255] = ColorMap.blue[255] = 255;
    transformBrowserI.firstShown = 10;
    transformShownI = 13;
    transformShownII = 40;  // not in the catalogue: nothing lit
    exportNoticeTicks = 0, aboutShown = false, searching.store(0);  // whatever earlier tests left
    Frame frame = ReadBack();
    // A vertical line on a pixel border lands in the column on one side of it.
    const int shift = frame.At(32, 190)[1] == 255 ? 0 : -1;
    for (int i = 0; i < 255; ++i) {
        const uint8_t* p = frame.At(32 + i + shift, 190);
        ASSERT_TRUE(p[0] == i && p[1] == 255 - i && p[2] == (i * 7) % 256) << "entry " << i;
    }
    EXPECT_EQ(frame.Level(32 + 255 + shift, 190), 0) << "entry 255 drawn";

    // The browser shows entries 11..20 and highlights entry 14 (cell 3) alone.
    ExpectBrowser(frame, transformBrowserI, Red, 3);
    EXPECT_EQ(frame.Count(32, 326, 352, 456, Green), 0) << "a highlight in the second browser";

    // Neither notice, no bar; then "File Exported"; then "Searching..." and a bar that grows to the
    // preview's width over 1000 attempts.
    EXPECT_EQ(frame.Count(491, 124, 611, 140, Lit), 0);
    EXPECT_EQ(ProgressEnd(frame), 490);
    exportNoticeTicks = 3;
    frame = ReadBack();
    exportNoticeTicks = 0;
    EXPECT_GT(frame.Count(491, 124, 595, 140, White), 60) << "\"File Exported\"";
    EXPECT_EQ(ProgressEnd(frame), 490);
    searching.store(1);
    for (const int attempts : {250, 750}) {
        searchAttempts.store(attempts);
        frame = ReadBack();
        EXPECT_GT(frame.Count(491, 124, 587, 140, White), 60) << "\"Searching...\"";
        EXPECT_NEAR(ProgressEnd(frame), 491 + 512 * attempts / 1000, 1.5) << attempts << " attempts";
    }
    searching.store(0);

    // The about page covers the preview with its wash and text; the controls are still drawn.
    aboutShown = true;
    frame = ReadBack();
    aboutShown = false;
    const uint8_t* wash = frame.At(500, 214);
    EXPECT_TRUE(std::abs(wash[0] - 127) <= 6 && std::abs(wash[1] - 32) <= 6 && wash[2] <= 4)
        << "wash " << +wash[0] << " " << +wash[1] << " " << +wash[2];
    EXPECT_GT(frame.Count(524, 584, 940, 600, White), 300) << "first line of the about page";
    EXPECT_GT(frame.Count(620, 652, 820, 668, White), 100) << "heading of the about page";
    ExpectButton(frame, exportTileButton);
    EXPECT_EQ(ReadBack().Count(492, 213, 1002, 723, Lit), 0) << "about page left over the (blank) preview";

    // Every glyph advances the pen by 8: a string twice over repeats its picture 88 pixels on
    // (past the first glyph, whose left half the second copy shares with the last glyph).
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawText(100, 300, "Export TileExport Tile", 1);
    frame = ReadBack(false);
    const int lit = frame.Sum(108, 300, 188, 316, [&](int x, int y) { return frame.Level(x, y) > 100; });
    const int differing =
        frame.Sum(108, 300, 188, 316, [&](int x, int y) { return std::abs(frame.Level(x, y) - frame.Level(x + 88, y)) > 40; });
    EXPECT_GT(lit, 100);
    EXPECT_LE(differing, lit / 20);
    EXPECT_EQ(frame.Count(100 + 176 + 8, 296, 400, 320, Lit), 0) << "text beyond 22 glyphs";
}

}  // namespace
}  // namespace tessalume
