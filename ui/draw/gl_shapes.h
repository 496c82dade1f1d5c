// The small OpenGL vocabulary the drawing files share: shaded quads and outlines with one grey
// per corner, textured quads, display-list recording and the controls' lists. Private to ui/draw.
#pragma once
#include <GL/gl.h>

#include <cstdint>
#include <unordered_map>

namespace tessalume {

// Corner greys, counter-clockwise from the lower-left corner.
struct CornerGreys {
    float lowerLeft, lowerRight, upperRight, upperLeft;
};

// The four corners of a rectangle as one primitive (GL_QUADS or GL_LINE_LOOP), shaded.
inline void ShadedCorners(GLenum mode, float x0, float y0, float x1, float y1, float z, CornerGreys g)
{
    glBegin(mode);
    glColor3f(g.lowerLeft, g.lowerLeft, g.lowerLeft);
    glVertex3f(x0, y0, z);
    glColor3f(g.lowerRight, g.lowerRight, g.lowerRight);
    glVertex3f(x1, y0, z);
    glColor3f(g.upperRight, g.upperRight, g.upperRight);
    glVertex3f(x1, y1, z);
    glColor3f(g.upperLeft, g.upperLeft, g.upperLeft);
    glVertex3f(x0, y1, z);
    glEnd();
}

inline void ShadedQuad(float x0, float y0, float x1, float y1, float z, CornerGreys g)
{
    ShadedCorners(GL_QUADS, x0, y0, x1, y1, z, g);
}

inline void ShadedOutline(float x0, float y0, float x1, float y1, float z, CornerGreys g)
{
    ShadedCorners(GL_LINE_LOOP, x0, y0, x1, y1, z, g);
}

inline void BlackQuad(float x0, float y0, float x1, float y1, float z)
{
    ShadedQuad(x0, y0, x1, y1, z, {0, 0, 0, 0});
}

inline void Outline(float x0, float y0, float x1, float y1, float z, float grey)
{
    ShadedOutline(x0, y0, x1, y1, z, {grey, grey, grey, grey});
}

// The texture's s range s0..s1 and its whole height on the quad; the bound texture shows.
inline void TexturedQuad(float x0, float y0, float x1, float y1, float z, float s0, float s1)
{
    glBegin(GL_QUADS);
    glTexCoord2f(s0, 0);
    glVertex3f(x0, y0, z);
    glTexCoord2f(s1, 0);
    glVertex3f(x1, y0, z);
    glTexCoord2f(s1, 1);
    glVertex3f(x1, y1, z);
    glTexCoord2f(s0, 1);
    glVertex3f(x0, y1, z);
    glEnd();
}

// Additive blending: black adds nothing, so text and glows stay visible over anything.
inline void EnableAdditiveBlending()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

// Records what body draws as a new display list and returns its name.
template <typename Body>
uint32_t RecordList(Body body)
{
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    body();
    glEndList();
    return list;
}

// The display lists recorded for each control of one class, keyed by the control: the controls
// themselves know nothing of OpenGL. A control never recorded gets lists 0, which draw nothing.
template <typename Control, typename Lists>
class ListsByControl {
public:
    void Record(const Control& control, Lists lists) { table_[&control] = lists; }
    Lists Of(const Control& control) const
    {
        const auto found = table_.find(&control);
        return found == table_.end() ? Lists{} : found->second;
    }

private:
    std::unordered_map<const Control*, Lists> table_;
};

}  // namespace tessalume
