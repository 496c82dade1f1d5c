// The worker: batches of steps and plots on a thread of its own, and between batches the
// requests of the interface thread.
#include <system_error>

#include "imaging/imaging.h"

namespace tessalume {

bool Worker::Start(bool ownThread)
{
    if (started.load() == State::running) return true;
    // Before the thread exists: starting it publishes the orbits made from the first quilt.
    StartOrbits(grown, orbitCount, others);
    crew.Hire(orbitCount, workerNiceness);
    if (ownThread) {
        try {
            thread = std::jthread([this](std::stop_token stop) {
                LowerThisThreadsPriority(workerNiceness);
                while (!stop.stop_requested()) RunBatch(stop);
            });
        } catch (const std::system_error&) {
            return false;
        }
    }
    started.store(State::running);
    return true;
}

void Worker::Stop()
{
    if (thread.joinable()) {
        thread.request_stop();
        thread.join();
    }
    crew.Dismiss();
}

bool Worker::TakeUp(std::atomic<Request>& request)
{
    Request expected = Request::posted;
    return request.compare_exchange_strong(expected, Request::takenUp);
}

// Carried out; a request posted again meanwhile stays for the next pass.
void Worker::Finish(std::atomic<Request>& request)
{
    Request expected = Request::takenUp;
    request.compare_exchange_strong(expected, Request::none);
}

void Worker::WithdrawReset()
{
    Request expected = Request::posted;
    reset.compare_exchange_strong(expected, Request::none);
}

void Worker::WithdrawRandomColorMap()
{
    Request expected = Request::posted;
    randomColorMap.compare_exchange_strong(expected, Request::none);
    while (randomColorMap.load() == Request::takenUp) std::this_thread::yield();
}

void Worker::DropRequests()
{
    for (std::atomic<Request>* request : {&newQuilt, &reset, &randomColorMap}) {
        Request expected = Request::posted;
        request->compare_exchange_strong(expected, Request::none);
    }
    keepPicture.store(false);
    const std::lock_guard hold(recipeLock);
    postedRecipe.reset();
}

// The last quilt asked for is the one made: a search posted after a recipe forgets the recipe.
void Worker::PostNewQuilt(std::optional<Recipe> recipe)
{
    {
        const std::lock_guard hold(recipeLock);
        postedRecipe = std::move(recipe);
    }
    newQuilt.store(Request::posted, std::memory_order_release);
}

Recipe Worker::RecipeOfPicture() const
{
    // The steps first: once one counts, the start of their picture is noted.
    const uint64_t steps = LoadRelaxed(grown.stepsPlotted);
    Recipe recipe;
    {
        const std::lock_guard hold(recipeLock);
        recipe = pictureStart;
    }
    // Every orbit grows a batch each pass: as many steps each.
    recipe.stepsPlotted = steps * static_cast<uint64_t>(orbitCount);
    recipe.orbits = orbitCount;
    recipe.colorMap = CopyColorMap(grown.colorMap);
    // The resolution and the antialiasing change only under the held picture.
    recipe.resolution = grown.resolution;
    recipe.antialiasing = grown.antialiasing;
    recipe.colorMapping = LoadRelaxed(grown.colorMapping);
    recipe.intensity = LoadRelaxed(grown.intensity);
    recipe.brightness = LoadRelaxed(settings.brightness);
    return recipe;
}

void Worker::RunBatch(std::stop_token stop)
{
    if (refreshing.load(std::memory_order_acquire) && others.empty()) {
        std::this_thread::yield();  // the refresh is reading the accumulators: leave the core to it
    } else {
        // Before the picture's first batch: where it begins, noted for the exports' recipes
        // before any step counts.
        if (grown.stepsPlotted == 0) {
            const std::lock_guard hold(recipeLock);
            pictureStart = RecipeOf(grown, settings);
        }
        crew.GrowPass(grown, others);
    }
    HandleRequests(stop);
    SumIfWanted();
}

void Worker::SumIfWanted()
{
    if (others.empty() || !sumWanted.exchange(false, std::memory_order_acquire)) return;
    const std::lock_guard hold(sumLock);
    crew.SumPass(grown, others, summed);
    sumShowable = true;
}

void Worker::ForgetSum()
{
    const std::lock_guard hold(sumLock);
    sumShowable = false;
}

bool Worker::TonePicture(double brightness)
{
    if (others.empty()) return ToneQuilt(grown, brightness);
    bool toned = false;
    {
        const std::lock_guard hold(sumLock);
        toned = sumShowable && ToneQuilt(grown, summed, brightness);
    }
    sumWanted.store(true, std::memory_order_release);
    return toned;
}

// A new quilt first, then a random colour map, then a reset. The clear of a request publishes
// everything the worker did for it; a request whose clear meets an export waits for the next
// pass.
void Worker::HandleRequests(std::stop_token stop)
{
    if (newQuilt.load(std::memory_order_acquire) != Request::none) {
        std::optional<Recipe> recipe;
        {
            const std::unique_lock hold(pictureLock, std::try_to_lock);
            if (!hold) return;
            {
                const std::lock_guard holdRecipe(recipeLock);
                recipe.swap(postedRecipe);
            }
            if (recipe) {
                // In place of the search; the settings again, as a search may have changed them
                // since the interface took them.
                TakeRecipeSettings(settings, *recipe);
                AdoptRecipe(grown, settings, *recipe);
            } else {
                ClearQuilt(grown, LoadRelaxed(settings.intensity));
            }
        }
        if (!recipe && !NewQuilt(grown, settings, stop)) return;
        StartOrbits(grown, orbitCount, others);
        ForgetSum();
        // A recipe posted during the search stays posted.
        const std::lock_guard holdRecipe(recipeLock);
        if (!postedRecipe) newQuilt.store(Request::none, std::memory_order_release);
    }
    // Looked at before the random map: a reset posted with it is then seen with it, and the map
    // is drawn before the reset clears what was plotted with the old one.
    const bool resetPosted = reset.load(std::memory_order_acquire) == Request::posted;
    if (TakeUp(randomColorMap)) {
        RandomColorMap(grown);
        for (Quilt& other : others) FollowQuilt(other, grown);
        Finish(randomColorMap);
    }
    if (!resetPosted) return;
    const std::unique_lock hold(pictureLock, std::try_to_lock);
    if (!hold || !TakeUp(reset)) return;
    const bool clear = !keepPicture.exchange(false);
    if (clear) ClearQuilt(grown, LoadRelaxed(settings.intensity));
    ApplySettings(grown, settings);
    for (Quilt& other : others) {
        FollowQuilt(other, grown);
        if (clear) ClearOrbit(other);
    }
    if (clear || summed.size() != grown.accumulators.size()) ForgetSum();  // summed is the worker's to write
    if (whileResetTakenUp) whileResetTakenUp();
    Finish(reset);
}

}  // namespace tessalume
