// Lock boxes: a 20 x 20 box with its label to the right (the padlock glyph) and a bright
// square while the lock is on.
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "ui/widgets.h"

namespace tessalume {

namespace {

struct Lists {
    uint32_t frame, mark;
};
ListsByControl<OptionsBox, Lists> lists;

}  // namespace

void BuildLists(const OptionsBox& box)
{
    const uint32_t frame = RecordList([&] {
        const float z = box.depth;
        glDisable(GL_DEPTH_TEST);
        BlackQuad(box.left, box.bottom, box.right, box.boxTop, z);
        EnableAdditiveBlending();
        ShadedQuad(box.left, box.bottom, box.right, box.boxTop, z, {0, 0.125f, 0, 0.125f});
        ShadedOutline(box.left, box.bottom, box.right, box.boxTop, z, {0.125f, 0.25f, 0.125f, 0.25f});
        ShadedQuad(box.left + 5, box.bottom + 5, box.left + 15, box.bottom + 15, z, {0, 0.125f, 0, 0.125f});
        ShadedOutline(box.left + 5, box.bottom + 5, box.left + 15, box.bottom + 15, z, {0.25f, 0.5f, 0.25f, 0.5f});
        glDisable(GL_BLEND);
        DrawText(static_cast<int32_t>(box.left) + 20, static_cast<int32_t>(box.bottom) + 2, box.title, 1);
        glEnable(GL_DEPTH_TEST);
    });
    const uint32_t mark = RecordList([&] {
        glDisable(GL_DEPTH_TEST);
        ShadedQuad(5, 5, 15, 15, box.depth, {0.5f, 1, 0.5f, 1});
        ShadedOutline(5, 5, 15, 15, box.depth, {0, 0.125f, 0, 0.125f});
        glEnable(GL_DEPTH_TEST);
    });
    lists.Record(box, {frame, mark});
}

void Draw(OptionsBox& box)
{
    if (!box.visible) return;
    const Lists recorded = lists.Of(box);
    glCallList(recorded.frame);
    if (!box.on) return;
    glPushMatrix();
    glTranslatef(box.left, box.bottom, 0);
    glCallList(recorded.mark);
    glPopMatrix();
}

}  // namespace tessalume
