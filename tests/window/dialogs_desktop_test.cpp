// The window program around its modal dialogs, as a person meets it on a private X server: the
// quilt goes on growing while a file chooser is open, and the quit question keeps Yes as its
// default after a chooser was closed with Escape.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "support/desktop_session.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

constexpr int exportTileX = 551, exportTileY = 191;  // in drawing coordinates

class DialogsOnTheDesktop : public DesktopTest {};

// Export Tile pressed as soon as the window shows, before the first refresh has started the
// worker: while the chooser is open (the typing keeps it open a good second) the quilt grows,
// and the tile written is that quilt, not the black of a picture nothing has plotted into yet.
// Quit straight after waits for the file.
TEST_F(DialogsOnTheDesktop, QuiltGrowsWhileAFileChooserIsOpen)
{
    if (!session.Start(folder, "7")) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(session.Ready());
    ASSERT_TRUE(session.Click(exportTileX, exportTileY));
    ASSERT_TRUE(session.Expect("command export-tile"));
    ASSERT_TRUE(session.Expect("dialog save-file"));
    const std::string tile = PathIn("tile.png");
    ASSERT_TRUE(TypePathInto(session.DisplayName(), "Save As", tile, session.Window()));
    ASSERT_TRUE(session.Expect("answer " + tile));
    // Quit at once: the program ends only once the file is whole, written while the window went on.
    ASSERT_TRUE(SendCloseRequest(session.DisplayName(), session.Window()));
    ASSERT_EQ(FindWindows(session.DisplayName(), "Tessalume", milliseconds(60000), session.Window()).size(), 1u);
    ASSERT_TRUE(Xdotool(session.DisplayName(), {"key", "Return"}));
    EXPECT_EQ(session.program->Wait(milliseconds(60000)), 0);
    const std::vector<std::string>& lines = session.program->Lines();
    const auto exported = std::find(lines.begin(), lines.end(), "exported " + tile);
    EXPECT_NE(exported, lines.end());
    EXPECT_LT(exported, std::find(lines.begin(), lines.end(), "quit"));
    const RgbPicture picture = DecodePng(ReadFile(tile));
    ASSERT_GT(picture.width, 0) << "no tile was written";
    const auto lit = std::count_if(picture.pixels.begin(), picture.pixels.end(), [](uint8_t v) { return v > 16; });
    EXPECT_GT(lit, static_cast<long>(picture.pixels.size() / 100)) << "the tile is black";
}

// Return answers the quit question Yes, also after a file chooser was closed with Escape.
TEST_F(DialogsOnTheDesktop, ReturnQuitsAfterAChooserWasEscaped)
{
    if (!session.Start(folder, "3")) GTEST_SKIP() << "no X server could be started";
    ASSERT_TRUE(session.Ready());
    ASSERT_TRUE(session.Click(exportTileX, exportTileY));
    ASSERT_TRUE(session.Expect("dialog save-file"));
    ASSERT_TRUE(PressKeyIn(session.DisplayName(), "Save As", "Escape", session.Window()));
    ASSERT_TRUE(session.Expect("answer cancel"));
    ASSERT_TRUE(SendCloseRequest(session.DisplayName(), session.Window()));
    ASSERT_TRUE(session.Expect("dialog Do you want to Quit?"));
    // The question shows; Return goes to whatever window has the keyboard, as a hand presses it.
    ASSERT_EQ(FindWindows(session.DisplayName(), "Tessalume", milliseconds(60000), session.Window()).size(), 1u);
    ASSERT_TRUE(Xdotool(session.DisplayName(), {"key", "Return"}));
    ASSERT_TRUE(session.Expect("answer Yes"));
    EXPECT_EQ(session.program->Wait(milliseconds(60000)), 0);
}

}  // namespace
}  // namespace tessalume
