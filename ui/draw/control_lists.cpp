// Records the display lists of every control once the controls stand at their places.
#include <initializer_list>

#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {

void BuildControlLists()
{
    for (Button* button : {&exportTileButton, &exportImageButton, &randomButton, &outputDirectoryButton, &newButton,
                           &aboutButton, &helpButton, &quitButton, &loadButton, &saveButton})
        BuildLists(*button);
    for (ListBox* list : {&intensityList, &colorMappingList, &antialiasingList, &resolutionList, &previewTypeList,
                          &outputFormatList, &refreshIntervalList})
        BuildLists(*list);
    BuildLists(transformBrowserI);
    BuildLists(transformBrowserII);
    BuildLists(panelTabs);
    for (SLWindow* panel : {&blurringSlider, &tileSizeSlider, &brightnessSlider}) BuildLists(*panel);
    for (OptionsBox* lock : {&blurringLock, &transformLockI, &transformLockII, &colorMapLock}) BuildLists(*lock);
}

}  // namespace tessalume
