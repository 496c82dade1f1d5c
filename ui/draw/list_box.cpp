// Lists: a black box with a title band on top, one radio square and one entry text per row,
// and a lit square on the selected row. Row r from the bottom shows entry lastIndex - r.
#include "engine/relaxed.h"
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "ui/widgets.h"

namespace tessalume {

namespace {

constexpr float rowPitch = 20;
constexpr CornerGreys darkFill = {0, 0.125f, 0, 0.125f}, dimRim = {0.25f, 0.5f, 0.25f, 0.5f}, litFace = {0.5f, 1, 0.5f, 1};

struct Lists {
    uint32_t frame, marker;
};
ListsByControl<ListBox, Lists> lists;

}  // namespace

void BuildLists(const ListBox& list)
{
    const uint32_t frame = RecordList([&] {
        const float z = list.depth, titleRow = list.bottom + rowPitch * static_cast<float>(list.count);
        glDisable(GL_DEPTH_TEST);
        BlackQuad(list.left, list.bottom, list.right, list.top, z);
        EnableAdditiveBlending();
        ShadedOutline(list.left, list.bottom, list.right, list.top, z, {0, 0.25f, 0, 0.25f});
        for (int32_t r = 0; r < list.count; ++r) {
            const float y = list.bottom + rowPitch * static_cast<float>(r);
            ShadedQuad(list.left + 5, y + 5, list.left + 15, y + 15, z, darkFill);
            ShadedOutline(list.left + 5, y + 5, list.left + 15, y + 15, z, dimRim);
        }
        ShadedQuad(list.left, titleRow - 1, list.right, titleRow + 19, z, {0, 0.25f, 0, 0.25f});
        ShadedOutline(list.left, titleRow - 1, list.right, titleRow + 19, z, dimRim);
        glDisable(GL_BLEND);
        const auto x = static_cast<int32_t>(list.left), y = static_cast<int32_t>(list.bottom);
        DrawText(x, static_cast<int32_t>(titleRow) + 2, list.title, 1);
        for (int32_t j = 0; j < list.count; ++j)
            DrawText(x + 20, y + 2 + 20 * (list.lastIndex - j), list.entries[j], 1);
        glEnable(GL_DEPTH_TEST);
    });
    // The selected square is lit like a lock that is on, so that it tells itself apart from
    // the dark squares at a glance.
    const uint32_t marker = RecordList([&] {
        glDisable(GL_DEPTH_TEST);
        ShadedQuad(5, 5, 15, 15, list.depth, litFace);
        ShadedOutline(5, 5, 15, 15, list.depth, darkFill);
        glEnable(GL_DEPTH_TEST);
    });
    lists.Record(list, {frame, marker});
}

void Draw(ListBox& list)
{
    if (!list.visible) return;
    const Lists recorded = lists.Of(list);
    glCallList(recorded.frame);
    // The search moves the colour mapping selection while frames are drawn.
    const int32_t selected = LoadRelaxed(list.selected);
    glPushMatrix();
    glTranslatef(list.left, list.bottom + rowPitch * static_cast<float>(list.lastIndex - selected), 0);
    glCallList(recorded.marker);
    glPopMatrix();
}

}  // namespace tessalume
