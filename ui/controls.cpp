// Placeholder until the screen layout lands.
#include "ui/controls.h"

namespace tessalume {
Button exportTileButton, exportImageButton, randomButton, outputDirectoryButton, newButton, aboutButton,
    helpButton, quitButton, loadButton, saveButton;
ListBox intensityList, colorMappingList, antialiasingList, resolutionList, previewTypeList, outputFormatList,
    refreshIntervalList;
TSelector transformBrowserI, transformBrowserII;
Tab panelTabs;
SLWindow blurringSlider, tileSizeSlider, brightnessSlider;
OptionsBox blurringLock, transformLockI, transformLockII, colorMapLock;
void BuildControls() {}
}  // namespace tessalume
