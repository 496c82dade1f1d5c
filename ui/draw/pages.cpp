// The controls of the left panel's open page with the colour strip, and the controls every
// page shows.
#include <initializer_list>

#include "engine/engine.h"
#include "engine/relaxed.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"
#include "ui/draw/gl_shapes.h"

namespace tessalume {

namespace {

// A colour-map component as a byte: truncated and wrapped as an integer conversion does; a
// value beyond any integer gives 0.
GLubyte ColorByte(double component)
{
    if (!(component > -2147483648.0 && component < 2147483648.0)) return 0;
    return static_cast<GLubyte>(static_cast<int32_t>(component));
}

// Entries 0 to 254 of the colour map as one-pixel columns, framed. The worker may be drawing a
// new colour map meanwhile: the next frame shows it whole.
void DrawColorStrip(const ColorMapChannels& map)
{
    glBegin(GL_LINES);
    for (int i = 0; i < 255; ++i) {
        glColor3ub(ColorByte(LoadRelaxed(map.red[i])), ColorByte(LoadRelaxed(map.green[i])),
                   ColorByte(LoadRelaxed(map.blue[i])));
        glVertex3f(32.0f + static_cast<float>(i), 182, 0.5f);
        glVertex3f(32.0f + static_cast<float>(i), 198, 0.5f);
    }
    glEnd();
    Outline(28, 180, 290, 200, 0.5f, 0.25f);
}

void DrawAttractorPage(const Quilt& quilt, const Settings& settings)
{
    Draw(blurringLock);
    Draw(transformLockI);
    Draw(transformLockII);
    Draw(blurringSlider);
    Draw(transformBrowserI, LoadRelaxed(settings.transformShownI));
    Draw(transformBrowserII, LoadRelaxed(settings.transformShownII));
    Draw(randomButton);
    Draw(loadButton);
    Draw(saveButton);
    Draw(colorMapLock);
    DrawText(32, 206, "Color Map", 1);
    DrawColorStrip(quilt.colorMap);
}

void DrawRenderParametersPage()
{
    Draw(outputFormatList);
    Draw(resolutionList);
    Draw(antialiasingList);
    Draw(intensityList);
    Draw(colorMappingList);
    Draw(refreshIntervalList);
    Draw(outputDirectoryButton);
    DrawTileSizePanel(tileSizeSlider);
}

}  // namespace

void DrawPanelControls(const Quilt& quilt, const Settings& settings)
{
    if (panelTabs.selected == attractorPage)
        DrawAttractorPage(quilt, settings);
    else if (panelTabs.selected == renderParametersPage)
        DrawRenderParametersPage();

    Draw(brightnessSlider);
    for (Button* button : {&exportTileButton, &exportImageButton, &newButton, &aboutButton, &helpButton, &quitButton})
        Draw(*button);
    Draw(previewTypeList);
}

}  // namespace tessalume
