// Value panels: a title band over rows of label, printed value and a ribbed red wheel that
// rolls as the value is dragged. The wheel is the one shape drawn with the depth test on, so
// its near facets hide the far ones.
#include <cmath>
#include <cstdio>

#include "engine/relaxed.h"
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "ui/widgets.h"

namespace tessalume {

namespace {

constexpr float rowPitch = 20;
constexpr double degree = 3.141592653589793 / 180;

struct Lists {
    uint32_t frame, knob;
};
ListsByControl<SLWindow, Lists> lists;

// A closed drum of 24 facets around the y axis, 16 pixels high; each facet shows the whole
// glow picture.
void Wheel(float radius)
{
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glowTexture);
    glDisable(GL_BLEND);
    glBegin(GL_QUADS);
    for (int a = 0; a < 360; a += 15) {
        const auto x0 = static_cast<float>(radius * std::sin(a * degree));
        const auto z0 = static_cast<float>(radius * std::cos(a * degree));
        const auto x1 = static_cast<float>(radius * std::sin((a + 15) * degree));
        const auto z1 = static_cast<float>(radius * std::cos((a + 15) * degree));
        glTexCoord2f(0, 0);
        glVertex3f(x0, 2, z0);
        glTexCoord2f(0, 1);
        glVertex3f(x0, 18, z0);
        glTexCoord2f(1, 1);
        glVertex3f(x1, 18, z1);
        glTexCoord2f(1, 0);
        glVertex3f(x1, 2, z1);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

// Where a panel puts each row's printed value (at textX, textRise above the row's bottom) and
// the centre of its wheel; the tile-size panel also turns blending back on after each wheel.
struct RowLayout {
    float textX, textRise, wheelX;
    bool blendAfterWheel;
};

void DrawRows(SLWindow& panel, const RowLayout& layout)
{
    if (!panel.visible) return;
    const Lists recorded = lists.Of(panel);
    glCallList(recorded.frame);
    for (int32_t i = 0; i < panel.count; ++i) {
        const int32_t r = panel.count - 1 - i;
        const float rowBottom = panel.bottom + rowPitch * static_cast<float>(r);
        // The search writes the blurring and brightness values while frames are drawn.
        const float value = LoadRelaxed(panel.value[i]);
        char printed[32];
        if (panel.showAsInteger[i])
            std::snprintf(printed, sizeof printed, "%d", static_cast<int32_t>(value));
        else
            std::snprintf(printed, sizeof printed, "%2.2f", static_cast<double>(value));
        DrawText(static_cast<int32_t>(layout.textX), static_cast<int32_t>(rowBottom + layout.textRise), printed,
                 1);

        glPushMatrix();
        glTranslatef(layout.wheelX, rowBottom, 0);
        glScalef(1, 1, 0.01f);  // keeps the drum inside the depth range
        glRotatef(panel.wheelAngle[i], 0, 1, 0);
        glCallList(recorded.knob);
        glPopMatrix();
        if (layout.blendAfterWheel) glEnable(GL_BLEND);
    }
}

}  // namespace

void BuildLists(const SLWindow& panel)
{
    const uint32_t frame = RecordList([&] {
        const float z = panel.depth, titleRow = panel.bottom + rowPitch * static_cast<float>(panel.count);
        glDisable(GL_DEPTH_TEST);
        BlackQuad(panel.left - 1, panel.bottom - 1, panel.right + 2, panel.top + 1, z);
        ShadedOutline(panel.left - 1, panel.bottom - 1, panel.right + 2, panel.top + 1, z, {0.25f, 0.5f, 0, 0});
        EnableAdditiveBlending();
        ShadedQuad(panel.left, titleRow + 1, panel.right + 1, panel.top + 1, z, {0, 0.25f, 0, 0.25f});
        ShadedOutline(panel.left, titleRow + 1, panel.right + 1, panel.top + 1, z, {0.25f, 0.5f, 0, 0.5f});
        glDisable(GL_BLEND);
        const auto x = static_cast<int32_t>(panel.left), y = static_cast<int32_t>(panel.bottom);
        DrawText(x, static_cast<int32_t>(titleRow) + 4, panel.title, 1);
        for (int32_t i = 0; i < panel.count; ++i) DrawText(x, y + 2 + 20 * (panel.count - 1 - i), panel.rowLabels[i], 1);
        glEnable(GL_DEPTH_TEST);
    });
    const float radius = panel.halfTrack / 2;
    lists.Record(panel, {frame, RecordList([&] { Wheel(radius); })});
}

void Draw(SLWindow& panel)
{
    DrawRows(panel, {panel.left + 0.35f * panel.halfTrack, panel.textOffset - 6, panel.left + 1.5f * panel.halfTrack,
                     false});
}

void DrawTileSizePanel(SLWindow& panel)
{
    DrawRows(panel, {panel.left + 64, panel.textOffset - 8, panel.left + panel.halfTrack + panel.quarterTrack, true});
}

}  // namespace tessalume
