// The SDL platform's GTK dialogs where GTK cannot start. GTK starts only once per process, so
// this runs in a forked child that has not touched GTK. Dialogs answered on a display are met
// in commands_desktop_test.cpp.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "app/shell.h"
#include "files/files.h"
#include "fixtures.h"
#include "support/desktop_session.h"

namespace tessalume {
namespace {

// GTK reads the locale while it starts, before it looks for a display: LC_ALL asks for one that
// is not "C", which the program must refuse.
TEST(GtkDialogs, WithoutADisplayEveryDialogFailsAndNothingChanges)
{
    ChildProcess child(Fork([] {
        unsetenv("DISPLAY"), unsetenv("WAYLAND_DISPLAY");
        setenv("LC_ALL", "C.UTF-8", 1);
        InstallPlatform(&SdlPlatform());
        ColorMapChannels& map = windowWorker.quilt().colorMap;
        for (int i = 0; i < 256; ++i) map.red[i] = i * 0.75 + 0.125, map.green[i] = 255 - i * 0.5;
        const ColorMapChannels palette = map;
        chosenFilePath = "kept";
        windowSettings.outputFolder = "/tmp";
        if (ChooseExportFile(0) || ChooseColorMapFile() || LoadColorMapFile() || SaveColorMapFile()) return 1;
        ChooseOutputDirectory();
        if (chosenFilePath != "kept" || windowSettings.outputFolder != "/tmp") return 2;
        if (std::memcmp(&palette, &map, sizeof palette) != 0) return 3;
        const char* locale = std::setlocale(LC_ALL, nullptr);
        return locale && std::strcmp(locale, "C") == 0 ? 0 : 4;
    }));
    EXPECT_EQ(child.Wait(milliseconds(30000)), 0)
        << "1 a dialog succeeded, 2 a path changed, 3 the palette changed, 4 the locale changed";
}

}  // namespace
}  // namespace tessalume
