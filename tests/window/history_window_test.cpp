// Back and Forward in the window: each quilt found is kept as its recipe, and the keys grow an
// earlier or a later one afresh from its orbit, with its colour map and settings.
#include "tests/window/fake_platform.h"

namespace tessalume {
namespace {

class WindowHistory : public ShellTest {
protected:
    static void Press(int32_t key, uint8_t modifiers)
    {
        MainWindowProc(Message{.kind = MessageKind::KeyDown, .key = key, .modifiers = modifiers});
    }
    // The worker carries out what was asked, plots a batch, and a refresh shows it.
    static std::string GrowAndShow()
    {
        windowWorker.HandleRequests();
        windowWorker.RunBatch();
        MainWindowProc(Message{MessageKind::Timer});
        const auto hold = windowWorker.HoldPicture();
        return FormatRecipe(windowWorker.RecipeOfPicture());
    }
};

TEST_F(WindowHistory, BackReturnsToTheFirstQuiltAfterTwoNewsAndForwardToTheSecond)
{
    Press('n', 0);
    const std::string first = GrowAndShow();
    Press('n', 0);
    const std::string second = GrowAndShow();
    ASSERT_NE(first, second);
    windowSettings.colorMapLocked = true;
    refreshIntervalList.selected = 3;
    platform.timerPeriods.clear();

    // One batch from the recipe's orbit: the very recipe the first quilt had after its first.
    // The refresh starts over at its quickest, as after New.
    Press(keyLeft, altHeld);
    ASSERT_TRUE(windowWorker.NewQuiltPending());
    EXPECT_EQ(GrowAndShow(), first);
    EXPECT_TRUE(windowSettings.colorMapLocked);
    EXPECT_EQ(refreshIntervalList.selected, 0);
    const std::vector<uint32_t> restarted{refreshIntervalTable[0].milliseconds};
    EXPECT_EQ(platform.timerPeriods, restarted);

    // At the first quilt Back has nowhere to go and leaves the timer be; Forward grows the
    // second again, which shows that going back recorded nothing new.
    Press(keyLeft, altHeld);
    EXPECT_FALSE(windowWorker.NewQuiltPending());
    EXPECT_EQ(platform.timerPeriods, restarted);
    refreshIntervalList.selected = 3;
    Press(keyRight, altHeld);
    EXPECT_EQ(GrowAndShow(), second);
    EXPECT_EQ(refreshIntervalList.selected, 0);
    Press(keyRight, altHeld);
    EXPECT_FALSE(windowWorker.NewQuiltPending());

    // A New after Back leaves no way forward to the quilt it replaced.
    Press(keyLeft, altHeld);
    GrowAndShow();
    Press('n', 0);
    const std::string third = GrowAndShow();
    Press(keyRight, altHeld);
    EXPECT_FALSE(windowWorker.NewQuiltPending());
    Press(keyLeft, altHeld);
    EXPECT_EQ(GrowAndShow(), first);
    Press(keyRight, altHeld);
    EXPECT_EQ(GrowAndShow(), third);
}

// Back pressed while a New is still searched for returns to the quilt it was pressed on.
TEST_F(WindowHistory, BackDuringTheSearchReturnsToTheQuiltNewLeft)
{
    Press('n', 0);
    const std::string first = GrowAndShow();
    Press('n', 0);
    Press(keyLeft, altHeld);
    EXPECT_EQ(GrowAndShow(), first);
}

}  // namespace
}  // namespace tessalume
