// The quilt engine's door: its process-wide state and its operations. There is no engine
// object; the worker, the search and the interface thread read and write these directly.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "engine/random.h"
#include "engine/relaxed.h"

namespace tessalume {

// Every transformation, plot and intensity function takes nothing and returns nothing: it
// works on the globals below.
using EngineFunction = void (*)();

// Point of the iteration.
extern double pointX, pointY;  // current point z
extern double nextX, nextY;    // point made by the current step, rewritten by Transformation II
extern double fieldTerm;       // F(z) of Transformation I

// Map coefficients, chosen by the search.
extern double lambda, alpha, beta, gamma, omega;
extern int32_t powerExponent;  // m; the degree of symmetry is m + 2

// Blur.
extern double blurringFactor;
extern double blurRadius;

// The blur radius of a lattice radius and a blurring factor: 1/512 of the radius per unit.
inline double BlurRadiusFor(double radius, double factor)
{
    return radius * 0.001953125 * factor;
}

// Transformation parameters, read by the catalogue entries.
extern double transformFrequency;
extern double transformAmplitude;
extern double transformPhase;
extern int32_t transformVariant;  // row of polygonTable
extern double transformConstantA;
extern double transformConstantB;
extern double unitScale;
extern double polygonTable[4][3];  // (apothem, sector, halfSector) for 3, 12, 6 and 9 corners

// Catalogue selections and the function slots the worker calls.
extern int32_t transformIndexI, transformIndexII;
extern int32_t transformShownI, transformShownII;
extern EngineFunction transformSlotI;
extern EngineFunction transformSlotII;
extern EngineFunction plotSlot;

// Lattice and scale, fixed when a search accepts an orbit.
extern double latticeRadius;
extern double latticeOffsetX[13], latticeOffsetY[13];
extern double hexPointX[7], hexPointY[7];
extern double hexMidX[6], hexMidY[6];
extern double pixelScale;
extern double inverseStepRange;

// The row of a list's table for a selection; nullptr for a selection outside the table.
template <typename Row, std::size_t size>
constexpr const Row* RowOf(const Row (&table)[size], int32_t selection)
{
    return static_cast<uint32_t>(selection) < size ? &table[selection] : nullptr;
}

// The "Quilt Resolution" list: the sizes of each entry's period and preview texture, and the
// factor by which the intensity functions that follow the resolution raise their gain.
struct ResolutionRow {
    const char* label;
    uint32_t textureSize;
    int32_t periodWidth, periodHeight, halfWidth, halfHeight;
    double gainFactor;
};
inline constexpr ResolutionRow resolutionTable[] = {
    {"444 x 256", 512, 444, 256, 222, 128, 1.0},
    {"886 x 512", 1024, 886, 512, 443, 256, 1.5},
    {"1774 x 1024", 2048, 1774, 1024, 887, 512, 2.25},
};
inline constexpr int32_t resolutionCount = static_cast<int32_t>(std::size(resolutionTable));
// The last row is the largest: the static buffers are sized for it.
inline constexpr ResolutionRow largestResolution = resolutionTable[resolutionCount - 1];
inline constexpr int32_t maxPeriodWidth = largestResolution.periodWidth;
inline constexpr int32_t maxPeriodHeight = largestResolution.periodHeight;
inline constexpr int32_t maxPeriodCells = maxPeriodWidth * maxPeriodHeight;
inline constexpr uint32_t maxTextureSize = largestResolution.textureSize;

extern uint32_t textureSize;
extern int32_t periodWidth, periodHeight, halfWidth, halfHeight;
extern int32_t activeResolution;

// Sets the four period sizes from the row whose texture size is textureSize; any other
// texture size leaves them.
void SetPeriodFromTextureSize();

// Requests between the interface thread and the worker: each is set by one side and cleared
// by the other, and is looked at only between batches. The interface posts a request with 1;
// the worker sets a reset or a random colour map to 2 while it carries it out, so that one
// posted again meanwhile is carried out once more rather than lost, and one still at 1 can be
// withdrawn.
extern std::atomic<uint8_t> newQuiltRequest;
extern std::atomic<uint8_t> resetRequest;
extern std::atomic<uint8_t> clearOnReset;
extern std::atomic<uint8_t> renderInProgress;
extern std::atomic<uint8_t> workerNotStarted;
// "Random": the generators draw from engineRandom and paletteRandom, which only the worker draws
// from once it runs, so it draws the map too, before the reset posted with it.
extern std::atomic<uint8_t> randomColorMapRequest;
// Withdraws a reset that the worker has not taken up yet.
void WithdrawReset();
// Withdraws a random colour map not drawn yet and waits for one being drawn.
void WithdrawRandomColorMap();
// Between these the worker neither clears QuiltImage and the accumulators nor changes the
// resolution: the interface thread copies the picture outside a refresh (an export). A clear
// already under way is waited for; it takes no longer than a clear.
void HoldQuiltImage();
void ReleaseQuiltImage();
// Search progress, read by the frame drawing.
extern std::atomic<uint8_t> searching;
extern std::atomic<int32_t> searchAttempts;
// Passes started by the search in progress or last accepted, 1 or more after a search.
extern std::atomic<int32_t> searchPasses;

// Digits of the settings code in default export names; 0..5 from the accepted attempt, 6 from
// the new-quilt step.
extern uint32_t codeDigits[7];

// First number of default export names, drawn once right after seeding.
extern int32_t runNumber;

// Brings the engine in line with the "Quilt Resolution" list and reselects the intensity
// function, the colour mapping and the plot function.
void ApplySettings();

// The two transformation catalogues in browser order.
inline constexpr int catalogueSize = 30;
extern const EngineFunction transformationCatalogueI[catalogueSize];
extern const EngineFunction transformationCatalogueII[catalogueSize];
// sign(cosf(x)) * (1 - sqrt|sin(x + pi)|), the sign taken in single precision; the cosine
// twin of SignedRootWave, used by both catalogues.
double SignedRootWaveCos(double x);

// Store catalogue entry transformIndexI (II) in transformSlotI (II); other indices do nothing.
void SelectTransformationI();
void SelectTransformationII();

// Steps 1 to 8 of one step of the orbit: Transformation I, the symmetric map with the blur,
// Transformation II. The point is not moved on.
void StepPoint();

inline constexpr int batchSteps = 20000;

// Runs one batch of 20000 steps (step, plot, move on), unless a refresh is in progress.
void RunWorkerSteps();
// Carries out the requests posted since the last batch: a new quilt, a random colour map, then
// a reset.
void HandleWorkerRequests();
// One pass of the worker loop: RunWorkerSteps, then HandleWorkerRequests.
void RunWorkerBatch();
// The worker thread's entry; its argument is ignored and it never returns.
void WorkerMain(void* unused);

// A new random quilt: colour map, brightness and export digit, then the search. Returns when
// an orbit has been accepted.
void NewQuilt();
void SearchAttractor();

// The corner tables of a search pass: corners at multiples of π/3, turned by π/6 when asked.
void LayHexagon(bool turned);
// The 13 translates of a lattice of spacing radius, as an accepted search lays them out.
void LayLattice(double radius);

}  // namespace tessalume
