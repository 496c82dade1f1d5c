// The program's window inside the test process, on a private X server: what a refresh tick puts
// in the preview texture, where the two display quads show it, and the refresh timer.
#include <GL/gl.h>

#include <cstring>

#include "app/shell.h"
#include "fixtures.h"
#include "support/desktop_session.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

class WindowInProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display.Start() || !OpenGlWindowOn(display.Name())) GTEST_SKIP() << "no X server with OpenGL could be started";
        SetupProjection();
        BuildPreviewTexturesAndQuads();
        BuildControls();
    }
    VirtualDisplay display;
};

// The preview drawn afresh and read back: width x height pixels from (x, y), rows from the bottom.
std::vector<uint8_t> DrawnPreview(int x = 491, int y = 212, int width = 512, int height = 512)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawPreview();
    glFinish();
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

uint8_t* QuiltPixel(int32_t column, int32_t row) { return &QuiltImage[(static_cast<std::size_t>(row) * periodWidth + column) * 3]; }

// At 444 x 256 the square shows every texel once: screen (491 + j, 212 + i) shows texture row j,
// column i, that is quilt column j + halfWidth - 256 and row i + halfHeight, both wrapped.
TEST_F(WindowInProcess, TickShowsTheQuiltInTheAttractorSquareWithTheOriginAtItsCentre)
{
    ResetEngine(11);
    NewQuilt();
    for (int batch = 0; batch < 100; ++batch) RunWorkerSteps();
    workerNotStarted = 0;  // this test plots by itself
    RefreshTick();

    const std::vector<uint8_t> shown = DrawnPreview();
    int lit = 0, wrong = 0;
    for (int k = 0; k < 512 * 512; ++k) {  // i = k / 512, j = k % 512
        const uint8_t* expected = QuiltPixel((k % 512 + halfWidth - 256 + periodWidth) % periodWidth, (k / 512 + halfHeight) % periodHeight);
        wrong += std::memcmp(&shown[k * 3], expected, 3) != 0;
        lit += expected[0] + expected[1] + expected[2] > 0;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(lit, 1000) << "too little of the quilt to judge";

    // A tick while a reset is pending counts the export notice down and leaves the preview.
    for (int batch = 0; batch < 100; ++batch) RunWorkerSteps();
    resetRequest = 1, exportNoticeTicks = 2;
    RefreshTick();
    resetRequest = 0;
    EXPECT_EQ(exportNoticeTicks, 1);
    EXPECT_EQ(DrawnPreview(), shown);
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
    const std::vector<uint8_t> pixel = DrawnPreview(0, 0, 1, 1);
    return pixel[0] | (pixel[1] & 0x0f) << 8;
}

void TextureFilter(GLint mode) { for (const GLenum f : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) glTexParameteri(GL_TEXTURE_2D, f, mode); }

// Across the screen the tiles show two periods: the second quad carries on with the quilt column
// that follows the first quad's last, and the right edge comes back round to the left edge's.
TEST_F(WindowInProcess, TilesJoinWithoutASeamAtEveryResolution)
{
    previewTypeList.selected = 1;
    for (int32_t resolution = 0; resolution < 3; ++resolution) {
        SCOPED_TRACE(resolution);
        activeResolution = resolution, textureSize = resolutionTable[resolution].textureSize;
        SetPeriodFromTextureSize();
        for (int32_t row = 0; row < periodHeight; ++row)
            for (int32_t column = 0; column < periodWidth; ++column) {
                uint8_t* pixel = QuiltPixel(column, row);
                pixel[0] = static_cast<uint8_t>(column), pixel[1] = static_cast<uint8_t>(0x40 | column >> 8), pixel[2] = 0x80;
            }
        TilePreview();
        UploadPreview();
        TextureFilter(GL_NEAREST);  // each point shows one texel, not a blend of its neighbours
        const int32_t size = static_cast<int32_t>(textureSize);
        const int32_t leftEdge = (halfWidth - size / 2 + periodWidth) % periodWidth;  // texture row 0
        EXPECT_EQ(ColumnShownAt(491.01), leftEdge);
        EXPECT_EQ(ColumnShownAt(781.0673828125 + 0.01), (leftEdge + size) % periodWidth);
        EXPECT_EQ(ColumnShownAt(1003 - 0.01), (leftEdge + periodWidth - 1) % periodWidth);
        TextureFilter(GL_LINEAR);
    }
    previewTypeList.selected = 0;
}

// A modal dialog holds the main loop for as long as the user looks at it: the ticks due meanwhile
// come as one, and the timer carries on from there.
TEST_F(WindowInProcess, TicksDueWhileTheLoopWaitsComeAsOne)
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
        EXPECT_EQ(ticksPending(), 1) << "after " << wait << " ms";
    }
    platform.SetTimer(60000);
    EXPECT_EQ(ticksPending(), 0);
}

}  // namespace
}  // namespace tessalume
