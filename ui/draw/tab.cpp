// The two page tabs and the outline of the left panel. Both tabs show the dark face; the open
// one has the light face added on top.
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "ui/widgets.h"

namespace tessalume {

namespace {

constexpr float tabHeight = 24;

struct Lists {
    uint32_t frame, marker;
};
ListsByControl<Tab, Lists> lists;

}  // namespace

void BuildLists(const Tab& tabs)
{
    const uint32_t frame = RecordList([&] {
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
    const uint32_t marker = RecordList([&] {
        glDisable(GL_DEPTH_TEST);
        EnableAdditiveBlending();
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, buttonFaceTexture);
        TexturedQuad(0, 0, tabs.tabWidth, tabHeight, tabs.depth, 0.125f, 0.875f);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    });
    lists.Record(tabs, {frame, marker});
}

void Draw(Tab& tabs)
{
    if (!tabs.visible) return;
    const Lists recorded = lists.Of(tabs);
    glCallList(recorded.frame);
    glPushMatrix();
    glTranslatef(tabs.left + static_cast<float>(tabs.selected) * tabs.tabWidth,
                 static_cast<float>(tabs.stripBottom), 0);
    glCallList(recorded.marker);
    glPopMatrix();
}

}  // namespace tessalume
