// Imaging's door: the accumulators that the plot functions fill, the quilt image that the
// intensity functions make of them, and the preview copy of that image.
#pragma once
#include <atomic>
#include <cstdint>

#include "engine/engine.h"

namespace tessalume {

// Applied copy of the "Color Mapping Function" selection, 0..6.
extern int32_t colorMappingIndex;
// Splat radius of the antialiased plot functions, in pixels.
extern double antialiasRadius;
// Gain of the intensity functions, set by the "Brightness" slider and by each new quilt.
extern double brightness;

// The 8-bit RGB picture of one period, rows from y = 0 upward, sized for the largest period.
inline constexpr int32_t quiltImageBytes = maxPeriodCells * 3;
extern uint8_t QuiltImage[quiltImageBytes];

// The square, transposed and wrapped copy of the period that the preview texture shows.
inline constexpr int32_t previewPixelBytes = maxTextureSize * maxTextureSize * 3;
extern uint8_t previewPixels[previewPixelBytes];

// The intensity function in force. The worker replaces it, the interface thread calls it.
extern std::atomic<EngineFunction> intensitySlot;

// One pixel of the period: the samples that landed there and their sums. The five values sit
// together so that a stamp touches one cache line rather than five. The worker adds to a cell
// while the interface thread may read it; both go through relaxed atomic accesses.
struct AccumulatorCell {
    int32_t hitCount;
    float mappingSum;
    float redSum, greenSum, blueSum;
};
// Cell index y * periodWidth + x; only the first periodWidth * periodHeight cells are in use.
extern AccumulatorCell Accumulators[maxPeriodCells];

// The plot functions, plain and antialiased, in the order of the "Color Mapping Function" list.
void PlotDistance();
void PlotAngle();
void PlotSinusoidal();
void PlotSquareWave();
void PlotTriangleWave();
void PlotCircular();
void PlotCircularII();
void PlotDistanceAntialiased();
void PlotAngleAntialiased();
void PlotSinusoidalAntialiased();
void PlotSquareWaveAntialiased();
void PlotTriangleWaveAntialiased();
void PlotCircularAntialiased();
void PlotCircularIIAntialiased();

// The plot functions hold the stamps of the last few steps back while their cells are fetched.
// This adds every stamp still held to the accumulators; the worker calls it at the end of each
// batch, and anything that reads the accumulators right after plotting must call it first.
void FlushPlotQueue();

// The intensity functions, in the order of the "Intensity Function" list.
void IntensityVeryLow();
void IntensityLow();
void IntensityMedium();
void IntensityHigh();
void IntensityVeryHigh();
void IntensityLowContrast();
void IntensityVeryBright();
void IntensityWhiteI();
void IntensityWhiteII();

// The lists that choose the imaging functions, one row per entry in list order: what the
// list shows, and everything that follows from picking the entry.

// "Intensity Function": the function and the ground of the quilt image it draws on.
struct IntensityEntry {
    const char* label;
    EngineFunction function;
    uint8_t background;  // every byte of QuiltImage after a clear: black, or white
};
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
    EngineFunction plain, antialiased;
};
inline constexpr ColorMappingEntry colorMappingTable[] = {
    {"Distance", PlotDistance, PlotDistanceAntialiased},
    {"Angle", PlotAngle, PlotAngleAntialiased},
    {"Sinusoidal", PlotSinusoidal, PlotSinusoidalAntialiased},
    {"Square Wave", PlotSquareWave, PlotSquareWaveAntialiased},
    {"Triangle Wave", PlotTriangleWave, PlotTriangleWaveAntialiased},
    {"Circular", PlotCircular, PlotCircularAntialiased},
    {"Circular II", PlotCircularII, PlotCircularIIAntialiased},
};

// "Antialiasing": the splat radius that a click on the entry sets, and whether the entry
// selects the antialiased plot functions (which also raise the intensity gain by half).
struct AntialiasingEntry {
    const char* label;
    double radius;
    bool antialiased;
};
inline constexpr AntialiasingEntry antialiasingTable[] = {
    {"Off", 1.0, false}, {"1.25X", 1.25, true}, {"1.5X", 1.5, true}, {"1.75X", 1.75, true}, {"2.0X", 2.0, true},
};

// True when the "Antialiasing" selection is an entry that antialiases.
bool AntialiasingOn();

// Paints QuiltImage with the background of the "Intensity Function" selection and zeroes the
// accumulators over the period in use.
void ClearAccumulators();
// Stores in plotSlot the plot function of colorMappingIndex and the antialiasing selection;
// an index outside the table leaves it.
void SelectPlotFunction();
// Stores in intensitySlot the function of the "Intensity Function" selection; a selection
// outside the table leaves it.
void SelectIntensityFunction();
// Copies QuiltImage into previewPixels, wrapped around the period and transposed.
void TilePreview();

// sign(sinf(x)) * (1 - sqrt|cos(x + pi)|), the sign taken in single precision.
double SignedRootWave(double x);

}  // namespace tessalume
