// The two page tabs and the outline of the left panel. Both tabs show the dark face; the open
// one has the light face added on top.
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "ui/widgets.h"

namespace tessalume {

namespace {

constexpr float tabHeight = 24;

}  // namespace

void BuildLists(Tab& tabs)
{
    tabs.frameList = RecordList([&] {
        const float z = tabs.depth;
        glDisable(GL_DEPTH_TEST);
        BlackQuad(tabs.left - 2, tabs.bottom - 2, tabs.right + 2, tabs.top + 2, z);
        EnableAdditiveBlending();
        ShadedOutline(tabs.left, tabs.bottom, tabs.right, tabs.top, z, {0.25f, 0.5f, 0.25f, 0.5f});
        for (int32_t k = 0; k < tabs.count; ++k) {
            const float x0 = tabs.left + tabs.tabWidth * static_cast<float>(k), x1 = x0 + tabs.tabWidth;
            EnableAdditiveBlending();
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, buttonPressedTexture);
            TexturedQuad(x0, tabs.top - tabHeight, x1, tabs.top, z, 0.125f, 0.875f);
            glDisable(GL_TEXTURE_2D);
            DrawText(static_cast<int32_t>(x0), tabs.stripBottom + 6, tabs.labels[k], 1);
            glDisable(GL_DEPTH_TEST);
            Outline(x0, tabs.top - tabHeight, x1, tabs.top, z, 0.25f);
        }
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    });
    tabs.markerList = RecordList([&] {
        glDisable(GL_DEPTH_TEST);
        EnableAdditiveBlending();
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, buttonFaceTexture);
        TexturedQuad(0, 0, tabs.tabWidth, tabHeight, tabs.depth, 0.125f, 0.875f);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    });
}

void Draw(Tab& tabs)
{
    if (!tabs.visible) return;
    glCallList(tabs.frameList);
    glPushMatrix();
    glTranslatef(tabs.left + static_cast<float>(tabs.selected) * tabs.tabWidth,
                 static_cast<float>(tabs.stripBottom), 0);
    glCallList(tabs.markerList);
    glPopMatrix();
}

}  // namespace tessalume
