#include <bit>
#include <cmath>

#include "engine/engine.h"

namespace tessalume {

namespace {
constexpr double pi = 3.141592653589793;
// Rows 0..3 are the triangle, the dodecagon, the hexagon and the enneagon.
constexpr int polygonCorners[4] = {3, 12, 6, 9};
}  // namespace

const double polygonTable[4][3] = {
    {std::cos(pi / polygonCorners[0]), 2 * pi / polygonCorners[0], pi / polygonCorners[0]},
    {std::cos(pi / polygonCorners[1]), 2 * pi / polygonCorners[1], pi / polygonCorners[1]},
    {std::cos(pi / polygonCorners[2]), 2 * pi / polygonCorners[2], pi / polygonCorners[2]},
    {std::cos(pi / polygonCorners[3]), 2 * pi / polygonCorners[3], pi / polygonCorners[3]},
};

Quilt::Quilt()
{
    const ResolutionRow& row = resolutionTable[resolution];
    accumulators.assign(static_cast<std::size_t>(row.periodWidth) * row.periodHeight, AccumulatorCell{});
    image.assign(accumulators.size() * 3, 0);
}

Quilt::Quilt(const QuiltDesign& design, const Orbit& orbit) : design(design), orbit(orbit) {}

void SeedQuilt(Quilt& quilt, uint32_t seed)
{
    quilt.orbit.random.Seed(seed);
    quilt.paletteRandom.Seed(seed);
    quilt.runNumber = static_cast<int32_t>(quilt.orbit.random.NextWord() % 10000u);
}

namespace {

// The resolution whose period is that high, or -1.
int32_t ResolutionOfHeight(int32_t height)
{
    for (int32_t resolution = 0; resolution < resolutionCount; ++resolution)
        if (resolutionTable[resolution].periodHeight == height) return resolution;
    return -1;
}

}  // namespace

ResolutionRow PeriodOfHeight(int32_t height)
{
    if (const int32_t resolution = ResolutionOfHeight(height); resolution >= 0) return resolutionTable[resolution];
    const int32_t width = static_cast<int32_t>(std::lround(height * std::sqrt(3.0)));
    return {nullptr, std::bit_ceil(static_cast<uint32_t>(width)), width, height, width / 2, height / 2,
            std::pow(1.5, std::log2(height / 256.0))};
}

void SetResolution(Quilt& quilt, int32_t resolution, uint8_t background)
{
    if (const ResolutionRow* row = RowOf(resolutionTable, resolution)) SetPeriod(quilt, *row, background);
}

void SetPeriod(Quilt& quilt, const ResolutionRow& period, uint8_t background)
{
    quilt.resolution = ResolutionOfHeight(period.periodHeight);
    quilt.textureSize = period.textureSize;
    quilt.periodWidth = period.periodWidth;
    quilt.periodHeight = period.periodHeight;
    quilt.halfWidth = period.halfWidth;
    quilt.halfHeight = period.halfHeight;
    quilt.gainFactor = period.gainFactor;
    const std::size_t cells = static_cast<std::size_t>(period.periodWidth) * period.periodHeight;
    quilt.accumulators.assign(cells, AccumulatorCell{});
    quilt.image.assign(cells * 3, background);
    quilt.plotQueue.applied = quilt.plotQueue.pushed;  // stamps still held belong to the old period
    StoreRelaxed(quilt.stepsPlotted, uint64_t{0});
    quilt.pixelScale = quilt.periodHeight / (quilt.design.latticeRadius * 2.0) * 2.0;
}

void SelectTransformations(Quilt& quilt)
{
    if (const Transformation* entry = RowOf(transformationCatalogueI, quilt.design.transformIndexI))
        quilt.transformI = *entry;
    if (const Transformation* entry = RowOf(transformationCatalogueII, quilt.design.transformIndexII))
        quilt.transformII = *entry;
}

}  // namespace tessalume
