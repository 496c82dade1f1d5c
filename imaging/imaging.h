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
inline constexpr double resolutionFactor[3] = {1.0, 1.5, 2.25};

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

// Paints QuiltImage with the background of the "Intensity Function" selection and zeroes the
// accumulators over the period in use.
void ClearAccumulators();
// Stores in plotSlot the plot function of colorMappingIndex and the antialiasing selection.
void SelectPlotFunction();
// Stores in intensitySlot the function of the "Intensity Function" selection.
void SelectIntensityFunction();
// Copies QuiltImage into previewPixels, wrapped around the period and transposed.
void TilePreview();

// sign(sinf(x)) * (1 - sqrt|cos(x + pi)|), the sign taken in single precision.
double SignedRootWave(double x);

}  // namespace tessalume
