// Every control of the screen. A control's value is the setting: a list's selected, a slider's
// value array, a lock box's entry 0. The engine and the files read their settings here.
#pragma once
#include "ui/widgets.h"

namespace tessalume {

extern Button exportTileButton, exportImageButton, randomButton, outputDirectoryButton, newButton,
    aboutButton, helpButton, quitButton, loadButton, saveButton;

extern ListBox intensityList, colorMappingList, antialiasingList, resolutionList, previewTypeList,
    outputFormatList, refreshIntervalList;

extern TSelector transformBrowserI, transformBrowserII;

extern Tab panelTabs;

extern SLWindow blurringSlider, tileSizeSlider, brightnessSlider;

extern OptionsBox blurringLock, transformLockI, transformLockII, colorMapLock;

// Builds every control at its place with its labels, entries and start value, makes it
// visible, in the fixed order of the screen.
void BuildControls();

// The antialiasing radius of each "Antialiasing" entry, as a click on the list sets it.
inline constexpr double antialiasRadiusOfEntry[5] = {1.0, 1.25, 1.5, 1.75, 2.0};

}  // namespace tessalume
