#include <cmath>
#include <thread>

#include "engine/engine.h"
#include "files/files.h"
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
    const double rho = static_cast<double>(u1) * LoadRelaxed(blurRadius);  // a blurring drag writes it
    const double theta = static_cast<double>(u2) * 6.283185307179586;

    nextX = rho * std::sin(theta) + ((gamma * p + s * x) - omega * y);
    nextY = (rho * std::cos(theta) + (s * y - gamma * q)) + omega * x;
    transformSlotII();
}

void RunWorkerSteps()
{
    if (renderInProgress.load(std::memory_order_acquire) != 0) {
        std::this_thread::yield();  // the tick is reading the accumulators: leave the core to it
        return;
    }
    for (int i = 0; i < batchSteps; ++i) {
        StepPoint();
        plotSlot();
        pointX = nextX;
        pointY = nextY;
    }
    FlushPlotQueue();  // every stamp of the batch is in the accumulators before anyone reads them
}

std::atomic<uint8_t> randomColorMapRequest{0};

namespace {

constexpr uint8_t posted = 1, takenUp = 2;

// Set by the interface thread while it copies the picture, by the worker while it clears it.
// Each side sets its own flag first and then looks at the other's (sequentially consistent),
// so they are never both inside.
std::atomic<uint8_t> quiltImageHeld{0};
std::atomic<uint8_t> workerClearing{0};

bool BeginClearing()
{
    workerClearing.store(1);
    if (quiltImageHeld.load() == 0) return true;
    workerClearing.store(0);
    return false;
}

void EndClearing()
{
    workerClearing.store(0);
}

// From posted to taken up: the interface can no longer withdraw it.
bool TakeUp(std::atomic<uint8_t>& request)
{
    uint8_t expected = posted;
    return request.compare_exchange_strong(expected, takenUp);
}

// Carried out; a request posted again meanwhile stays for the next pass.
void Finish(std::atomic<uint8_t>& request)
{
    uint8_t expected = takenUp;
    request.compare_exchange_strong(expected, 0);
}

}  // namespace

void WithdrawReset()
{
    uint8_t expected = posted;
    resetRequest.compare_exchange_strong(expected, 0);
}

void WithdrawRandomColorMap()
{
    uint8_t expected = posted;
    randomColorMapRequest.compare_exchange_strong(expected, 0);
    while (randomColorMapRequest.load() == takenUp) std::this_thread::yield();
}

void HoldQuiltImage()
{
    quiltImageHeld.store(1);
    while (workerClearing.load() != 0) std::this_thread::yield();
}

void ReleaseQuiltImage()
{
    quiltImageHeld.store(0);
}

// A request whose clear would meet an export's copy waits for the next pass.
void HandleWorkerRequests()
{
    if (newQuiltRequest.load(std::memory_order_acquire) != 0) {
        if (!BeginClearing()) return;
        ClearAccumulators();
        EndClearing();
        NewQuilt();
        newQuiltRequest.store(0, std::memory_order_release);
    }
    // Looked at before the random map: a reset posted with it is then seen with it, and the map
    // is drawn before the reset clears what was plotted with the old one.
    const bool resetPosted = resetRequest.load(std::memory_order_acquire) == posted;
    if (TakeUp(randomColorMapRequest)) {
        RandomColorMap();
        Finish(randomColorMapRequest);
    }
    if (resetPosted) {
        if (!BeginClearing()) return;
        if (TakeUp(resetRequest)) {
            if (clearOnReset.load(std::memory_order_acquire) != 1) {
                clearOnReset.store(1, std::memory_order_release);
            } else {
                ClearAccumulators();
            }
            ApplySettings();
            Finish(resetRequest);
        }
        EndClearing();
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
