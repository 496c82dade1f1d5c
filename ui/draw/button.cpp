// Push buttons: a slanted face stretched over the button, the label centred under it. The
// pressed look is the darker face with the label one pixel right and one pixel down.
#include <cstring>

#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "ui/widgets.h"

namespace tessalume {

namespace {

struct Looks {
    uint32_t up, down;
};
ListsByControl<Button, Looks> looks;

// The face picture's 8-pixel ends keep the slanted caps; the middle stretches.
void ButtonFace(const Button& button, uint32_t texture)
{
    const float xs[4] = {button.left, button.left + 8, button.right - 8, button.right};
    const float ss[4] = {0, 0.125f, 0.875f, 1};
    EnableAdditiveBlending();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(ss[i], 0);
        glVertex3f(xs[i], button.bottom, button.depth);
        glTexCoord2f(ss[i], 1);
        glVertex3f(xs[i], button.top, button.depth);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

// pressedShift 0 for the normal look, 1 for the pressed one.
uint32_t RecordButtonLook(const Button& button, int32_t pressedShift, uint32_t texture)
{
    return RecordList([&] {
        glDisable(GL_DEPTH_TEST);
        BlackQuad(button.left - 2, button.bottom - 2, button.right + 2, button.top + 2, button.depth);
        const float width = button.right - button.left;
        const float labelWidth = 8.0f * static_cast<float>(std::strlen(button.title));
        const auto x = static_cast<int32_t>(button.left + width / 2 - 4 - labelWidth / 2 +
                                            static_cast<float>(pressedShift));
        DrawText(x, static_cast<int32_t>(button.bottom) + 5 - pressedShift, button.title, 1);
        ButtonFace(button, texture);
        glEnable(GL_DEPTH_TEST);
    });
}

}  // namespace

void BuildLists(const Button& button)
{
    looks.Record(button, {RecordButtonLook(button, 0, buttonFaceTexture),
                          RecordButtonLook(button, 1, buttonPressedTexture)});
}

void Draw(Button& button)
{
    if (!button.visible) return;
    if (button.pressTicks > 0) --button.pressTicks;
    const Looks look = looks.Of(button);
    glCallList(button.pressTicks >= 1 ? look.down : look.up);
}

}  // namespace tessalume
