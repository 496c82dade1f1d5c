// Recipes in the window: a picture dropped on it or chosen with Load reopens its quilt, which
// grows on exactly as it grew where it was made; exports carry the quilt's recipe; a picture
// without one is never read as a colour map.
#include <cstring>

#include "tests/window/fake_platform.h"

namespace tessalume {
namespace {

class WindowRecipes : public ShellTest {
protected:
    // A quilt found and grown for two batches with settings unlike the window's start.
    void SetUp() override
    {
        ShellTest::SetUp();
        Settings settings;
        settings.resolution = 1, settings.antialiasing = 2, settings.intensity = 3, settings.colorMapping = 4;
        source = FreshQuilt(settings, 7);
        NewQuilt(source, settings);
        ApplySettings(source, settings);
        GrowBatch(source);
        GrowBatch(source);
        recipe = RecipeOf(source, settings);
        ASSERT_EQ(WritePictureAndRecipe(PathIn("quilt.png"), pngFormat, WholePicture(MakeTilePicture(source)),
                                        PictureNotes{FormatRecipe(recipe)}), "");
    }

    Quilt source;
    Recipe recipe;
};

TEST_F(WindowRecipes, ADroppedPictureReopensItsQuiltWhichGrowsOnAsItGrewAndExportsItsRecipe)
{
    windowSettings.colorMapLocked = true;
    MainWindowProc(Message{.kind = MessageKind::DropFile, .path = PathIn("quilt.png")});
    EXPECT_TRUE(platform.messages.empty());
    // The controls show the recipe's values at once; the lock stays.
    EXPECT_EQ(std::make_tuple(resolutionList.selected, antialiasingList.selected, intensityList.selected,
                              colorMappingList.selected), std::make_tuple(1, 2, 3, 4));
    EXPECT_EQ(brightnessSlider.value[0], static_cast<float>(recipe.brightness));
    EXPECT_EQ(blurringSlider.value[0], static_cast<float>(recipe.design.blurringFactor));
    EXPECT_TRUE(windowSettings.colorMapLocked);

    // The worker adopts it between batches; two batches draw the picture the recipe came from.
    ASSERT_TRUE(windowWorker.NewQuiltPending());
    windowWorker.HandleRequests();
    EXPECT_FALSE(windowWorker.NewQuiltPending() || windowWorker.ResetPending());
    windowWorker.RunBatch();
    windowWorker.RunBatch();
    const Quilt& grown = windowWorker.quilt();
    ASSERT_EQ(grown.accumulators.size(), source.accumulators.size());
    EXPECT_EQ(std::memcmp(grown.accumulators.data(), source.accumulators.data(),
                          source.accumulators.size() * sizeof(AccumulatorCell)), 0);

    // An export now carries the same recipe, the steps plotted so far included.
    platform.answer = PathIn("again.png");
    ExportTile();
    FinishExport();
    Recipe exported;
    ASSERT_EQ(ReadRecipeFile(PathIn("again.png"), exported), "");
    EXPECT_EQ(FormatRecipe(exported), FormatRecipe(recipe));
}

// Load tells a picture from a colour map by its first bytes: a picture without a recipe warns
// and changes nothing, where it would once have been read as a map of noise.
TEST_F(WindowRecipes, APictureWithoutARecipeIsRefusedAndNeverReadAsAColourMap)
{
    ASSERT_EQ(WritePicture(PathIn("plain.png"), pngFormat, MakeTilePicture(source)), "");
    ASSERT_EQ(WritePicture(PathIn("plain.bmp"), bmpFormat, MakeTilePicture(source)), "");
    const ColorMapChannels before = windowWorker.quilt().colorMap;
    for (const char* name : {"plain.png", "plain.bmp"}) {
        SCOPED_TRACE(name);
        platform.answer = PathIn(name);
        EXPECT_FALSE(LoadColorMapFile());
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_NE(platform.messages[0].first.find("cannot reopen the quilt"), std::string::npos);
        platform.messages.clear();
        EXPECT_FALSE(windowWorker.NewQuiltPending());
        EXPECT_EQ(std::memcmp(&windowWorker.quilt().colorMap, &before, sizeof before), 0);
    }
}

}  // namespace
}  // namespace tessalume
