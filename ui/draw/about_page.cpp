// The about page: a dark red wash over the preview with a few lines on what the program does
// and how to use it.
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"

namespace tessalume {

uint32_t aboutPageList;

namespace {

struct AboutLine {
    int32_t x, y, fontSet;
    const char* text;
};

constexpr AboutLine aboutLines[] = {
    {620, 652, 0, "Tessalume Generator 1.0"},
    {708, 632, 0, "Hexagonal Quilts"},
    {524, 584, 1, "This work is based on the  Chaotic Quilts Attractors"},
    {524, 568, 1, "that appears in the Symmetry in Chaos book."},
    {524, 552, 1, "Here the attractors are divided in two different set"},
    {524, 536, 1, "of transformations (visible  in the attractor panel)."},
    {524, 520, 1, "Each  transformation panel  consist in  30  possible"},
    {524, 504, 1, "variations that can be selected in order to generate"},
    {524, 488, 1, "the Quilt Attractor."},
    {524, 456, 0, "How to use:"},
    {524, 440, 1, "Press the New  button in order to generate the Quilt."},
    {524, 424, 1, "Use the Brightness control for adjusting the overall"},
    {524, 408, 1, "brigthness of the Quilt. Wait  until the quilt looks"},
    {524, 392, 1, "smooth and press one Export buttons."},
    {524, 296, 1, "For more information visit the CorvellaWiki,"},
    {526, 280, 1, "accesible through the Help button."},
    {524, 224, 1, "Press the About button to return to the main display"},
    {548, 248, 1, "Exported tiles repeat without a seam."},
};

}  // namespace

void BuildAboutPageList()
{
    aboutPageList = RecordList([] {
        glBegin(GL_QUADS);
        glColor3f(0.5f, 0.125f, 0);
        glVertex3f(previewSquare.left, previewSquare.bottom, 0.5f);
        glVertex3f(previewSquare.right, previewSquare.bottom, 0.5f);
        glColor3f(0, 0, 0);
        glVertex3f(previewSquare.right, previewSquare.top, 0.5f);
        glVertex3f(previewSquare.left, previewSquare.top, 0.5f);
        glEnd();
        for (const AboutLine& line : aboutLines) DrawText(line.x, line.y, line.text, line.fontSet);
    });
}

}  // namespace tessalume
