// The textures made from the embedded bitmaps, the 256 glyph lists that draw all text and the
// 128 thumbnail lists of the transformation browsers. Made once at start-up, never released.
#include <GL/gl.h>
#include <GL/glu.h>

#include "resources/resources.h"
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"

namespace tessalume {

uint32_t glowTexture, buttonFaceTexture, buttonPressedTexture, fontTexture, thumbnailTexture;
uint32_t fontListBase, thumbnailListBase;

namespace {

enum class Wrap { repeat, clamp };

// A texture with its full mipmap chain from one bitmap. A missing bitmap gives one black texel,
// so the interface still draws (without pictures) rather than failing.
uint32_t MakeTexture(int32_t resource, Wrap wrap)
{
    static constexpr uint8_t blackTexel[4] = {};
    const BitmapResource bitmap = FindBitmapResource(resource);
    const bool present = bitmap.width > 0 && bitmap.height > 0 && bitmap.bgrRows != nullptr;

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (wrap == Wrap::clamp) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    // Rows of the bitmaps are padded to four bytes, which is OpenGL's default unpack alignment.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, present ? bitmap.width : 1, present ? bitmap.height : 1,
                      GL_BGR_EXT, GL_UNSIGNED_BYTE, present ? bitmap.bgrRows : blackTexel);
    // Every texture is RGB, so decal shows the texels unchanged whatever the current colour.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glDisable(GL_TEXTURE_2D);
    return name;
}

// One quad showing the sheet's cell from s0..s1 and t0..t1, lower-left corner at the origin.
// A fifth vertex completes no quad and draws nothing, but leaves every list with the same current
// texture coordinate: a run of glyph lists then changes no state from glyph to glyph, which a
// software renderer otherwise pays for with a flush per glyph (twenty times the drawing).
void CellQuad(float size, float s0, float s1, float t0, float t1)
{
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2f(0, 0);
    glTexCoord2f(s1, t0);
    glVertex2f(size, 0);
    glTexCoord2f(s1, t1);
    glVertex2f(size, size);
    glTexCoord2f(s0, t1);
    glVertex2f(0, size);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glEnd();
}

}  // namespace

void LoadWidgetTextures()
{
    glowTexture = MakeTexture(glowResource, Wrap::repeat);
    buttonFaceTexture = MakeTexture(buttonFaceResource, Wrap::clamp);
    buttonPressedTexture = MakeTexture(buttonPressedResource, Wrap::clamp);
}

void BuildFontLists()
{
    fontTexture = MakeTexture(fontSheetResource, Wrap::repeat);
    // 16 x 16 cells, row 0 at the top of the sheet (t = 1). A glyph is drawn at half the cell's
    // size and every glyph advances the pen by 8, so text of n bytes is 8n pixels wide.
    fontListBase = glGenLists(256);
    for (uint32_t k = 0; k < 256; ++k) {
        const float column = static_cast<float>(k % 16), row = static_cast<float>(k / 16);
        glNewList(fontListBase + k, GL_COMPILE);
        glBindTexture(GL_TEXTURE_2D, fontTexture);
        CellQuad(16, column / 16, (column + 1) / 16, 1 - (row + 1) / 16, 1 - row / 16);
        glTranslatef(8, 0, 0);
        glEndList();
    }
    glDisable(GL_TEXTURE_2D);
}

void BuildThumbnailLists()
{
    thumbnailTexture = MakeTexture(thumbnailSheetResource, Wrap::repeat);
    // 8 columns x 16 rows of 64-pixel cells: catalogue I from cell 0, catalogue II from cell 64.
    thumbnailListBase = glGenLists(128);
    for (uint32_t k = 0; k < 128; ++k) {
        const float column = static_cast<float>(k % 8), row = static_cast<float>(k / 8);
        glNewList(thumbnailListBase + k, GL_COMPILE);
        glBindTexture(GL_TEXTURE_2D, thumbnailTexture);
        CellQuad(64, column / 8, (column + 1) / 8, 1 - (row + 1) / 16, 1 - row / 16);
        glEndList();
    }
    glDisable(GL_TEXTURE_2D);
}

}  // namespace tessalume
