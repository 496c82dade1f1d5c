// The interface as it shows: every control of both pages at its place, the open tab lit, the
// selection markers, padlocks, wheels, thumbnails and highlights; then, drawn in the test's own
// OpenGL context, the colour strip, the notices, the progress bar, the about page and the pen
// advance of the text. Screenshots are judged by what must show in each region.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
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
    int Level(int x, int y) const
    {
        const uint8_t* p = At(x, y);
        return std::max({p[0], p[1], p[2]});
    }
    // Pixels of the rectangle x0 <= x < x1, y0 <= y < y1 for which the test holds.
    int Count(int x0, int y0, int x1, int y1, const std::function<bool(const uint8_t*)>& test) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += test(At(x, y));
        return n;
    }
    double Mean(int x0, int y0, int x1, int y1) const
    {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += Level(x, y);
        return sum / ((x1 - x0) * (y1 - y0));
    }
    // True when a horizontal edge at y (give or take the row a line on a pixel border lands in)
    // is at least minLevel bright in nine tenths of the columns x0..x1.
    bool EdgeLit(int x0, int x1, int y, int minLevel) const
    {
        int lit = 0;
        for (int x = x0; x < x1; ++x) lit += std::max({Level(x, y - 1), Level(x, y), Level(x, y + 1)}) >= minLevel;
        return lit * 10 >= (x1 - x0) * 9;
    }
};

bool Lit(const uint8_t* p) { return std::max({p[0], p[1], p[2]}) > 24; }
bool White(const uint8_t* p) { return p[0] >= 200 && p[1] >= 200 && p[2] >= 200; }
bool Red(const uint8_t* p) { return p[0] >= 100 && p[1] * 2 < p[0] && p[2] * 2 < p[0]; }
bool Green(const uint8_t* p) { return p[1] >= 120 && p[0] * 2 < p[1] && p[2] * 2 < p[1]; }

std::string Where(const char* what, float x, float y)
{
    return std::string(what) + " at (" + std::to_string(static_cast<int>(x)) + ", " +
           std::to_string(static_cast<int>(y)) + ")";
}

// ---- What each kind of control must show -------------------------------------------------

void ExpectButton(const Frame& frame, const Button& button)
{
    const int x0 = static_cast<int>(button.left), x1 = static_cast<int>(button.right);
    const int y = static_cast<int>(button.bottom);
    // The face fills the button between its slanted caps, the label sits over it.
    EXPECT_TRUE(frame.EdgeLit(x0 + 10, x1 - 10, y + 3, 40)) << Where(button.label, button.left, button.bottom);
    EXPECT_GT(frame.Count(x0, y, x1, y + 22, White), 10) << Where(button.label, button.left, button.bottom);
}

void ExpectList(const Frame& frame, const ListBox& list, int32_t selected)
{
    const int x0 = static_cast<int>(list.left), x1 = static_cast<int>(list.right);
    const int bottom = static_cast<int>(list.bottom);
    EXPECT_TRUE(frame.EdgeLit(x0 + 2, x1 - 2, bottom + 20 * list.count + 19, 40)) << Where(list.title, list.left, list.bottom);
    EXPECT_GT(frame.Count(x0, bottom + 20 * list.count, x1, bottom + 20 * list.count + 20, White), 20)
        << "title of " << list.title;
    // The lit marker on the start entry, dark radio squares on the others.
    for (int32_t entry = 0; entry < list.count; ++entry) {
        const int level = frame.Level(x0 + 10, bottom + 20 * (list.lastIndex - entry) + 10);
        if (entry == selected)
            EXPECT_GE(level, 70) << list.title << ": marker on entry " << entry;
        else
            EXPECT_LE(level, 45) << list.title << ": radio of entry " << entry;
        EXPECT_GT(frame.Count(x0 + 20, bottom + 20 * (list.lastIndex - entry), x1, bottom + 20 * (list.lastIndex - entry) + 20,
                              White),
                  5)
            << list.title << ": text of entry " << entry;
    }
}

void ExpectLock(const Frame& frame, const OptionsBox& lock)
{
    const int x = static_cast<int>(lock.left), y = static_cast<int>(lock.bottom);
    EXPECT_TRUE(frame.EdgeLit(x + 1, x + 19, y + 20, 24)) << Where("lock box", lock.left, lock.bottom);
    EXPECT_GE(frame.Count(x + 20, y + 2, x + 36, y + 18, Red), 6) << Where("padlock", lock.left, lock.bottom);
    EXPECT_LE(frame.Level(x + 10, y + 10), 80) << Where("lock box, off", lock.left, lock.bottom);
}

// wheelX: the centre of the panel's wheels.
void ExpectPanel(const Frame& frame, const SLWindow& panel, float wheelX)
{
    const int x0 = static_cast<int>(panel.left), x1 = static_cast<int>(panel.right);
    const int bottom = static_cast<int>(panel.bottom);
    EXPECT_TRUE(frame.EdgeLit(x0 + 2, x1 - 2, bottom + 20 * panel.count + 1, 40)) << Where(panel.title, panel.left, panel.bottom);
    EXPECT_GT(frame.Count(x0, bottom + 20 * panel.count, x1, bottom + 20 * panel.count + 20, White), 20)
        << "title of " << panel.title;
    const int radius = static_cast<int>(panel.halfTrack / 2);
    for (int32_t r = 0; r < panel.count; ++r) {
        const int rowBottom = bottom + 20 * r, centre = static_cast<int>(wheelX);
        EXPECT_GE(frame.Count(centre - radius, rowBottom + 2, centre + radius, rowBottom + 18, Red), radius * 4)
            << panel.title << ": wheel of row " << r;
        EXPECT_GT(frame.Count(x0, rowBottom, centre - radius, rowBottom + 20, White), 5)
            << panel.title << ": value of row " << r;
    }
}

// Ten numbered thumbnails, and green corner glows on exactly one cell.
void ExpectBrowser(const Frame& frame, const TSelector& browser)
{
    const int bottom = static_cast<int>(browser.bottom);
    EXPECT_TRUE(frame.EdgeLit(32, 352, bottom + 130, 24)) << Where(browser.title, 32, browser.bottom);
    int highlighted = 0;
    for (int k = 0; k < TSelector::cellCount; ++k) {
        const int x = browser.cellX[k], y = browser.cellY[k];
        EXPECT_GE(frame.Count(x + 2, y + 18, x + 62, y + 62, Lit), 30) << browser.title << ": thumbnail " << k;
        EXPECT_GE(frame.Count(x + 1, y + 1, x + 24, y + 16, White), 4) << browser.title << ": number " << k;
        highlighted += frame.Count(x + 2, y + 2, x + 62, y + 62, Green) >= 40;
    }
    EXPECT_EQ(highlighted, 1) << browser.title;
}

// The tab of the open page shows the light face.
void ExpectOpenTab(const Frame& frame, int32_t page)
{
    const double attractor = frame.Mean(20, 666, 240, 686), render = frame.Mean(250, 666, 470, 686);
    EXPECT_GT(page == 0 ? attractor - render : render - attractor, 20) << "tab of page " << page << " not lit";
    EXPECT_TRUE(frame.EdgeLit(18, 472, 16, 64)) << "panel outline";
}

void ExpectEveryPage(const Frame& frame)
{
    ExpectPanel(frame, brightnessSlider, brightnessSlider.left + 1.5f * brightnessSlider.halfTrack);
    for (const Button* button : {&exportTileButton, &exportImageButton, &newButton, &aboutButton, &helpButton, &quitButton})
        ExpectButton(frame, *button);
    ExpectList(frame, previewTypeList, 0);
}

// The colour strip's frame lies where nothing of the other page does.
bool ColourStripShown(const Frame& frame) { return frame.EdgeLit(30, 260, 200, 40); }

Frame Capture(const std::string& display, unsigned long window)
{
    Frame frame{CaptureWindow(display, window)};
    EXPECT_EQ(frame.image.width, clientWidth);
    EXPECT_EQ(frame.image.height, clientHeight);
    return frame;
}

TEST(Drawing, EveryControlOfBothPagesAtItsPlace)
{
    VirtualDisplay display;
    if (!display.Start()) GTEST_SKIP() << "no X server could be started";
    ProgramUnderTest program(display.Name(), {"--seed", "3"});
    ASSERT_TRUE(program.WaitForLine("ready", startLimit)) << "no frame was shown";
    const std::vector<unsigned long> windows = FindWindows(display.Name(), "Tessalume", milliseconds(10000));
    ASSERT_EQ(windows.size(), 1u);
    BuildControls();  // the same layout the program built, to read places from

    const Frame attractor = Capture(display.Name(), windows[0]);
    if (attractor.image.width != clientWidth) return;
    ExpectOpenTab(attractor, 0);
    for (const OptionsBox* lock : {&blurringLock, &transformLockI, &transformLockII, &colorMapLock})
        ExpectLock(attractor, *lock);
    ExpectPanel(attractor, blurringSlider, blurringSlider.left + 1.5f * blurringSlider.halfTrack);
    ExpectBrowser(attractor, transformBrowserI);
    ExpectBrowser(attractor, transformBrowserII);
    for (const Button* button : {&randomButton, &loadButton, &saveButton}) ExpectButton(attractor, *button);
    EXPECT_TRUE(ColourStripShown(attractor));
    EXPECT_GT(attractor.Count(32, 206, 112, 222, White), 20) << "\"Color Map\" caption";
    ExpectEveryPage(attractor);
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
        render = Capture(display.Name(), windows[0]);
        if (render.image.width == clientWidth && !ColourStripShown(render)) break;
        std::this_thread::sleep_for(milliseconds(100));
    }
    ASSERT_FALSE(ColourStripShown(render)) << "the tab click did not change the page";
    ExpectOpenTab(render, 1);
    for (ListBox* list : {&outputFormatList, &resolutionList, &antialiasingList, &colorMappingList, &refreshIntervalList})
        ExpectList(render, *list, 0);
    ExpectList(render, intensityList, 1);
    ExpectButton(render, outputDirectoryButton);
    ExpectPanel(render, tileSizeSlider, tileSizeSlider.left + tileSizeSlider.halfTrack + tileSizeSlider.quarterTrack);
    ExpectEveryPage(render);
    EXPECT_EQ(render.Count(32, 182, 260, 199, Lit), 0) << "colour strip drawn on the Render Parameters page";
}

// ---- In the test's own context ------------------------------------------------------------

// What the back buffer holds now.
Frame ReadBack()
{
    glFinish();
    Frame frame;
    frame.image.width = clientWidth;
    frame.image.height = clientHeight;
    frame.image.rgb.resize(static_cast<std::size_t>(clientWidth) * clientHeight * 3);
    std::vector<uint8_t> rows(frame.image.rgb.size());
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, clientWidth, clientHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    const std::size_t rowBytes = static_cast<std::size_t>(clientWidth) * 3;
    for (int y = 0; y < clientHeight; ++y)
        std::memcpy(&frame.image.rgb[(clientHeight - 1 - y) * rowBytes], &rows[y * rowBytes], rowBytes);
    return frame;
}

Frame DrawAndRead()
{
    DrawFrame();
    return ReadBack();
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
    LoadWidgetTextures();
    BuildFontLists();
    BuildThumbnailLists();
    BuildControls();
    BuildControlLists();
    BuildStaticLists();

    // The strip shows entries 0 to 254, each truncated to a whole number; entry 255 is left out.
    for (int i = 0; i < 256; ++i) {
        ColorMap.red[i] = i + 0.75;
        ColorMap.green[i] = 255 - i;
        ColorMap.blue[i] = (i * 7) % 256;
    }
    ColorMap.red[255] = ColorMap.green[255] = ColorMap.blue[255] = 255;
    transformBrowserI.firstShown = 10;
    transformShownI = 13;
    transformShownII = 40;  // not in the catalogue: nothing lit
    Frame frame = DrawAndRead();
    // A vertical line on a pixel border lands in the column on one side of it.
    const int shift = frame.At(32, 190)[1] == 255 ? 0 : -1;
    for (int i = 0; i < 255; ++i) {
        const uint8_t* p = frame.At(32 + i + shift, 190);
        ASSERT_EQ(p[0], i) << "entry " << i;
        ASSERT_EQ(p[1], 255 - i) << "entry " << i;
        ASSERT_EQ(p[2], (i * 7) % 256) << "entry " << i;
    }
    EXPECT_EQ(frame.Level(32 + 255 + shift, 190), 0) << "entry 255 drawn";

    // The browser shows entries 11..20 and highlights entry 14 (cell 3) alone.
    for (int k = 0; k < TSelector::cellCount; ++k) {
        const int x = transformBrowserI.cellX[k], y = transformBrowserI.cellY[k];
        EXPECT_EQ(frame.Count(x + 2, y + 2, x + 62, y + 62, Green) > 40, k == 3) << "cell " << k;
        EXPECT_GE(frame.Count(x + 2, y + 18, x + 62, y + 62, Red), 30) << "thumbnail " << k;
    }
    EXPECT_EQ(frame.Count(32, 326, 352, 456, Green), 0) << "a highlight in the second browser";

    // Neither notice, no bar.
    EXPECT_EQ(frame.Count(491, 124, 611, 140, Lit), 0);
    EXPECT_EQ(ProgressEnd(frame), 490);
    exportNoticeTicks = 3;
    frame = DrawAndRead();
    EXPECT_GT(frame.Count(491, 124, 595, 140, White), 60) << "\"File Exported\"";
    EXPECT_EQ(ProgressEnd(frame), 490);
    exportNoticeTicks = 0;

    // Searching: the notice and a bar that grows to the preview's width over 1000 attempts.
    searching.store(1);
    for (const int attempts : {250, 750}) {
        searchAttempts.store(attempts);
        frame = DrawAndRead();
        EXPECT_GT(frame.Count(491, 124, 587, 140, White), 60) << "\"Searching...\"";
        EXPECT_NEAR(ProgressEnd(frame), 491 + 512 * attempts / 1000, 1.5) << attempts << " attempts";
    }
    searching.store(0);

    // The about page covers the preview with its wash and text; the controls are still drawn.
    aboutShown = true;
    frame = DrawAndRead();
    const uint8_t* wash = frame.At(500, 214);
    EXPECT_NEAR(wash[0], 127, 6);
    EXPECT_NEAR(wash[1], 32, 6);
    EXPECT_LE(wash[2], 4);
    EXPECT_GT(frame.Count(524, 584, 940, 600, White), 300) << "first line of the about page";
    EXPECT_GT(frame.Count(620, 652, 820, 668, White), 100) << "heading of the about page";
    ExpectButton(frame, exportTileButton);
    aboutShown = false;
    frame = DrawAndRead();
    EXPECT_EQ(frame.Count(492, 213, 1002, 723, Lit), 0) << "about page left over the (blank) preview";

    // Every glyph advances the pen by 8: a string twice over repeats its picture 88 pixels on
    // (past the first glyph, whose left half the second copy shares with the last glyph).
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawText(100, 300, "Export TileExport Tile", 1);
    frame = ReadBack();
    int differing = 0, lit = 0;
    for (int y = 300; y < 316; ++y)
        for (int x = 108; x < 188; ++x) {
            lit += frame.Level(x, y) > 100;
            differing += std::abs(frame.Level(x, y) - frame.Level(x + 88, y)) > 40;
        }
    EXPECT_GT(lit, 100);
    EXPECT_LE(differing, lit / 20);
    EXPECT_EQ(frame.Count(100 + 176 + 8, 296, 400, 320, Lit), 0) << "text beyond 22 glyphs";
}

}  // namespace
}  // namespace tessalume
