// The program's window inside the test process, on a private X server: what a refresh tick puts
// in the preview texture, where the two display quads show it, and the refresh timer.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "app/shell.h"
#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "support/desktop_session.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

class WindowInProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display.Start() || !OpenGlWindowOn(display.Name()))
            GTEST_SKIP() << "no X server with OpenGL could be started";
        SetupProjection();
        BuildPreviewTexturesAndQuads();
        BuildControls();
    }

    VirtualDisplay display;

    // The preview as the window shows it, rows from the bottom.
    std::vector<uint8_t> DrawnPreview()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawPreview();
        glFinish();
        std::vector<uint8_t> pixels(512 * 512 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(491, 212, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
};

void UseResolution(int32_t resolution)
{
    resolutionList.selected = activeResolution = resolution;
    textureSize = resolutionTable[resolution].textureSize;
    SetPeriodFromTextureSize();
}

const uint8_t* QuiltPixel(int32_t column, int32_t row)
{
    return &QuiltImage[(static_cast<std::size_t>(row) * periodWidth + column) * 3];
}

// At 444 x 256 the square shows every texel once: screen (491 + j, 212 + i) shows texture row j,
// column i, that is quilt column j + halfWidth - 256 and row i + halfHeight, both wrapped.
TEST_F(WindowInProcess, TickShowsTheQuiltInTheAttractorSquareWithTheOriginAtItsCentre)
{
    UseResolution(0);
    SeedGenerators(11);
    colorMappingIndex = 0;
    SelectPlotFunction();
    SelectIntensityFunction();
    SelectTransformationI();
    SelectTransformationII();
    ClearAccumulators();
    NewQuilt();
    for (int batch = 0; batch < 100; ++batch) RunWorkerSteps();
    workerNotStarted = 0;  // this test plots by itself
    RefreshTick();

    const std::vector<uint8_t> shown = DrawnPreview();
    int lit = 0, wrong = 0;
    for (int i = 0; i < 512; ++i)
        for (int j = 0; j < 512; ++j) {
            const uint8_t* expected = QuiltPixel((j + halfWidth - 256 + periodWidth) % periodWidth,
                                                 (i + halfHeight) % periodHeight);
            const uint8_t* pixel = &shown[(static_cast<std::size_t>(i) * 512 + j) * 3];
            wrong += std::memcmp(pixel, expected, 3) != 0;
            lit += expected[0] + expected[1] + expected[2] > 0;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(lit, 1000) << "too little of the quilt to judge";
    EXPECT_EQ(std::memcmp(&shown[(256 * 512 + 256) * 3], QuiltPixel(halfWidth, halfHeight), 3), 0)
        << "the world origin is not at (747, 468)";

    // A tick while a reset is pending counts the export notice down and leaves the preview.
    for (int batch = 0; batch < 100; ++batch) RunWorkerSteps();
    resetRequest = 1;
    exportNoticeTicks = 2;
    RefreshTick();
    resetRequest = 0;
    EXPECT_EQ(exportNoticeTicks, 1);
    EXPECT_EQ(DrawnPreview(), shown);
}

// The quilt column the screen shows at (x, 468): the picture sampled at that one point, through
// a one-pixel viewport, with every quilt column painted in a colour of its own.
int32_t ColumnShownAt(double x)
{
    constexpr double y = 468, half = 0.001;
    glViewport(0, 0, 1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x - half, x + half, y - half, y + half, -20, 20);
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawPreview();
    glFinish();
    uint8_t pixel[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return pixel[0] | (pixel[1] & 0x0f) << 8;
}

// Across the screen the tiles show two periods: the second quad carries on with the quilt column
// that follows the first quad's last, and the right edge comes back round to the left edge's.
TEST_F(WindowInProcess, TilesJoinWithoutASeamAtEveryResolution)
{
    previewTypeList.selected = 1;
    for (int32_t resolution = 0; resolution < 3; ++resolution) {
        SCOPED_TRACE(resolution);
        UseResolution(resolution);
        for (int32_t row = 0; row < periodHeight; ++row)
            for (int32_t column = 0; column < periodWidth; ++column) {
                uint8_t* pixel = &QuiltImage[(static_cast<std::size_t>(row) * periodWidth + column) * 3];
                pixel[0] = static_cast<uint8_t>(column), pixel[1] = static_cast<uint8_t>(0x40 | column >> 8), pixel[2] = 0x80;
            }
        TilePreview();
        UploadPreview();
        // Each point shows one texel, not a blend of its neighbours.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

        const int32_t size = static_cast<int32_t>(textureSize);
        const int32_t leftEdge = (halfWidth - size / 2 + periodWidth) % periodWidth;  // texture row 0
        const int32_t afterFirstQuad = (leftEdge + size) % periodWidth;               // row S would be
        EXPECT_EQ(ColumnShownAt(491.01), leftEdge);
        EXPECT_EQ(ColumnShownAt(781.0673828125 + 0.01), afterFirstQuad);
        EXPECT_EQ(ColumnShownAt(1003 - 0.01), (leftEdge + periodWidth - 1) % periodWidth);

        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
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
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_EQ(ticksPending(), 1);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(ticksPending(), 1);
    platform.SetTimer(60000);
    EXPECT_EQ(ticksPending(), 0);
}

}  // namespace
}  // namespace tessalume
