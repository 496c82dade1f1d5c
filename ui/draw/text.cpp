// The three primitives under every control: text, numbers and transformation thumbnails.
#include <cstdio>
#include <cstring>

#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"

namespace tessalume {

void DrawText(int32_t x, int32_t y, const char* text, int32_t fontSet)
{
    EnableAdditiveBlending();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    glTranslatef(static_cast<float>(x), static_cast<float>(y), 0);
    // Byte c of font set f runs glyph list 128 f + c - 32; each glyph moves the pen on.
    glListBase(fontListBase + 128 * static_cast<uint32_t>(fontSet) - 32);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void DrawNumber(int32_t x, int32_t y, int32_t n)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", n);
    DrawText(x, y, digits, 1);
}

void DrawThumbnail(int32_t x, int32_t y, int32_t index)
{
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    if (index >= 0 && index < 128) {
        glPushMatrix();
        glTranslatef(fx, fy, 0);
        glCallList(thumbnailListBase + static_cast<uint32_t>(index));
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_2D);
    // The plate under the transformation's number.
    BlackQuad(fx + 1, fy + 1, fx + 24, fy + 16, 0);
    Outline(fx, fy, fx + 64, fy + 64, 0, 0.35f);
    Outline(fx + 1, fy + 1, fx + 24, fy + 16, 0, 0.25f);
}

}  // namespace tessalume
