// Transformation browsers: ten numbered thumbnails in a 5 x 2 grid with a scroll column of two
// arrows, and green corner glows with a green frame on the transformation in use.
#include <cmath>

#include "engine/relaxed.h"
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "ui/widgets.h"

namespace tessalume {

namespace {

constexpr double degree = 3.141592653589793 / 180;
constexpr CornerGreys frameGreys = {0.125f, 0.25f, 0.125f, 0.25f};

struct Lists {
    uint32_t frame, highlight;
};
ListsByControl<TSelector, Lists> lists;

void Arrow(float b, float baseY, float tipY)
{
    glBegin(GL_TRIANGLES);
    glColor3f(0.125f, 0.125f, 0.125f);
    glVertex2f(360, b + baseY);
    glVertex2f(378, b + baseY);
    glColor3f(0.25f, 0.25f, 0.25f);
    glVertex2f(369, b + tipY);
    glEnd();
    glBegin(GL_LINE_LOOP);
    glColor3f(0.25f, 0.25f, 0.25f);
    glVertex2f(360, b + baseY);
    glVertex2f(378, b + baseY);
    glColor3f(0.5f, 0.5f, 0.5f);
    glVertex2f(369, b + tipY);
    glEnd();
}

// A green glow fading from the cell corner (cornerX, cornerY) to black along the arc of the
// cell's inscribed circle that faces it; angles from the upward direction towards +x.
void CornerGlow(float cornerX, float cornerY, int firstAngle)
{
    glBegin(GL_TRIANGLE_FAN);
    glColor3f(0, 1, 0);
    glVertex2f(cornerX, cornerY);
    glColor3f(0, 0, 0);
    for (int a = firstAngle; a <= firstAngle + 80; a += 20)
        glVertex2f(static_cast<float>(32.5 + 32 * std::sin(a * degree)),
                   static_cast<float>(32.5 + 32 * std::cos(a * degree)));
    glEnd();
}

}  // namespace

void BuildLists(const TSelector& browser)
{
    const uint32_t frame = RecordList([&] {
        const float b = browser.bottom;
        glDisable(GL_DEPTH_TEST);
        glBegin(GL_LINES);
        glColor3f(0.1875f, 0.1875f, 0.1875f);
        glVertex2f(354, b + 64);
        glVertex2f(384, b + 64);
        glEnd();
        ShadedOutline(30, b - 2, 354, b + 130, 0, frameGreys);
        glBegin(GL_LINE_LOOP);  // the scroll column, its right corners cut
        glColor3f(frameGreys.lowerLeft, frameGreys.lowerLeft, frameGreys.lowerLeft);
        glVertex2f(354, b - 2);
        glColor3f(frameGreys.lowerRight, frameGreys.lowerRight, frameGreys.lowerRight);
        glVertex2f(384, b + 14);
        glColor3f(frameGreys.upperRight, frameGreys.upperRight, frameGreys.upperRight);
        glVertex2f(384, b + 114);
        glColor3f(frameGreys.upperLeft, frameGreys.upperLeft, frameGreys.upperLeft);
        glVertex2f(354, b + 130);
        glEnd();
        Arrow(b, 86, 106);  // back, pointing up
        Arrow(b, 42, 22);   // forward, pointing down
        DrawText(32, static_cast<int32_t>(b) + 132, browser.title, 1);
        glEnable(GL_DEPTH_TEST);
    });
    const uint32_t highlight = RecordList([] {
        glDisable(GL_DEPTH_TEST);
        EnableAdditiveBlending();
        CornerGlow(64, 64, 0);
        CornerGlow(64, 0, 100);
        CornerGlow(0, 0, 180);
        CornerGlow(0, 64, 280);
        glDisable(GL_BLEND);
        glColor3f(0, 1, 0);
        glBegin(GL_LINE_LOOP);
        glVertex2f(0, 0);
        glVertex2f(64, 0);
        glVertex2f(64, 64);
        glVertex2f(0, 64);
        glEnd();
        glEnable(GL_DEPTH_TEST);
    });
    lists.Record(browser, {frame, highlight});
}

void Draw(TSelector& browser, int32_t highlighted)
{
    if (!browser.visible) return;
    const Lists recorded = lists.Of(browser);
    glCallList(recorded.frame);
    // The search pages the browsers to the transformations it picked.
    const int32_t firstShown = LoadRelaxed(browser.firstShown);
    for (int32_t k = 0; k < TSelector::cellCount; ++k) {
        DrawThumbnail(browser.cellX[k], browser.cellY[k], firstShown + browser.iconBase + k);
        DrawNumber(browser.cellX[k], browser.cellY[k] + 1, firstShown + k + 1);
        if (firstShown + k != highlighted) continue;
        glPushMatrix();
        glTranslatef(static_cast<float>(browser.cellX[k]), static_cast<float>(browser.cellY[k]), 0);
        glCallList(recorded.highlight);
        glPopMatrix();
    }
}

}  // namespace tessalume
