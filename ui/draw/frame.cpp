// One frame of the window, and the display lists made once for it.
#include <algorithm>
#include <atomic>
#include <optional>
#include <string>

#include "engine/engine.h"
#include "files/files.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"
#include "version.h"

namespace tessalume {

bool aboutShown = false;

namespace {

uint32_t versionLabelList, panelFramesList;

void RecordVersionLabel()
{
    ShadedQuad(12, 700, 180, 716, 1, {0, 0.25f, 0, 0.25f});
    ShadedOutline(12, 700, 180, 716, 1, {0.25f, 0.5f, 0.25f, 0.5f});
    DrawText(12, 700, ("Tessalume " + std::string(programVersion) + " 64-bit").c_str(), 1);
}

void RecordPanelFrames()
{
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    ShadedOutline(8, 8, 483, 724, 0.5f, {0.5f, 0.1f, 0.5f, 0.1f});
    glBegin(GL_LINE_LOOP);
    glColor3f(1, 0, 0);
    glVertex3f(previewSquare.left, previewSquare.bottom, 0.5f);
    glColor3f(0.25f, 0.25f, 0.25f);
    glVertex3f(previewSquare.right, previewSquare.bottom, 0.5f);
    glColor3f(1, 0, 0);
    glVertex3f(previewSquare.right, previewSquare.top, 0.5f);
    glColor3f(0.25f, 0.25f, 0.25f);
    glVertex3f(previewSquare.left, previewSquare.top, 0.5f);
    glEnd();
}

// A bar 4 pixels high under the preview, as wide as the preview at 1000 attempts, shading from
// grey g at its left end to 1 - g at its right.
void DrawSearchProgress(const Quilt& quilt)
{
    const float g = static_cast<float>(LoadRelaxed(quilt.searchAttempts)) * 0.001f;
    const float left = previewSquare.left, right = left + (previewSquare.right - left) * g;
    glBegin(GL_QUAD_STRIP);
    glColor3f(g, g, g);
    glVertex2f(left, 205);
    glVertex2f(left, 209);
    glColor3f(1 - g, 1 - g, 1 - g);
    glVertex2f(right, 205);
    glVertex2f(right, 209);
    glEnd();
}

// The export's bar in the same place, as wide as the preview when the file is whole, in the red
// of the preview's frame rather than the search's grey: dark red at its left end, brightening
// towards its right as the file nears its end.
void DrawExportProgress(double share)
{
    const float f = static_cast<float>(std::clamp(share, 0.0, 1.0));
    const float left = previewSquare.left, right = left + (previewSquare.right - left) * f;
    glBegin(GL_QUAD_STRIP);
    glColor3f(0.5f, 0, 0);
    glVertex2f(left, 205);
    glVertex2f(left, 209);
    glColor3f(0.5f + 0.5f * f, 0, 0);
    glVertex2f(right, 205);
    glVertex2f(right, 209);
    glEnd();
}

}  // namespace

void SetupProjection()
{
    glEnable(GL_DEPTH_TEST);
    glViewport(0, 0, clientWidth, clientHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, clientWidth, 0, clientHeight, -20, 20);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ClearFrame();
}

void ClearFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void BuildStaticLists()
{
    BuildAboutPageList();
    versionLabelList = RecordList(RecordVersionLabel);
    panelFramesList = RecordList(RecordPanelFrames);
    BuildPreviewTexturesAndQuads();
}

void DrawFrame(const Quilt& quilt, const Settings& settings, const std::string& exportNotice,
               std::optional<double> exportProgress)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    DrawPreview();
    glCallList(panelFramesList);
    Draw(panelTabs);

    glDisable(GL_DEPTH_TEST);
    glCallList(versionLabelList);
    if (aboutShown) glCallList(aboutPageList);

    DrawPanelControls(quilt, settings);

    // Both notices share one place; when both apply both are drawn there. The bars share one
    // too, which an export under way takes: the search's own notice still says it goes on.
    if (!exportNotice.empty()) DrawText(491, 124, exportNotice.c_str(), 0);
    const bool searching = LoadRelaxed(quilt.searching) != 0;
    if (searching) DrawText(491, 124, "Searching...", 0);
    if (exportProgress)
        DrawExportProgress(*exportProgress);
    else if (searching)
        DrawSearchProgress(quilt);
}

}  // namespace tessalume
