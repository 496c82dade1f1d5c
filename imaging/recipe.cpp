// A quilt's recipe taken from it, and a quilt made from a recipe.
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "imaging/imaging.h"

namespace tessalume {

Recipe RecipeOf(const Quilt& quilt, const Settings& settings)
{
    Recipe recipe;
    recipe.stepsPlotted = quilt.stepsPlotted;
    recipe.runNumber = quilt.runNumber;
    recipe.design = quilt.design;
    recipe.orbit = quilt.stepsPlotted > 0 ? quilt.pictureStart : quilt.orbit;
    recipe.search = quilt.search;
    recipe.acceptedX = quilt.acceptedX;
    recipe.acceptedY = quilt.acceptedY;
    // Read whole: in the window the worker notes the recipe while the interface may store a
    // colour map, a mapping or a brightness.
    recipe.colorMap = CopyColorMap(quilt.colorMap);
    // A period no resolution has (the renderer's --period) is kept as its height.
    recipe.resolution = quilt.resolution >= 0 ? quilt.resolution : 0;
    recipe.periodHeight = quilt.resolution >= 0 ? 0 : quilt.periodHeight;
    recipe.colorMapping = LoadRelaxed(quilt.colorMapping);
    recipe.antialiasing = quilt.antialiasing;
    recipe.intensity = LoadRelaxed(quilt.intensity);
    recipe.brightness = LoadRelaxed(settings.brightness);
    return recipe;
}

void TakeRecipeSettings(Settings& settings, const Recipe& recipe)
{
    StoreRelaxed(settings.resolution, recipe.resolution);
    StoreRelaxed(settings.periodHeight, recipe.periodHeight);
    StoreRelaxed(settings.colorMapping, recipe.colorMapping);
    StoreRelaxed(settings.antialiasing, recipe.antialiasing);
    StoreRelaxed(settings.intensity, recipe.intensity);
    StoreRelaxed(settings.brightness, recipe.brightness);
    StoreRelaxed(settings.blurringFactor, recipe.design.blurringFactor);
    const int32_t indexI = recipe.design.transformIndexI, indexII = recipe.design.transformIndexII;
    if (!LoadRelaxed(settings.transformILocked)) StoreRelaxed(settings.transformI, indexI);
    if (!LoadRelaxed(settings.transformIILocked)) StoreRelaxed(settings.transformII, indexII);
    StoreRelaxed(settings.transformShownI, indexI);
    StoreRelaxed(settings.transformShownII, indexII);
    // The browsers show ten entries a page.
    StoreRelaxed(settings.browserPageI, indexI / 10 * 10);
    StoreRelaxed(settings.browserPageII, indexII / 10 * 10);
}

void AdoptRecipe(Quilt& quilt, const Settings& settings, const Recipe& recipe)
{
    // The export digits end the design and are read by export names on the interface thread,
    // each whole; the rest of the design is the worker's alone.
    static_assert(std::is_trivially_copyable_v<QuiltDesign> &&
                  sizeof(QuiltDesign) - offsetof(QuiltDesign, codeDigits) < sizeof(QuiltDesign::codeDigits) + alignof(QuiltDesign));
    std::memcpy(static_cast<void*>(&quilt.design), &recipe.design, offsetof(QuiltDesign, codeDigits));
    for (std::size_t i = 0; i < std::size(recipe.design.codeDigits); ++i)
        StoreRelaxed(quilt.design.codeDigits[i], recipe.design.codeDigits[i]);
    StoreRelaxed(quilt.runNumber, recipe.runNumber);
    quilt.orbit = recipe.orbit;
    quilt.search = recipe.search;
    quilt.acceptedX = recipe.acceptedX;
    quilt.acceptedY = recipe.acceptedY;
    quilt.orbitRestarts = 0;
    StoreColorMap(quilt.colorMap, recipe.colorMap);
    SelectTransformations(quilt);
    // Sized again even at the same resolution: the scale follows the recipe's lattice.
    const int32_t intensity = LoadRelaxed(settings.intensity);
    SetResolution(quilt, LoadRelaxed(settings.resolution), BackgroundOf(intensity));
    ApplySettings(quilt, settings);
    ClearQuilt(quilt, intensity);
}

}  // namespace tessalume
