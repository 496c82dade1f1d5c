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

// One list per cell of a sheet of columns x rows cells, counted along the rows from the top row
// (t = 1). Each draws its cell as a side x side quad with the lower-left corner at the origin,
// then moves the origin right by advance. A fifth vertex completes no quad and draws nothing,
// but leaves every list with the same current texture coordinate: a run of glyph lists then
// changes no state from glyph to glyph, which a software renderer otherwise pays for with a
// flush per glyph (twenty times the drawing).
uint32_t BuildCellLists(uint32_t texture, int32_t columns, int32_t rows, float side, float advance)
{
    const uint32_t base = glGenLists(columns * rows);
    const float across = static_cast<float>(columns), down = static_cast<float>(rows);
    for (int32_t k = 0; k < columns * rows; ++k) {
        const float column = static_cast<float>(k % columns), row = static_cast<float>(k / columns);
        const float s0 = column / across, s1 = (column + 1) / across;
        const float t0 = 1 - (row + 1) / down, t1 = 1 - row / down;
        glNewList(base + static_cast<uint32_t>(k), GL_COMPILE);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_QUADS);
        glTexCoord2f(s0, t0);
        glVertex2f(0, 0);
        glTexCoord2f(s1, t0);
        glVertex2f(side, 0);
        glTexCoord2f(s1, t1);
        glVertex2f(side, side);
        glTexCoord2f(s0, t1);
        glVertex2f(0, side);
        glTexCoord2f(0, 0);
        glVertex2f(0, 0);
        glEnd();
        if (advance != 0) glTranslatef(advance, 0, 0);
        glEndList();
    }
    glDisable(GL_TEXTURE_2D);
    return base;
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
    // 16 x 16 cells. A glyph is drawn at half the cell's size and every glyph advances the pen
    // by 8, so text of n bytes is 8n pixels wide.
    fontListBase = BuildCellLists(fontTexture, 16, 16, 16, 8);
}

void BuildThumbnailLists()
{
    thumbnailTexture = MakeTexture(thumbnailSheetResource, Wrap::repeat);
    // 8 columns x 16 rows of 64-pixel cells: catalogue I from cell 0, catalogue II from cell 64.
    thumbnailListBase = BuildCellLists(thumbnailTexture, 8, 16, 64, 0);
}

}  // namespace tessalume
