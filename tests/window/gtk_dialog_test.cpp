// The real GTK dialogs. GTK starts only once per process and on one display, so the dialog side
// of each test runs in a forked child that has not touched GTK; the parent types into the dialog
// on its own X server with xdotool.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <clocale>
#include <cstring>

#include "app/platform/gtk_desktop.h"
#include "files/files.h"
#include "fixtures.h"
#include "support/desktop_session.h"

namespace tessalume {
namespace {

void FillPalette()
{
    for (int i = 0; i < 256; ++i) ColorMap.red[i] = i * 0.75 + 0.125, ColorMap.green[i] = 255 - i * 0.5, ColorMap.blue[i] = i - 1.5;
}

// For a forked child: GTK on the display (none when empty), in an environment in which it would
// pick the user's locale if allowed.
void UseGtkOn(const std::string& display)
{
    if (display.empty()) unsetenv("DISPLAY"), unsetenv("WAYLAND_DISPLAY");
    else setenv("DISPLAY", display.c_str(), 1);
    for (const auto& [name, value] : {std::pair{"GSETTINGS_BACKEND", "memory"}, {"NO_AT_BRIDGE", "1"}, {"LC_ALL", "C.UTF-8"}})
        setenv(name, value, 1);
    UseGtkDesktop();
    FillPalette();
}

bool ReadableWithin(int fd, int milliseconds)
{
    pollfd ready = {fd, POLLIN, 0};
    return poll(&ready, 1, milliseconds) > 0;
}

bool StillInCLocale()
{
    const char* locale = std::setlocale(LC_ALL, nullptr);
    return locale && std::strcmp(locale, "C") == 0;
}

class GtkDialogs : public ScratchFolder {};

TEST_F(GtkDialogs, WithoutADisplayEveryDialogFailsAndNothingChanges)
{
    ChildProcess child(Fork([] {
        UseGtkOn("");
        const ColorMapChannels palette = ColorMap;
        chosenFilePath = "kept";
        outputDirectory = "/tmp";
        if (ChooseExportFile(0) || ChooseColorMapFile() || LoadColorMapFile() || SaveColorMapFile()) return 1;
        ChooseOutputDirectory();
        if (chosenFilePath != "kept" || outputDirectory != "/tmp") return 2;
        if (std::memcmp(&palette, &ColorMap, sizeof palette) != 0) return 3;
        return StillInCLocale() ? 0 : 4;
    }));
    EXPECT_EQ(child.Wait(milliseconds(30000)), 0)
        << "1 a dialog succeeded, 2 a path changed, 3 the palette changed, 4 the locale changed";
}

TEST_F(GtkDialogs, SaveDialogWritesTheColorMapToTheTypedPathAndIsGoneWhenTheSaveReturns)
{
    VirtualDisplay display;
    if (!display.Start()) GTEST_SKIP() << "no X server could be started";

    // The child reports on one pipe when the save returned, then waits on the other until the
    // parent has looked at the screen.
    int saved[2], proceed[2];
    ASSERT_TRUE(pipe(saved) == 0 && pipe(proceed) == 0);
    ChildProcess child(Fork([&] {
        UseGtkOn(display.Name());
        outputDirectory = folder.string();
        const char report = SaveColorMapFile() ? (StillInCLocale() ? 'y' : 'l') : 'n';
        if (write(saved[1], &report, 1) != 1) return 5;
        char go = 0;
        if (ReadableWithin(proceed[0], 20000) && read(proceed[0], &go, 1) < 0) return 6;
        return report == 'y' ? 0 : 1;
    }));
    close(saved[1]), close(proceed[0]);

    ASSERT_TRUE(TypePathInto(display.Name(), "Save As", (folder / "palette").string())) << "no save dialog to type into";

    char report = 0;
    ASSERT_TRUE(ReadableWithin(saved[0], 30000) && read(saved[0], &report, 1) == 1) << "the save did not return";
    EXPECT_TRUE(FindWindows(display.Name(), "Save As", milliseconds(0)).empty());
    EXPECT_EQ(write(proceed[1], "g", 1), 1);
    EXPECT_EQ(child.Wait(milliseconds(10000)), 0) << "report " << report;
    close(saved[0]), close(proceed[1]);

    // The default extension was added to the typed name.
    FillPalette();
    EXPECT_EQ(ReadFile(folder / "palette.map"), FormatColorMapText());
}

}  // namespace
}  // namespace tessalume
