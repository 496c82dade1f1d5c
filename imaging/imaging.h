// Imaging's door: the plot functions that stamp a quilt's orbit into its accumulators, the
// intensity functions that make its picture of them, the preview copy of that picture, the
// settings taken into the quilt between batches, and the worker that grows a quilt on its own
// thread.
#pragma once
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

#include "engine/engine.h"

namespace tessalume {

// A plot function stamps the step just made at the 13 lattice translates.
using PlotFunction = void (*)(Quilt&);
// An intensity function turns accumulator cells of the quilt's period (its own, or the sum of
// its orbits') into its picture with the gain of the brightness; false when nothing was plotted
// yet (the picture then stays as it is).
using IntensityFunction = bool (*)(Quilt&, std::span<const AccumulatorCell> cells, double brightness);

// The plot functions, plain and antialiased, in the order of the "Color Mapping Function" list.
void PlotDistance(Quilt&);
void PlotAngle(Quilt&);
void PlotSinusoidal(Quilt&);
void PlotSquareWave(Quilt&);
void PlotTriangleWave(Quilt&);
void PlotCircular(Quilt&);
void PlotCircularII(Quilt&);
void PlotDistanceAntialiased(Quilt&);
void PlotAngleAntialiased(Quilt&);
void PlotSinusoidalAntialiased(Quilt&);
void PlotSquareWaveAntialiased(Quilt&);
void PlotTriangleWaveAntialiased(Quilt&);
void PlotCircularAntialiased(Quilt&);
void PlotCircularIIAntialiased(Quilt&);

// The intensity functions, in the order of the "Intensity Function" list.
bool IntensityVeryLow(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityLow(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityMedium(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityHigh(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityVeryHigh(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityLowContrast(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityVeryBright(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityWhiteI(Quilt&, std::span<const AccumulatorCell>, double brightness);
bool IntensityWhiteII(Quilt&, std::span<const AccumulatorCell>, double brightness);

// The lists that choose the imaging functions, one row per entry in list order: what the
// list shows, and everything that follows from picking the entry.

// "Intensity Function": the function and the ground of the quilt's picture it draws on.
struct IntensityEntry {
    const char* label;
    IntensityFunction function;
    uint8_t background;  // every byte of the picture after a clear: black, or white
};
inline constexpr const char* intensityTitle = "Intensity Function";
inline constexpr IntensityEntry intensityTable[] = {
    {"Very Low Br.", IntensityVeryLow, 0},
    {"Low Brightness", IntensityLow, 0},
    {"Medium Brightness", IntensityMedium, 0},
    {"High Brightness", IntensityHigh, 0},
    {"Very High Br.", IntensityVeryHigh, 0},
    {"Low Constrast", IntensityLowContrast, 0},
    {"Very Bright", IntensityVeryBright, 0},
    {"White I", IntensityWhiteI, 255},
    {"White II", IntensityWhiteII, 255},
};

// "Color Mapping Function": the plot function of the mapping, plain and antialiased.
struct ColorMappingEntry {
    const char* label;
    PlotFunction plain, antialiased;
};
inline constexpr const char* colorMappingTitle = "Color Mapping Function";
inline constexpr ColorMappingEntry colorMappingTable[] = {
    {"Distance", PlotDistance, PlotDistanceAntialiased},
    {"Angle", PlotAngle, PlotAngleAntialiased},
    {"Sinusoidal", PlotSinusoidal, PlotSinusoidalAntialiased},
    {"Square Wave", PlotSquareWave, PlotSquareWaveAntialiased},
    {"Triangle Wave", PlotTriangleWave, PlotTriangleWaveAntialiased},
    {"Circular", PlotCircular, PlotCircularAntialiased},
    {"Circular II", PlotCircularII, PlotCircularIIAntialiased},
};

// "Antialiasing": the splat radius of the entry, and whether the entry selects the antialiased
// plot functions (which also raise the intensity gain by half).
struct AntialiasingEntry {
    const char* label;
    double radius;
    bool antialiased;
};
inline constexpr const char* antialiasingTitle = "Antialiasing";
inline constexpr AntialiasingEntry antialiasingTable[] = {
    {"Off", 1.0, false}, {"1.25X", 1.25, true}, {"1.5X", 1.5, true}, {"1.75X", 1.75, true}, {"2.0X", 2.0, true},
};

// True when the antialiasing entry is one that antialiases.
bool AntialiasingOn(int32_t antialiasing);
// The background of the intensity entry's picture; black for an entry outside the table.
uint8_t BackgroundOf(int32_t intensity);

// ---- Growing and toning a quilt ------------------------------------------------------------

// Takes the settings into the quilt: a new resolution (the picture and the accumulators start
// afresh), the intensity function, the colour mapping, the antialiasing, the blur.
void ApplySettings(Quilt& quilt, const Settings& settings);
// Paints the picture with the background of the intensity entry and zeroes the accumulators.
void ClearQuilt(Quilt& quilt, int32_t intensity);
// One batch: batchSteps steps of the orbit, each plotted with the function of the colour
// mapping and antialiasing in force, every stamp in the accumulators at the end.
void GrowBatch(Quilt& quilt);
// Adds every stamp still held back to the accumulators.
void FlushPlotQueue(Quilt& quilt);
// The picture made from the accumulators by the intensity function in force.
bool ToneQuilt(Quilt& quilt, double brightness);
// The picture made from cells of the quilt's period other than its own accumulators.
bool ToneQuilt(Quilt& quilt, std::span<const AccumulatorCell> cells, double brightness);
// The square, transposed and wrapped copy of the period that the preview texture shows:
// textureSize² pixels of 3 bytes.
void TilePreview(const Quilt& quilt, uint8_t* pixels);

// ---- Recipes ------------------------------------------------------------------------------

// Everything that fixes a quilt's picture: the design, the orbit where the picture began and the
// steps plotted from it, the colour map and the settings the picture was drawn and toned with.
// The same batches from the recipe's orbit draw the very same picture, and more batches grow it
// further, exactly as the quilt itself would have grown.
struct Recipe {
    std::optional<uint32_t> seed;  // when the seed alone makes the quilt (the renderer's)
    uint64_t stepsPlotted = 0;  // of all the orbits together
    int32_t orbits = 1;         // that grew the picture together, each as many steps
    int32_t runNumber = 0;
    QuiltDesign design;
    Orbit orbit;  // as the picture's first batch found it
    Settings::Search search = Settings::Search::plain;
    double acceptedX = 0, acceptedY = 0;
    ColorMapChannels colorMap{};
    int32_t resolution = 0, colorMapping = 0, antialiasing = 0, intensity = 1;
    int32_t periodHeight = 0;  // a period of this height in place of the resolution's; 0: none
    double brightness = 5.0;
    int32_t tiledWidth = 0, tiledHeight = 0;  // the tiled picture's size; 0 for the tile
};

// The recipe of the picture in the quilt's accumulators, with the settings' brightness. For the
// thread that grows the quilt; the window's exports ask the worker (RecipeOfPicture).
Recipe RecipeOf(const Quilt& quilt, const Settings& settings);
// The recipe's choices in the settings, as a new quilt makes them (the list entries, the
// brightness, the blurring factor, the transformation entries and pages); the locks stay. An
// unlocked transformation entry becomes the recipe's, as a search would draw it.
void TakeRecipeSettings(Settings& settings, const Recipe& recipe);
// The quilt made the recipe's (design, orbit, colour map, search), the settings taken in and
// the picture cleared: the batches that follow draw the recipe's picture.
void AdoptRecipe(Quilt& quilt, const Settings& settings, const Recipe& recipe);

// ---- Several orbits -----------------------------------------------------------------------

// A quilt may be grown by up to maxOrbits orbits at once. Orbit 1 is the quilt itself, exactly
// as grown alone. Orbit k > 1 is a quilt of its own holding the first one's design, colour map
// and settings in force, with its own accumulators (no picture) and its own orbit: its
// generator seeded with orbitSeedOf(quilt, k), it starts from the accepted point and is moved
// on by orbitLeadSteps unplotted steps. The picture is made from the sum of all the orbits'
// accumulators in orbit order, so it depends on the number of orbits and the steps of each,
// never on the threads that grew them.
inline constexpr int32_t maxOrbits = 64;
inline constexpr int32_t orbitLeadSteps = 1000;
// The first orbit's newest generator word, exclusive-or k times 2654435769 (2³² over the golden
// ratio), which spreads the seeds of neighbouring orbits over the whole word.
inline uint32_t orbitSeedOf(const Quilt& quilt, int32_t k) { return quilt.orbit.random.x0 ^ (static_cast<uint32_t>(k) * 2654435769u); }

// One orbit per processor the system reports (1 when it reports none), at most maxOrbits.
inline int32_t OrbitsPerProcessor()
{
    return static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, static_cast<unsigned>(maxOrbits)));
}

// Orbits 2..count of the quilt as it now stands (after its search): others holds count - 1.
void StartOrbits(const Quilt& quilt, int32_t count, std::vector<Quilt>& others);
// An orbit takes the first one's design, colour map and settings in force, keeping its point,
// its generator and its accumulators (which start afresh when the period changes).
void FollowQuilt(Quilt& other, const Quilt& quilt);
// Zeroes an orbit's accumulators, as ClearQuilt does the first one's.
void ClearOrbit(Quilt& other);
// The cells of the quilt and its other orbits summed in orbit order into sum (sized to the
// period). The orbits may grow meanwhile: every cell is read whole.
void SumOrbits(const Quilt& quilt, std::span<const Quilt> others, std::vector<AccumulatorCell>& sum);
// The same for the cells first..end - 1 alone, into a sum already sized to the period: each cell
// is summed alone, so stretches summed apart give the whole sum.
void SumOrbitCells(const Quilt& quilt, std::span<const Quilt> others, std::span<AccumulatorCell> sum,
                   std::size_t first, std::size_t end);
// The picture of the quilt and its other orbits: with no others, ToneQuilt itself; otherwise
// SumOrbits, then the sum toned.
bool ToneOrbits(Quilt& quilt, std::span<const Quilt> others, std::vector<AccumulatorCell>& sum, double brightness);
// The times all the orbits together started again from the accepted point.
int64_t OrbitRestarts(const Quilt& quilt, std::span<const Quilt> others);

// The window's orbits grow below the interface thread's priority, so that with one orbit per
// core input and frames still get a core at once; a niceness of 0 leaves the thread as it is.
inline constexpr int32_t workerNiceness = 5;
void LowerThisThreadsPriority(int32_t niceness);

// Threads that grow a quilt's orbits together, one pass at a time: in a pass every orbit grows
// one batch, on whichever thread takes it first, and the caller's thread is one of them. A
// batch depends only on its orbit, so the picture does not depend on which thread grew what.
class OrbitCrew {
public:
    OrbitCrew() = default;
    ~OrbitCrew() { Dismiss(); }
    OrbitCrew(const OrbitCrew&) = delete;
    OrbitCrew& operator=(const OrbitCrew&) = delete;

    // threads - 1 helpers beside the caller, each at the niceness given (see
    // LowerThisThreadsPriority); returns the threads the crew then has (fewer when the system
    // would not make them: still correct, only slower).
    int32_t Hire(int32_t threads, int32_t niceness = 0);
    void Dismiss();
    // One batch of every orbit; returns when all are done.
    void GrowPass(Quilt& quilt, std::span<Quilt> others);
    // SumOrbits, the period shared out among the crew in stretches; returns when all are done.
    // Between passes, so that no orbit grows meanwhile.
    void SumPass(const Quilt& quilt, std::span<const Quilt> others, std::vector<AccumulatorCell>& sum);

private:
    // Every thread of the crew takes the items 0..count - 1 in turn and does each; returns when
    // all are done.
    void RunPass(int32_t count, std::function<void(int32_t)> item);
    void Help(std::stop_token stop, int32_t niceness);
    void DoItemsTaken();

    std::mutex lock;
    std::condition_variable_any passStarted;
    std::condition_variable passFinished;
    uint64_t passes = 0;       // under lock
    int32_t helpersBusy = 0;   // under lock
    // The pass's work, set under lock before it starts.
    std::function<void(int32_t)> passItem;
    int32_t passItems = 0;
    std::atomic<int32_t> nextItem{0};
    std::vector<std::jthread> helpers;
};

// ---- The worker ----------------------------------------------------------------------------

// Grows one quilt on a thread of its own, in batches, and carries out between batches what the
// interface thread asks of it. It owns its quilt; the settings are the interface's, read and
// written whole on both sides. Only the worker draws from the quilt's generators once it runs.
class Worker {
public:
    explicit Worker(Settings& settings) : settings(settings) {}
    ~Worker() { Stop(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // The quilt, for the interface thread between requests, and for the thread that grows it.
    Quilt& quilt() { return grown; }
    const Quilt& quilt() const { return grown; }
    // Orbits 2 and on, for reading between requests.
    std::span<const Quilt> otherOrbits() const { return others; }

    // How many orbits grow the quilt (1..maxOrbits), each on a thread of its own; set before Start.
    void SetOrbits(int32_t count) { orbitCount = std::clamp(count, 1, maxOrbits); }
    int32_t orbits() const { return orbitCount; }

    // The thread, started once; it runs until Stop or the worker's end. Started without a thread
    // of its own, the worker runs only the batches its owner runs (tests). Start is false when
    // no thread could be made; the worker then stays not started.
    enum class State : uint8_t { notStarted, running };
    State state() const { return started.load(); }
    bool Start(bool ownThread = true);
    void Stop();

    // Requests, looked at between batches. A reset takes the settings into the quilt and
    // clears it, unless it is asked to keep the picture; a new quilt clears and searches.
    void PostNewQuilt() { PostNewQuilt(std::nullopt); }
    // A new quilt made from a recipe instead of a search; its settings must already be in the
    // settings (TakeRecipeSettings). Pending as a new quilt is.
    void PostRecipe(const Recipe& recipe) { PostNewQuilt(recipe); }
    bool NewQuiltPending() const { return newQuilt.load(std::memory_order_acquire) != Request::none; }
    void PostReset() { reset.store(Request::posted, std::memory_order_release); }
    bool ResetPending() const { return reset.load(std::memory_order_acquire) != Request::none; }
    // Withdraws a reset not taken up yet.
    void WithdrawReset();
    // Whether the next reset leaves the picture and the accumulators as they are.
    void KeepPictureOnNextReset(bool keep) { keepPicture.store(keep, std::memory_order_release); }
    bool KeepsPictureOnNextReset() const { return keepPicture.load(std::memory_order_acquire); }
    // "Random": the worker draws the map, being the one thread that draws numbers.
    void PostRandomColorMap() { randomColorMap.store(Request::posted, std::memory_order_release); }
    bool RandomColorMapPending() const { return randomColorMap.load(std::memory_order_acquire) != Request::none; }
    // Withdraws a random colour map not drawn yet and waits for one being drawn, so that a map
    // stored now is not drawn over.
    void WithdrawRandomColorMap();
    // Forgets every request not taken up yet, and the keeping of the picture.
    void DropRequests();

    // While the interface thread reads the accumulators (a refresh), the worker starts no batch.
    // With several orbits a refresh reads the worker's sum instead, and the passes go on.
    void BeginRefresh() { refreshing.store(true, std::memory_order_release); }
    void EndRefresh() { refreshing.store(false, std::memory_order_release); }

    // The picture a refresh makes, between BeginRefresh and EndRefresh when no request is pending:
    // with one orbit, orbit 1's own cells toned as they grow. With several, the sum of every
    // orbit that the worker made between passes, asked for by the refresh before (a new one is
    // asked for each time): the worker alone may read the orbits whole meanwhile, and summing
    // is the longer part. Nothing is toned while no sum since the last clear is at hand.
    bool TonePicture(double brightness);

    // Held while the interface thread copies the picture outside a refresh (an export): the
    // worker neither clears it nor changes its size meanwhile. The worker only tries the lock:
    // a request whose clear meets an export waits for the next pass.
    std::unique_lock<std::mutex> HoldPicture() { return std::unique_lock(pictureLock); }

    // The recipe of the picture so far, for an export on the interface thread: the design and
    // orbit as the worker noted them before the picture's first batch, the steps plotted since,
    // the colour map and the settings in force now; with no step plotted yet it may be the
    // previous picture's. Call it holding the picture (HoldPicture).
    Recipe RecipeOfPicture() const;

    // One pass of the thread's loop: a batch of every orbit (unless a refresh is under way), then
    // the requests, which thus reach every orbit between passes.
    // Public so that tests can drive the worker on their own thread.
    void RunBatch(std::stop_token stop = {});
    void HandleRequests(std::stop_token stop = {});
    // The sum a refresh asked for, made between passes after the requests.
    void SumIfWanted();
    // For tests: runs on the worker while it carries out a reset, before the reset is finished.
    std::function<void()> whileResetTakenUp;

private:
    // A reset or a random colour map is taken up while the worker carries it out, so that one
    // posted again meanwhile is carried out once more rather than lost, and only one still
    // posted can be withdrawn.
    enum class Request : uint8_t { none, posted, takenUp };
    static bool TakeUp(std::atomic<Request>& request);
    static void Finish(std::atomic<Request>& request);
    void PostNewQuilt(std::optional<Recipe> recipe);

    Settings& settings;
    Quilt grown;
    int32_t orbitCount = 1;
    std::vector<Quilt> others;             // the worker's, read by a refresh
    // The sum of the orbits, made by the worker and toned by a refresh, under the lock; showable
    // until the worker clears or resizes the accumulators.
    std::mutex sumLock;
    std::vector<AccumulatorCell> summed;
    bool sumShowable = false;
    std::atomic<bool> sumWanted{false};
    void ForgetSum();
    OrbitCrew crew;
    std::atomic<Request> newQuilt{Request::none}, reset{Request::none}, randomColorMap{Request::none};
    std::atomic<bool> keepPicture{false};
    std::atomic<bool> refreshing{false};
    std::atomic<State> started{State::notStarted};
    std::mutex pictureLock;
    // The recipe posted and not yet adopted; the start of the picture as the worker noted it.
    mutable std::mutex recipeLock;
    std::optional<Recipe> postedRecipe;
    Recipe pictureStart;
    std::jthread thread;
};

}  // namespace tessalume
