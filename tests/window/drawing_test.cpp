// The interface drawn in the test's own OpenGL context on a private X server and read back:
// every control of both pages at its place, the colour strip, a centred label, notices, progress
// bars, about page; what a refresh tick puts in the preview, where the two preview quads show it,
// and the refresh timer.
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <semaphore>

#include "app/shell.h"
#include "fixtures.h"
#include "tests/window/fake_platform.h"
#include "ui/controls.h"
#include "support/desktop_session.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

// The back buffer in drawing coordinates: origin at the lower left, y upward, pixel (x, y)
// covering x..x+1, y..y+1.
struct Frame {
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * clientWidth + x) * 3]; }
    int Level(int x, int y) const { return std::max({At(x, y)[0], At(x, y)[1], At(x, y)[2]}); }
    // The sum of f(x, y) over x0 <= x < x1, y0 <= y < y1.
    template <typename F>
    int Sum(int x0, int y0, int x1, int y1, F f) const
    {
        int sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += f(x, y);
        return sum;
    }
    int Count(int x0, int y0, int x1, int y1, bool (*test)(const uint8_t*)) const
    { return Sum(x0, y0, x1, y1, [&](int x, int y) { return test(At(x, y)); }); }
    // True when a horizontal edge at y (give or take the row a line on a pixel border lands in)
    // is at least minLevel bright in nine tenths of the columns x0..x1.
    bool EdgeLit(int x0, int x1, int y, int minLevel) const
    {
        return Sum(x0, y, x1, y + 1, [&](int x, int) { return std::max({Level(x, y - 1), Level(x, y), Level(x, y + 1)}) >= minLevel; }) * 10 >= (x1 - x0) * 9;
    }
};

// The window's frame, as the main loop draws it.
void WholeFrame() { DrawFrame(windowWorker.quilt(), windowSettings, exportNoticeTicks > 0 ? exportNotice : std::string(), ExportProgress()); }

// The whole client area as `draw` leaves it.
Frame ReadBack(void (*draw)() = WholeFrame)
{
    draw();
    glFinish();
    Frame frame{std::vector<uint8_t>(static_cast<std::size_t>(clientWidth) * clientHeight * 3)};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, clientWidth, clientHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    return frame;
}

void PreviewAlone() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); DrawPreview(); }

bool Lit(const uint8_t* p) { return std::max({p[0], p[1], p[2]}) > 24; }
bool Bright(const uint8_t* p) { return std::max({p[0], p[1], p[2]}) >= 60; }
bool White(const uint8_t* p) { return p[0] >= 200 && p[1] >= 200 && p[2] >= 200; }
bool Red(const uint8_t* p) { return p[0] >= 100 && p[1] * 2 < p[0] && p[2] * 2 < p[0]; }
bool Green(const uint8_t* p) { return p[1] >= 120 && p[0] * 2 < p[1] && p[2] * 2 < p[1]; }

// A place and what must be seen there: at least `least` pixels passing the test; none for 0.
struct Seen { const char* what; int x0, y0, x1, y1; bool (*test)(const uint8_t*); int least; };

void ExpectSeen(const Frame& frame, std::initializer_list<Seen> places)
{
    for (const Seen& s : places) {
        const int count = frame.Count(s.x0, s.y0, s.x1, s.y1, s.test);
        EXPECT_TRUE(s.least > 0 ? count >= s.least : count == 0) << s.what << ": " << count << " pixels";
    }
}

void ExpectButton(const Frame& frame, const Button& button)
{
    const int x0 = static_cast<int>(button.left), x1 = static_cast<int>(button.right), y = static_cast<int>(button.bottom);
    // The face fills the button between its slanted caps, the label sits over it, centred.
    EXPECT_TRUE(frame.EdgeLit(x0 + 10, x1 - 10, y + 3, 40)) << button.title;
    int first = x1, last = x0 - 1;
    for (int x = x0; x < x1; ++x)
        if (frame.Count(x, y, x + 1, y + 22, White) > 0) first = std::min(first, x), last = std::max(last, x);
    EXPECT_GE(last - first, 8 * static_cast<int>(std::strlen(button.title)) - 10) << button.title;
    EXPECT_NEAR((first + last + 1) / 2.0, (x0 + x1) / 2.0, 3) << button.title << ": label spans " << first << ".." << last;
}

// A box of rows 20 high: its title over the rows and its outline edgeAbove the last row's top.
template <typename Box>
void ExpectTitled(const Frame& frame, const Box& box, int edgeAbove)
{
    const int x0 = static_cast<int>(box.left), x1 = static_cast<int>(box.right), top = static_cast<int>(box.bottom) + 20 * box.count;
    EXPECT_TRUE(frame.EdgeLit(x0 + 2, x1 - 2, top + edgeAbove, 40)) << box.title;
    ExpectSeen(frame, {{box.title, x0, top, x1, top + 20, White, 21}});
}

void ExpectList(const Frame& frame, const ListBox& list, int32_t selected)
{
    const int x0 = static_cast<int>(list.left);
    ExpectTitled(frame, list, 19);
    for (int32_t entry = 0; entry < list.count; ++entry) {
        const int y = static_cast<int>(list.bottom) + 20 * (list.lastIndex - entry);
        // The start entry's marker face, 9 x 9 inside its rim, hides the radio square whole;
        // the other squares stay dark.
        if (entry == selected)
            EXPECT_EQ(frame.Count(x0 + 1, y + 1, x0 + 19, y + 17, Bright), 81) << list.title << ": marker";
        else
            EXPECT_LE(frame.Level(x0 + 10, y + 10), 45) << list.title << ": radio square of entry " << entry;
        EXPECT_GT(frame.Count(x0 + 20, y, static_cast<int>(list.right), y + 20, White), 5) << list.title << ": text " << entry;
    }
}

// wheelX: the centre of the panel's wheels.
void ExpectPanel(const Frame& frame, const SLWindow& panel, float wheelX)
{
    ExpectTitled(frame, panel, 1);
    const int radius = static_cast<int>(panel.halfTrack / 2), centre = static_cast<int>(wheelX);
    for (int32_t r = 0; r < panel.count; ++r) {
        const int y = static_cast<int>(panel.bottom) + 20 * r;
        // The wheel fills its place and shows nothing beside it.
        EXPECT_GE(frame.Count(centre - radius, y + 2, centre + radius, y + 18, Red), radius * 4) << panel.title << ": wheel " << r;
        EXPECT_EQ(frame.Count(centre - radius - 4, y + 2, centre - radius, y + 18, Red) + frame.Count(centre + radius, y + 2, centre + radius + 4, y + 18, Red), 0)
            << panel.title << ": wheel " << r << " beside its place";
        EXPECT_GT(frame.Count(static_cast<int>(panel.left), y, centre - radius, y + 20, White), 5) << panel.title << ": value " << r;
    }
}

// Ten numbered thumbnails, and green corner glows on cell `only` alone (none for -1).
void ExpectBrowser(const Frame& frame, const TSelector& browser, bool (*thumbnail)(const uint8_t*), int only)
{
    EXPECT_TRUE(frame.EdgeLit(32, 352, static_cast<int>(browser.bottom) + 130, 24)) << browser.title;
    for (int k = 0; k < TSelector::cellCount; ++k) {
        const int x = browser.cellX[k], y = browser.cellY[k];
        EXPECT_GE(frame.Count(x + 2, y + 18, x + 62, y + 62, thumbnail), 30) << browser.title << ": thumbnail " << k;
        EXPECT_GE(frame.Count(x + 1, y + 1, x + 24, y + 16, White), 4) << browser.title << ": number " << k;
        EXPECT_EQ(frame.Count(x + 2, y + 2, x + 62, y + 62, Green) >= 40, k == only) << browser.title << ": glow on cell " << k;
    }
}

class Drawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display.Start()) GTEST_SKIP() << "no X server could be started";
        ASSERT_TRUE(OpenGlWindowOn(display.Name()));
        SetupProjection();
        glEnable(GL_DEPTH_TEST);
        for (void (*build)() : {LoadWidgetTextures, BuildFontLists, BuildThumbnailLists, BuildControls, BuildControlLists, BuildStaticLists})
            build();  // BuildStaticLists makes the preview textures and quads too
        exportNoticeTicks = 0, aboutShown = false;  // whatever earlier tests left
        windowSettings = Settings{};
        windowWorker.quilt() = FreshQuilt();
        windowWorker.Start(false);  // the tests grow the quilt themselves
    }
    VirtualDisplay display;
};

TEST_F(Drawing, EveryControlOfBothPagesAtItsPlace)
{
    // The strip shows entries 0 to 254, each truncated to a whole number; entry 255 is left out.
    ColorMapChannels& map = windowWorker.quilt().colorMap;
    for (int i = 0; i < 256; ++i) map.red[i] = i + 0.75, map.green[i] = 255 - i, map.blue[i] = (i * 7) % 256;
    map.red[255] = map.green[255] = map.blue[255] = 255;
    // The first browser shows entries 11..20 with entry 14 (cell 3) in use; the second's is not
    // in the catalogue.
    transformBrowserI.firstShown = 10, windowSettings.transformShownI = 13, windowSettings.transformShownII = 40;
    for (const int32_t page : {renderParametersPage, attractorPage}) {
        panelTabs.selected = page;
        const Frame frame = ReadBack();
        SCOPED_TRACE(page == attractorPage ? "Attractor page" : "Render Parameters page");
        // What every page shows, with the open page's tab on the light face.
        const double lead = frame.Sum(20, 666, 240, 686, [&](int x, int y) { return frame.Level(x, y) - frame.Level(x + 230, y); }) / 4400.0;
        EXPECT_GT(page == attractorPage ? lead : -lead, 20) << "the open tab's face is not the lighter";
        EXPECT_TRUE(frame.EdgeLit(18, 472, 16, 64)) << "panel outline";
        ExpectPanel(frame, brightnessSlider, brightnessSlider.left + 1.5f * brightnessSlider.halfTrack);
        for (const Button* button : {&exportTileButton, &exportImageButton, &newButton, &aboutButton, &helpButton, &quitButton})
            ExpectButton(frame, *button);
        ExpectList(frame, previewTypeList, 0);
        if (page == renderParametersPage) {
            for (ListBox* list : {&outputFormatList, &resolutionList, &antialiasingList, &colorMappingList, &refreshIntervalList, &intensityList})
                ExpectList(frame, *list, list == &intensityList);
            ExpectButton(frame, outputDirectoryButton);
            ExpectPanel(frame, tileSizeSlider, tileSizeSlider.left + tileSizeSlider.halfTrack + tileSizeSlider.quarterTrack);
            ExpectSeen(frame, {{"colour strip", 32, 182, 260, 199, Lit, 0}});
            continue;
        }
        for (const OptionsBox* lock : {&blurringLock, &transformLockI, &transformLockII, &colorMapLock}) {
            const int x = static_cast<int>(lock->left), y = static_cast<int>(lock->bottom);
            EXPECT_TRUE(frame.EdgeLit(x + 1, x + 19, y + 20, 24) && frame.Level(x + 10, y + 10) <= 80) << "lock box (off) at " << x;
            ExpectSeen(frame, {{"padlock", x + 20, y + 2, x + 36, y + 18, Red, 6}});
        }
        ExpectPanel(frame, blurringSlider, blurringSlider.left + 1.5f * blurringSlider.halfTrack);
        ExpectBrowser(frame, transformBrowserI, Red, 3);
        ExpectBrowser(frame, transformBrowserII, Lit, -1);
        for (const Button* button : {&randomButton, &loadButton, &saveButton}) ExpectButton(frame, *button);
        ExpectSeen(frame, {{"\"Color Map\" caption", 32, 206, 112, 222, White, 21}, {"\"Refresh Interval\"", 34, 34, 190, 140, Lit, 0}});

        // A vertical line on a pixel border lands in the column on one side of it, the panel
        // outline's at 8 as much as the strip's.
        const int shift = Lit(frame.At(7, 300)) ? -1 : 0;
        for (int i = 0; i < 255; ++i) {
            const uint8_t* p = frame.At(32 + i + shift, 190);
            ASSERT_TRUE(p[0] == i && p[1] == 255 - i && p[2] == (i * 7) % 256) << "strip entry " << i;
        }
        EXPECT_EQ(frame.Level(32 + 255 + shift, 190), 0) << "entry 255 drawn";
    }
}

// Relative luminance of an area (sRGB decoded, ITU-R BT.709 weights), and the contrast of two
// as the ratio (L1 + 0.05) / (L2 + 0.05).
double Luminance(const Frame& frame, int x0, int y0, int x1, int y1)
{
    const auto linear = [](uint8_t c) { const double v = c / 255.0; return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            sum += 0.2126 * linear(frame.At(x, y)[0]) + 0.7152 * linear(frame.At(x, y)[1]) + 0.0722 * linear(frame.At(x, y)[2]);
    return sum / ((x1 - x0) * (y1 - y0));
}
double Contrast(double lighter, double darker) { return (lighter + 0.05) / (darker + 0.05); }

// The selected entry of a list and a lock that is on stand out from the others at a glance: at
// least the 3 : 1 contrast that a control's state needs to be seen, over the square that shows it.
TEST_F(Drawing, SelectedEntriesAndLocksThatAreOnStandOut)
{
    panelTabs.selected = renderParametersPage;
    const int x = static_cast<int>(resolutionList.left) + 5, y = static_cast<int>(resolutionList.bottom) + 5;
    const Frame lists = ReadBack();
    const double selected = Luminance(lists, x, y + 40, x + 11, y + 51), other = Luminance(lists, x, y + 20, x + 11, y + 31);
    panelTabs.selected = attractorPage;
    transformLockI.on = true;
    const Frame locks = ReadBack();
    transformLockI.on = false;
    const auto box = [&](const OptionsBox& lock) {
        return Luminance(locks, static_cast<int>(lock.left) + 5, static_cast<int>(lock.bottom) + 5, static_cast<int>(lock.left) + 16,
                         static_cast<int>(lock.bottom) + 16);
    };
    const double on = box(transformLockI), off = box(transformLockII);
    EXPECT_GE(Contrast(selected, other), 3.0) << "luminance " << selected << " selected, " << other << " not";
    EXPECT_GE(Contrast(on, off), 3.0) << "luminance " << on << " on, " << off << " off";
}

TEST_F(Drawing, NoticesProgressBarAndAboutPage)
{
    // Neither notice and no bar; "File Exported" with the file's name after it; "Searching..."
    // with a bar that grows to the preview's width over 1000 attempts.
    struct State { int32_t noticeTicks, searching, attempts; Seen notice; int barEnd; };
    exportNotice = "File Exported: tile.png";
    ExpectSeen(ReadBack(), {{"no notice", 491, 124, 700, 140, Lit, 0}});
    exportNoticeTicks = 3;
    ExpectSeen(ReadBack(), {{"the file's name", 611, 124, 675, 140, White, 21}});
    for (const State& s : {State{0, 0, 0, {"a notice", 491, 124, 611, 140, Lit, 0}, 490},
                           {3, 0, 0, {"\"File Exported\"", 491, 124, 595, 140, White, 61}, 490},
                           {0, 1, 250, {"\"Searching...\"", 491, 124, 587, 140, White, 61}, 491 + 128},
                           {0, 1, 750, {"\"Searching...\"", 491, 124, 587, 140, White, 61}, 491 + 384}}) {
        exportNoticeTicks = s.noticeTicks;
        windowWorker.quilt().searching = static_cast<uint8_t>(s.searching);
        windowWorker.quilt().searchAttempts = s.attempts;
        const Frame frame = ReadBack();
        ExpectSeen(frame, {s.notice});
        int end = 490;  // the last lit column of the bar
        for (int x = 491; x < 1011; ++x) end = frame.Level(x, 207) > 10 ? x : end;
        EXPECT_NEAR(end, s.barEnd, 1.5) << s.attempts << " attempts";
    }
    exportNoticeTicks = 0, windowWorker.quilt().searching = 0;

    // The about page covers the preview with its wash and text; the controls are still drawn.
    aboutShown = true;
    const Frame frame = ReadBack();
    aboutShown = false;
    const auto wash = [](const uint8_t* p) { return std::abs(p[0] - 127) <= 6 && std::abs(p[1] - 32) <= 6 && p[2] <= 4; };
    ExpectSeen(frame, {{"the wash at its foot", 500, 214, 501, 215, wash, 1}, {"first line of the about page", 524, 584, 940, 600, White, 301},
                       {"its heading", 620, 652, 820, 668, White, 101}});
    ExpectButton(frame, exportTileButton);
    ExpectSeen(ReadBack(), {{"about page left over the (blank) preview", 492, 213, 1002, 723, Lit, 0}});
}

// An export of 8192 x 8192 held half-way: its bar comes in under the preview after 0.3 s by the
// platform's clock, in the search bar's place though a search goes on, as far across as the file
// has got; it goes when the notice comes.
TEST_F(Drawing, ALongExportShowsHowFarItHasGotUntilItsNotice)
{
    namespace fs = std::filesystem;
    FakePlatform platform;  // the save dialog's answer, and the clock
    std::string folder = (fs::temp_directory_path() / "tessalume-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    platform.answer = folder + "/large.png";
    std::binary_semaphore held{0}, released{0};
    int32_t heldAt = 0;
    exportHoldForTests = [&](int32_t lines) {
        if (heldAt == 0 && lines >= 4096) heldAt = lines, held.release(), released.acquire();
    };
    Quilt& quilt = windowWorker.quilt();
    quilt.searching = 1, quilt.searchAttempts = 600;
    // The last column of the bar's middle row that passes the test, 490 for none.
    const auto barEnd = [](const Frame& frame, bool (*test)(const uint8_t*)) {
        int end = 490;
        for (int x = 491; x < clientWidth; ++x) end = test(frame.At(x, 207)) ? x : end;
        return end;
    };

    ExportTiledImage(8192, 8192);
    held.acquire();
    platform.now += milliseconds(250);
    const Frame early = ReadBack();
    EXPECT_EQ(barEnd(early, Red), 490) << "a bar before 0.3 s";
    EXPECT_NEAR(barEnd(early, Lit), 491 + 307, 1.5) << "the search's bar";
    platform.now += milliseconds(100);
    const Frame later = ReadBack();
    const int end = barEnd(later, Red);
    EXPECT_NEAR(end, 491 + 512.0 * heldAt / 8192, 1.5) << heldAt << " lines written";
    EXPECT_EQ(barEnd(later, Lit), end) << "the search's bar beside the export's";
    EXPECT_EQ(later.Count(491, 205, end, 209, Red), (end - 491) * 4) << "a bar 4 pixels high";

    released.release();
    FinishExport();
    exportHoldForTests = nullptr;
    quilt.searching = 0;
    const Frame after = ReadBack();
    ExpectSeen(after, {{"the bar", 491, 205, 1011, 209, Lit, 0}, {"the notice", 491, 124, 700, 140, White, 101}});
    EXPECT_EQ(exportNotice, "File Exported: large.png");
    EXPECT_TRUE(fs::exists(folder + "/large.png"));
    fs::remove_all(folder);
}

uint8_t* QuiltPixel(int32_t column, int32_t row)
{
    Quilt& quilt = windowWorker.quilt();
    return &quilt.image[(static_cast<std::size_t>(row) * quilt.periodWidth + column) * 3];
}

// At 444 x 256 the square shows every texel once: screen (491 + j, 212 + i) shows texture row j,
// column i, that is quilt column j + halfWidth - 256 and row i + halfHeight, both wrapped.
TEST_F(Drawing, TickShowsTheQuiltInTheAttractorSquareWithTheOriginAtItsCentre)
{
    Quilt& quilt = windowWorker.quilt();
    quilt = FreshQuilt(windowSettings, 11);
    NewQuilt(quilt, windowSettings);
    for (int batch = 0; batch < 100; ++batch) GrowBatch(quilt);
    RefreshTick();
    const int32_t periodWidth = quilt.periodWidth, periodHeight = quilt.periodHeight;

    const Frame shown = ReadBack(PreviewAlone);
    int lit = 0, wrong = 0;
    for (int k = 0; k < 512 * 512; ++k) {  // i = k / 512, j = k % 512
        const uint8_t* expected = QuiltPixel((k % 512 + quilt.halfWidth - 256 + periodWidth) % periodWidth, (k / 512 + quilt.halfHeight) % periodHeight);
        wrong += std::memcmp(shown.At(491 + k % 512, 212 + k / 512), expected, 3) != 0;
        lit += expected[0] + expected[1] + expected[2] > 0;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(lit, 1000) << "too little of the quilt to judge";

    // A tick while a reset is pending counts the export notice down and leaves the preview.
    for (int batch = 0; batch < 100; ++batch) GrowBatch(quilt);
    windowWorker.PostReset(), exportNoticeTicks = 2;
    RefreshTick();
    windowWorker.DropRequests();
    EXPECT_EQ(exportNoticeTicks, 1);
    EXPECT_TRUE(ReadBack(PreviewAlone).rgb == shown.rgb);
}

// The quilt column the screen shows at (x, 468): the picture sampled at that one point, through
// a one-pixel viewport, with every quilt column painted in a colour of its own.
int32_t ColumnShownAt(double x)
{
    glViewport(0, 0, 1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x - 0.001, x + 0.001, 468 - 0.001, 468 + 0.001, -20, 20);
    glMatrixMode(GL_MODELVIEW);
    const Frame frame = ReadBack(PreviewAlone);
    return frame.At(0, 0)[0] | (frame.At(0, 0)[1] & 0x0f) << 8;
}

void TextureFilter(GLint mode) { for (const GLenum f : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) glTexParameteri(GL_TEXTURE_2D, f, mode); }

// Across the screen the tiles show two periods: the second quad carries on with the quilt column
// that follows the first quad's last, and the right edge comes back round to the left edge's.
TEST_F(Drawing, TilesJoinWithoutASeamAtEveryResolution)
{
    previewTypeList.selected = 1;
    for (int32_t resolution = 0; resolution < 3; ++resolution) {
        SCOPED_TRACE(resolution);
        Quilt& quilt = windowWorker.quilt();
        SetResolution(quilt, resolution, 0);
        const int32_t periodWidth = quilt.periodWidth, periodHeight = quilt.periodHeight;
        for (int32_t row = 0; row < periodHeight; ++row)
            for (int32_t column = 0; column < periodWidth; ++column) {
                uint8_t* pixel = QuiltPixel(column, row);
                pixel[0] = static_cast<uint8_t>(column), pixel[1] = static_cast<uint8_t>(0x40 | column >> 8), pixel[2] = 0x80;
            }
        TilePreview(quilt, previewPixels);
        UploadPreview(resolution);
        TextureFilter(GL_NEAREST);  // each point shows one texel, not a blend of its neighbours
        const int32_t size = static_cast<int32_t>(quilt.textureSize);
        const int32_t leftEdge = (quilt.halfWidth - size / 2 + periodWidth) % periodWidth;  // texture row 0
        EXPECT_EQ(ColumnShownAt(491.01), leftEdge);
        EXPECT_EQ(ColumnShownAt(781.0673828125 + 0.01), (leftEdge + size) % periodWidth);
        EXPECT_EQ(ColumnShownAt(1003 - 0.01), (leftEdge + periodWidth - 1) % periodWidth);
        TextureFilter(GL_LINEAR);
    }
}

// A modal dialog holds the main loop for as long as the user looks at it: the ticks due meanwhile
// come as one, and the timer carries on from there.
TEST_F(Drawing, TicksDueWhileTheLoopWaitsComeAsOne)
{
    Platform& platform = CurrentPlatform();
    const auto ticksPending = [&platform] {
        int ticks = 0;
        for (Message message; platform.PollMessage(message);) ticks += message.kind == MessageKind::Timer;
        return ticks;
    };
    platform.SetTimer(10);
    for (const int wait : {500, 50}) {
        std::this_thread::sleep_for(milliseconds(wait));
        platform.WaitForMessageOrFrame(false);  // the loop comes round to wait: a tick is due
        EXPECT_EQ(ticksPending(), 1) << "after " << wait << " ms";
    }
    // A tick that outlasts its period finds the next one due, which still waits until the loop
    // has come round to draw the frame it wants; otherwise long ticks would starve the frames.
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(ticksPending(), 0);
    platform.WaitForMessageOrFrame(false);
    EXPECT_EQ(ticksPending(), 1);
    platform.SetTimer(60000);
    EXPECT_EQ(ticksPending(), 0);
}

}  // namespace
}  // namespace tessalume
