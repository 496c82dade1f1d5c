#include <cmath>

#include "engine/engine.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {

double pointX = 0, pointY = 0;
double nextX = 0, nextY = 0;
double fieldTerm = 0;

double lambda = 0, alpha = 0, beta = 0, gamma = 0, omega = 0.01;
int32_t powerExponent = 46;

double blurringFactor = 0;
double blurRadius = 0;

double transformFrequency = 6.0;
double transformAmplitude = 0;
double transformPhase = 0;
int32_t transformVariant = 0;
double transformConstantA = 5.0;
double transformConstantB = 3.0;
double unitScale = 1.0;

namespace {
constexpr double pi = 3.141592653589793;
// Rows 0..3 are the triangle, the dodecagon, the hexagon and the enneagon.
constexpr int polygonCorners[4] = {3, 12, 6, 9};
}  // namespace

double polygonTable[4][3] = {
    {std::cos(pi / polygonCorners[0]), 2 * pi / polygonCorners[0], pi / polygonCorners[0]},
    {std::cos(pi / polygonCorners[1]), 2 * pi / polygonCorners[1], pi / polygonCorners[1]},
    {std::cos(pi / polygonCorners[2]), 2 * pi / polygonCorners[2], pi / polygonCorners[2]},
    {std::cos(pi / polygonCorners[3]), 2 * pi / polygonCorners[3], pi / polygonCorners[3]},
};

int32_t transformIndexI = 0, transformIndexII = 0;
int32_t transformShownI = 0, transformShownII = 0;
EngineFunction transformSlotI = nullptr;
EngineFunction transformSlotII = nullptr;
EngineFunction plotSlot = nullptr;

double latticeRadius = 0;
double latticeOffsetX[13] = {}, latticeOffsetY[13] = {};
double hexPointX[7] = {}, hexPointY[7] = {};
double hexMidX[6] = {}, hexMidY[6] = {};
double pixelScale = 0;
double inverseStepRange = 0;

uint32_t textureSize = 512;
int32_t periodWidth = 444, periodHeight = 256, halfWidth = 222, halfHeight = 128;
int32_t activeResolution = 0;

std::atomic<uint8_t> newQuiltRequest{0};
std::atomic<uint8_t> resetRequest{0};
std::atomic<uint8_t> clearOnReset{1};
std::atomic<uint8_t> renderInProgress{0};
std::atomic<uint8_t> workerNotStarted{1};
std::atomic<uint8_t> searching{0};
std::atomic<int32_t> searchAttempts{0};
std::atomic<int32_t> searchPasses{0};

uint32_t codeDigits[7] = {};
int32_t runNumber = 0;

void SetPeriodFromTextureSize()
{
    for (const ResolutionRow& row : resolutionTable) {
        if (row.textureSize != textureSize) continue;
        periodWidth = row.periodWidth;
        periodHeight = row.periodHeight;
        halfWidth = row.halfWidth;
        halfHeight = row.halfHeight;
    }
}

void ApplySettings()
{
    // The lists are clicked while the worker applies them: each selection is read whole.
    const int32_t wanted = LoadRelaxed(resolutionList.selected);
    if (wanted != activeResolution) {
        ClearAccumulators();  // with the old sizes: these are the cells in use
        if (const ResolutionRow* row = RowOf(resolutionTable, wanted)) textureSize = row->textureSize;
        SetPeriodFromTextureSize();
        activeResolution = wanted;
        pixelScale = periodHeight / (latticeRadius * 2.0) * 2.0;
    }
    SelectIntensityFunction();
    StoreRelaxed(colorMappingIndex, LoadRelaxed(colorMappingList.selected));  // export names read it
    SelectPlotFunction();
}

void SelectTransformationI()
{
    const int32_t index = LoadRelaxed(transformIndexI);  // a browser click writes it
    if (index >= 0 && index < catalogueSize) transformSlotI = transformationCatalogueI[index];
}

void SelectTransformationII()
{
    const int32_t index = LoadRelaxed(transformIndexII);
    if (index >= 0 && index < catalogueSize) transformSlotII = transformationCatalogueII[index];
}

}  // namespace tessalume
