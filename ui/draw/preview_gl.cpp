// The live preview: one texture per resolution holding previewPixels, and the two ways of showing
// it, one square ("Attractor") or the period repeated ("Tiles"). The texture is stored
// transposed, so t runs along the screen's x axis and s along its y axis.
#include <cstring>

#include "engine/engine.h"
#include "imaging/imaging.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"

namespace tessalume {

uint8_t previewPixels[previewPixelBytes];

namespace {

uint32_t previewTextures[resolutionCount];
uint32_t attractorQuadList;
// One per resolution: where the second quad starts in the texture depends on the period.
uint32_t tilesQuadLists[resolutionCount];
constexpr double left = previewSquare.left, bottom = previewSquare.bottom;
constexpr double right = previewSquare.right, top = previewSquare.top;
// The resolution of the texture on screen. The interface thread's own copy of
// activeResolution, taken when it is safe to read (see UploadPreview).
int32_t shownResolution = 0;

// One corner of a preview quad: texture (s, t) at screen (x, y, depth).
struct PreviewCorner {
    double s, t, x, y, z;
};

void PreviewQuad(const PreviewCorner (&corners)[4])
{
    for (const PreviewCorner& corner : corners) {
        glTexCoord2d(corner.s, corner.t);
        glVertex3d(corner.x, corner.y, corner.z);
    }
}

// The texture shows 1.73046875 of its columns' worth down the screen, 3.46 periods, seamless
// because the texture is two periods high. Across, the first quad shows every texture row and
// the second carries on with the row holding the quilt column that follows the first quad's
// last one, row S - W, up to row W: two periods in all.
void TilesQuads(const ResolutionRow& row)
{
    constexpr double down = 1.73046875;
    const double size = row.textureSize;
    const double joinStart = (size - row.periodWidth) / size;
    const double joinEnd = row.periodWidth / size;
    glEnable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    PreviewQuad({{0, 0, left, bottom, 0}, {0, 1, 781.5, bottom, 0}, {down, 1, 781.5, top, 0}, {down, 0, left, top, 0}});
    PreviewQuad({{0, joinStart, 781.0673828125, bottom, 0.2},
                 {0, joinEnd, right, bottom, 0.2},
                 {down, joinEnd, right, top, 0.2},
                 {down, joinStart, 781.0673828125, top, 0.2}});
    glEnd();
}

}  // namespace

void BuildPreviewTexturesAndQuads()
{
    glDepthMask(GL_FALSE);  // the value panels' wheels switch depth writes on while they draw
    std::memset(previewPixels, 0, sizeof previewPixels);
    for (int32_t resolution = 0; resolution < resolutionCount; ++resolution) {
        const GLsizei size = static_cast<GLsizei>(resolutionTable[resolution].textureSize);
        glGenTextures(1, &previewTextures[resolution]);
        glBindTexture(GL_TEXTURE_2D, previewTextures[resolution]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, previewPixels);
    }

    attractorQuadList = RecordList([] {
        glBegin(GL_QUADS);
        PreviewQuad({{0, 0, left, bottom, 0}, {0, 1, right, bottom, 0}, {1, 1, right, top, 0}, {1, 0, left, top, 0}});
        glEnd();
    });
    for (int32_t resolution = 0; resolution < resolutionCount; ++resolution)
        tilesQuadLists[resolution] = RecordList([resolution] { TilesQuads(resolutionTable[resolution]); });
}

namespace {

void ReplaceShownTexture()
{
    const GLsizei size = static_cast<GLsizei>(resolutionTable[shownResolution].textureSize);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, previewTextures[shownResolution]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, previewPixels);
}

}  // namespace

void UploadPreview(int32_t resolution)
{
    shownResolution = resolution;  // no reset is pending: the worker leaves it alone
    ReplaceShownTexture();
}

void BlankPreview()
{
    std::memset(previewPixels, 0, sizeof previewPixels);
    ReplaceShownTexture();
}

void DrawPreview()
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, previewTextures[shownResolution]);
    glCallList(previewTypeList.selected == 1 ? tilesQuadLists[shownResolution] : attractorQuadList);
}

}  // namespace tessalume
