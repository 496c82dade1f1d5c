// Back and Forward through the quilts passed by since the program started.
#include "app/shell.h"
#include "engine/relaxed.h"

namespace tessalume {

QuiltHistory quiltHistory;

namespace {

// The program's first quilt is awaited from the start.
bool quiltAwaited = true;

void ReturnTo(const Recipe* recipe)
{
    if (!recipe) return;
    quiltAwaited = false;  // a New still searched for is given up for the quilt returned to
    GrowRecipe(*recipe);
    RestartRefresh();  // as after New: the quilt grown afresh is shown early and often
}

}  // namespace

void AwaitNewQuilt()
{
    quiltAwaited = true;
}

void RecordQuiltFound()
{
    // The start of the picture is noted before its first step counts; until then the worker's
    // recipe may still be the last quilt's.
    if (!quiltAwaited || windowWorker.NewQuiltPending() || LoadRelaxed(windowWorker.quilt().stepsPlotted) == 0)
        return;
    Recipe recipe;
    {
        const auto hold = windowWorker.HoldPicture();
        recipe = windowWorker.RecipeOfPicture();
    }
    quiltHistory.Visit(recipe);
    quiltAwaited = false;
    Trace("quilt kept " + std::to_string(quiltHistory.size()));
}

void PressBack()
{
    Trace("command back");
    // While a New is searched for, its quilt is not in the history yet: Back returns to the one
    // it was pressed on.
    ReturnTo(quiltAwaited ? quiltHistory.Current() : quiltHistory.Back());
}

void PressForward()
{
    Trace("command forward");
    if (!quiltAwaited) ReturnTo(quiltHistory.Forward());
}

}  // namespace tessalume
