#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

namespace tessalume {
namespace {

// A bounded orbit with sevenfold symmetry (r² and the identity as the transformations), its
// lattice spanning the 444 x 256 period.
void StartBoundedOrbit(int32_t mapping, int32_t antialiasing)
{
    BuildControls();
    textureSize = 512;
    SetPeriodFromTextureSize();
    activeResolution = 0;
    transformIndexI = transformIndexII = 0;
    SelectTransformationI();
    SelectTransformationII();
    lambda = -2.08;
    alpha = 1;
    beta = 0;
    gamma = -0.1;
    omega = 0.167;
    powerExponent = 5;
    blurRadius = 0.001;
    LayLattice(1.5);
    pixelScale = periodHeight / latticeRadius;
    inverseStepRange = 0.5;
    pointX = 0.01;
    pointY = 0.003;
    for (int k = 0; k < 256; ++k) ColorMap.red[k] = ColorMap.green[k] = ColorMap.blue[k] = k;
    colorMappingList.selected = mapping;
    colorMappingIndex = mapping;
    antialiasingList.selected = antialiasing;
    SelectPlotFunction();
    intensityList.selected = 1;
    SelectIntensityFunction();
    ClearAccumulators();
}

int64_t TotalHits()
{
    int64_t total = 0;
    for (int32_t i = 0; i < periodWidth * periodHeight; ++i) total += Accumulators[i].hitCount;
    return total;
}

// The worker plots batch after batch while the interface thread runs refresh after refresh over
// the same cells, as a refresh tick does when it starts during a batch.
TEST(Threads, WorkerPlotsWhileTheInterfaceRefreshes)
{
    for (int32_t antialiasing : {0, 3}) {
        StartBoundedOrbit(0, antialiasing);
        std::atomic<bool> plotting{true};
        std::thread worker([&plotting] {
            for (int batch = 0; batch < 6; ++batch) {
                RunWorkerSteps();
                FlushPlotQueue();
            }
            plotting.store(false);
        });
        int refreshes = 0;
        while (plotting.load() || refreshes == 0) {
            intensitySlot.load()();
            ++refreshes;
        }
        worker.join();
        EXPECT_GT(TotalHits(), 6 * batchSteps);
        EXPECT_GT(refreshes, 0);
    }
}

}  // namespace
}  // namespace tessalume
