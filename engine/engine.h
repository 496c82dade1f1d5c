// The quilt engine's door: the settings a user chooses, the quilt as a value (what its search
// chose, the orbit that draws it, the accumulators it is drawn into), the step of the orbit, the
// transformation catalogues, the search and the colour maps. Nothing here is process-wide: every
// operation takes the quilt and the settings it works with, so two quilts can grow on two
// threads at once.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stop_token>
#include <string>
#include <vector>

#include "engine/random.h"
#include "engine/relaxed.h"

namespace tessalume {

// The row of a list's table for a selection; nullptr for a selection outside the table.
template <typename Row, std::size_t size>
constexpr const Row* RowOf(const Row (&table)[size], int32_t selection)
{
    return static_cast<uint32_t>(selection) < size ? &table[selection] : nullptr;
}

// The labels of a list's table, in the table's order: what the list shows.
template <const auto& table>
inline constexpr auto labelsOf = [] {
    std::array<const char*, std::size(table)> labels{};
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = table[i].label;
    return labels;
}();

// The "Quilt Resolution" list: the sizes of each entry's period and preview texture, and the
// factor by which the intensity functions that follow the resolution raise their gain.
struct ResolutionRow {
    const char* label;
    uint32_t textureSize;
    int32_t periodWidth, periodHeight, halfWidth, halfHeight;
    double gainFactor;
};
inline constexpr const char* resolutionTitle = "Quilt Resolution";
inline constexpr ResolutionRow resolutionTable[] = {
    {"444 x 256", 512, 444, 256, 222, 128, 1.0},
    {"886 x 512", 1024, 886, 512, 443, 256, 1.5},
    {"1774 x 1024", 2048, 1774, 1024, 887, 512, 2.25},
};
inline constexpr int32_t resolutionCount = static_cast<int32_t>(std::size(resolutionTable));
inline constexpr uint32_t maxTextureSize = resolutionTable[resolutionCount - 1].textureSize;

// A period of any height from minPeriodHeight to maxPeriodHeight (the renderer's): the table's
// row where one has that height, so that those stay exact; else, as the rows are built, the
// width round(H·√3) (the lattice's aspect), halves rounded down, the texture the smallest power
// of two that holds the width, and the gain raised by half at every doubling of the height,
// 1.5^log2(H / 256), which meets the rows at 256, 512 and 1024. No label.
inline constexpr int32_t minPeriodHeight = 64, maxPeriodHeight = 4320;
ResolutionRow PeriodOfHeight(int32_t height);

// The two transformation catalogues have 30 entries each, in browser order.
inline constexpr int32_t catalogueSize = 30;

// ---- Settings -----------------------------------------------------------------------------

// Every choice the engine, the imaging and the files read: the user's, and the ones a new quilt
// makes for the user (brightness, blurring factor, transformation entries, the browsers' pages).
// Plain values. In the window the interface thread writes them and the worker reads them, and
// the worker writes what a new quilt chooses: each field is read and written whole (relaxed).
struct Settings {
    int32_t resolution = 0;    // row of resolutionTable
    int32_t periodHeight = 0;  // a period of this height in place of the resolution's; 0: none
    int32_t colorMapping = 0;  // row of the colour mapping table
    int32_t antialiasing = 0;  // row of the antialiasing table
    int32_t intensity = 1;     // row of the intensity table
    double brightness = 5.0;
    double blurringFactor = 0;
    bool blurringLocked = false, transformILocked = false, transformIILocked = false, colorMapLocked = false;
    // The entries the next search starts from (it draws those not locked), the entries the
    // browsers highlight, and the first entry each browser shows.
    int32_t transformI = 0, transformII = 0;
    int32_t transformShownI = 0, transformShownII = 0;
    int32_t browserPageI = 0, browserPageII = 0;
    int32_t outputFormat = 0;  // 0 PNG, 1 BMP
    // Plain: an orbit is accepted once it passes the attempt's own tests. Checked: it must then
    // also pass CheckOrbit, and while it is plotted it starts again from the accepted point
    // whenever it leaves the search's bounds.
    enum class Search : uint8_t { plain, checked };
    Search search = Search::checked;
    int32_t tiledWidth = 1024, tiledHeight = 1024;
    std::string outputFolder;  // read and written by the interface thread alone
};

// ---- The quilt ----------------------------------------------------------------------------

// 256 entries per channel, nominally 0..255; fractions and values outside are allowed.
struct ColorMapChannels {
    double red[256];
    double green[256];
    double blue[256];
};

// One pixel of the period: the samples that landed there and their sums. The five values sit
// together so that a stamp touches one cache line rather than five.
struct AccumulatorCell {
    int32_t hitCount;
    float mappingSum;
    float redSum, greenSum, blueSum;
};

// What a search chooses: everything that fixes the quilt's shape and colouring code, apart
// from the orbit that draws it. It can be copied, saved and restored on its own.
struct QuiltDesign {
    int32_t powerExponent = 46;  // m; the degree of symmetry is m + 2
    double lambda = 0, alpha = 0, beta = 0, gamma = 0, omega = 0.01;
    // Transformation parameters, read by the catalogue entries.
    int32_t transformIndexI = 0, transformIndexII = 0;
    double transformFrequency = 6.0;
    double transformAmplitude = 0;
    double transformPhase = 0;
    int32_t transformVariant = 0;  // row of polygonTable
    // The hexagon's corners and edge midpoints, and the 13 lattice translates.
    double hexPointX[7] = {}, hexPointY[7] = {};
    double hexMidX[6] = {}, hexMidY[6] = {};
    double latticeRadius = 0;
    double latticeOffsetX[13] = {}, latticeOffsetY[13] = {};
    double blurringFactor = 0;
    double blurRadius = 0;
    double inverseStepRange = 0;  // the step normaliser of the colour mappings
    // Digits of the settings code in default export names; 0..5 from the accepted attempt, 6
    // from the new-quilt step.
    uint32_t codeDigits[7] = {};
};

// The orbit's running state: the point, the point the current step makes, the field term of
// Transformation I, and the generator every draw of the search and the orbit comes from.
struct Orbit {
    double pointX = 0, pointY = 0;
    double nextX = 0, nextY = 0;
    double fieldTerm = 0;
    RndField random;
};

struct Quilt;
// A transformation catalogue entry works on the quilt's orbit with its design's parameters.
using Transformation = void (*)(Quilt&);

// The plot functions hold the stamps of the last few steps back while their cells are fetched.
inline constexpr int32_t translateCount = 13;
struct PendingStamps {
    double mapping, red, green, blue;  // what each stamp adds, weight included
    int32_t count;
    int32_t cells[translateCount];
};
struct PlotQueue {
    static constexpr uint32_t depth = 8;  // enough to hide a memory access behind the steps that follow
    PendingStamps steps[depth];
    uint32_t pushed = 0;   // steps ever queued, modulo 2³²
    uint32_t applied = 0;  // of which added to the accumulators
};

// A quilt: its design, its orbit, its colour map, the settings in force while it grows, and
// the accumulators and 8-bit picture of its period, sized for the period in force.
struct Quilt {
    Quilt();
    // A quilt of the design and orbit given, with neither accumulators nor picture: enough to
    // grow the orbit without plotting it.
    Quilt(const QuiltDesign& design, const Orbit& orbit);

    QuiltDesign design;
    Orbit orbit;
    RndField paletteRandom;  // the colour map generators' own
    ColorMapChannels colorMap{};
    int32_t runNumber = 0;   // first number of default export names, drawn right after seeding

    // The settings in force, taken from Settings between batches. The resolution is -1 for a
    // period of a height no row has.
    int32_t resolution = 0;
    uint32_t textureSize = 512;
    int32_t periodWidth = 444, periodHeight = 256, halfWidth = 222, halfHeight = 128;
    double gainFactor = 1.0;
    double pixelScale = 0;
    int32_t colorMapping = 0, antialiasing = 0, intensity = 1;
    double antialiasRadius = 1.75;  // splat radius of the antialiased plots, in pixels
    Transformation transformI = nullptr, transformII = nullptr;

    // Cell y * periodWidth + x; the picture's rows run from y = 0 upward.
    std::vector<AccumulatorCell> accumulators;
    std::vector<uint8_t> image;
    PlotQueue plotQueue;

    // Search progress, read by the window's frame: whether a search runs, the attempt in its
    // pass, and the passes started (1 or more after a search).
    uint8_t searching = 0;
    int32_t searchAttempts = 0;
    int32_t searchPasses = 0;
    // The search that found the quilt; the point it accepted, where a checked orbit that
    // leaves the search's bounds while it is plotted starts again, and how often it has since.
    Settings::Search search = Settings::Search::plain;
    double acceptedX = 0, acceptedY = 0;
    int64_t orbitRestarts = 0;
    // Where the picture in the accumulators began: the orbit as the first batch after their
    // last clear found it, and the steps plotted since. With the design and the settings in
    // force they are the quilt's recipe: the same batches from that orbit draw the same picture.
    Orbit pictureStart;
    uint64_t stepsPlotted = 0;  // the worker adds, an export reads: whole (relaxed)
};

// Seeds the orbit's generator, then the palette's, with the same seed, and draws the run number
// from the orbit's. The window program passes the clock, the headless renderer its --seed.
void SeedQuilt(Quilt& quilt, uint32_t seed);

// Sets the period sizes, the accumulators and the picture (filled with background) to the
// resolution row; the scale follows the lattice. A row outside the table leaves all as it was.
void SetResolution(Quilt& quilt, int32_t resolution, uint8_t background);
// The same for a period of any height (PeriodOfHeight's).
void SetPeriod(Quilt& quilt, const ResolutionRow& period, uint8_t background);

// ---- The step ------------------------------------------------------------------------------

// The blur radius of a lattice radius and a blurring factor: 1/512 of the radius per unit.
inline double BlurRadiusFor(double radius, double factor) { return radius * 0.001953125 * factor; }

// (apothem, sector, halfSector) of the triangle, dodecagon, hexagon and enneagon.
extern const double polygonTable[4][3];

extern const Transformation transformationCatalogueI[catalogueSize];
extern const Transformation transformationCatalogueII[catalogueSize];

// Stores the catalogue entries of the design's indices in the quilt's slots; an index outside
// a catalogue leaves its slot.
void SelectTransformations(Quilt& quilt);

// Transformation I, the symmetric map with the blur, Transformation II: the orbit's next point.
// The point is not moved on.
void StepPoint(Quilt& quilt);

inline constexpr int32_t batchSteps = 20000;

// ---- The search ----------------------------------------------------------------------------

// A new random quilt: colour map (unless locked), brightness and export digit, then the search.
// Returns true when an orbit has been accepted, false when asked to stop first.
bool NewQuilt(Quilt& quilt, Settings& settings, std::stop_token stop = {});
bool SearchAttractor(Quilt& quilt, Settings& settings, std::stop_token stop = {});

// The distance from the origin beyond which an attempt fails.
inline constexpr double searchRadiusBound = 5.0;
// False beyond it, and for a point that is not a number.
inline bool WithinTheSearchBounds(double x, double y)
{
    return y * y + x * x <= searchRadiusBound * searchRadiusBound;
}

// What CheckOrbit finds of an orbit the search would accept, judged in this order: a point that
// is not finite, a point beyond the search's bounds (an orbit that goes that far comes back with
// a step long enough to swamp the picture, or dies), a fixed point or a short cycle, too small a
// share of a fixed grid of the lattice lit.
enum class OrbitVerdict : uint8_t { kept, notFinite, escaped, settled, tooThin };
// Grows the quilt's orbit for a while without plotting it, on a probe holding copies of the
// design and the orbit with the lattice radius and blur radius given: the quilt is left as it
// was.
OrbitVerdict CheckOrbit(const Quilt& quilt, double latticeRadius, double blurRadius);

// The corner tables of a search pass: corners at multiples of π/3, turned by π/6 when asked.
void LayHexagon(QuiltDesign& design, bool turned);
// The 13 translates of a lattice of spacing radius, as an accepted search lays them out.
void LayLattice(QuiltDesign& design, double radius);

// ---- Colour maps -------------------------------------------------------------------------

// The "Random" button: a coin from the orbit's generator picks the random-curve or the
// key-point generator.
void RandomColorMap(Quilt& quilt);
void GenerateRandomColorMap(ColorMapChannels& map, RndField& palette);
void GenerateHsvColorMap(ColorMapChannels& map, RndField& palette);
void GenerateKeyPointColorMap(ColorMapChannels& map, RndField& random, RndField& palette);
float InterpolateSegment(float x, const float controls[4], int mode);

// The whole map copied while another thread may write it: every entry read or written whole.
ColorMapChannels CopyColorMap(const ColorMapChannels& map);
void StoreColorMap(ColorMapChannels& target, const ColorMapChannels& map);

}  // namespace tessalume
