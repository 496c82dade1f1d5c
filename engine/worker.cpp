#include <cmath>

#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {

// The hot loop of the program. The step reads every input once into locals and writes the
// new point once; zⁿ is repeated complex multiplication (never pow), and the grouping of the
// sums is the one the quilts were found with, so it must not be rearranged.
void StepPoint()
{
    transformSlotI();
    const double x = pointX;
    const double y = pointY;
    const int32_t m = powerExponent;

    double p = x;
    double q = y;
    for (int32_t i = 0; i < m; ++i) {
        const double np = p * x - q * y;
        const double nq = p * y + q * x;
        p = np;
        q = nq;
    }
    const double realPower = p * x - q * y;
    const double s = (fieldTerm * alpha + beta * realPower) + lambda;

    const float u1 = engineRandom.NextUniform();
    const float u2 = engineRandom.NextUniform();
    const double rho = static_cast<double>(u1) * blurRadius;
    const double theta = static_cast<double>(u2) * 6.283185307179586;

    nextX = rho * std::sin(theta) + ((gamma * p + s * x) - omega * y);
    nextY = (rho * std::cos(theta) + (s * y - gamma * q)) + omega * x;
    transformSlotII();
}

void RunWorkerSteps()
{
    if (renderInProgress.load(std::memory_order_acquire) != 0) return;
    for (int i = 0; i < batchSteps; ++i) {
        StepPoint();
        plotSlot();
        pointX = nextX;
        pointY = nextY;
    }
    FlushPlotQueue();  // every stamp of the batch is in the accumulators before anyone reads them
}

void HandleWorkerRequests()
{
    if (newQuiltRequest.load(std::memory_order_acquire) != 0) {
        ClearAccumulators();
        NewQuilt();
        newQuiltRequest.store(0, std::memory_order_release);
    }
    if (resetRequest.load(std::memory_order_acquire) != 0) {
        if (clearOnReset.load(std::memory_order_acquire) != 1) {
            clearOnReset.store(1, std::memory_order_release);
        } else {
            ClearAccumulators();
        }
        ApplySettings();
        resetRequest.store(0, std::memory_order_release);
    }
}

void RunWorkerBatch()
{
    RunWorkerSteps();
    HandleWorkerRequests();
}

void WorkerMain(void*)
{
    for (;;) RunWorkerBatch();
}

}  // namespace tessalume
