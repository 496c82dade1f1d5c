// The keyboard: one table of shortcuts, each giving the command of a click (the same trace line),
// so that a quilt can be found, looked at and exported without the mouse.
#include "app/shell.h"
#include "ui/controls.h"
#include "ui/draw/draw.h"

namespace tessalume {
namespace {

constexpr Shortcut shortcutTable[] = {
    {'n', 0, "N", PressNew},
    {' ', 0, "Space", PressNew},
    {'s', ctrlHeld, "Ctrl+S", PressExportTile},
    {'e', ctrlHeld, "Ctrl+E", PressExportImage},
    {'o', ctrlHeld, "Ctrl+O", PressLoad},
    {'s', ctrlHeld | shiftHeld, "Ctrl+Shift+S", PressSave},
    {keyLeft, altHeld, "Alt+Left", PressBack},
    {keyRight, altHeld, "Alt+Right", PressForward},
    {keyTab, 0, "Tab", [] { OpenPage(panelTabs.selected == attractorPage ? renderParametersPage : attractorPage); }},
    {'t', 0, "T", [] { ChoosePreviewType(1 - previewTypeList.selected); }},
    {'1', 0, "1", [] { ChooseResolution(0); }},
    {'2', 0, "2", [] { ChooseResolution(1); }},
    {'3', 0, "3", [] { ChooseResolution(2); }},
    {keyF1, 0, "F1", PressHelp},
    {keyEscape, 0, "Escape", [] { if (aboutShown) PressAbout(); }},
    {'q', ctrlHeld, "Ctrl+Q", PressQuit},
};

}  // namespace

const std::span<const Shortcut> shortcuts(shortcutTable);

void HandleKey(int32_t key, uint8_t modifiers)
{
    for (const Shortcut& shortcut : shortcuts)
        if (shortcut.key == key && shortcut.modifiers == modifiers) return shortcut.command();
}

}  // namespace tessalume
