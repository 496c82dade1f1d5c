// Several orbits grow one quilt: the orbits beside the first, the sum the picture is made of,
// and the threads that grow them a pass at a time.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "imaging/imaging.h"

namespace tessalume {

// Everything the step, the plot and the restarts read, listed rather than copied whole: the
// interface thread may store a loaded colour map into the first orbit meanwhile, so the map is
// read entry by entry.
void FollowQuilt(Quilt& other, const Quilt& quilt)
{
    other.design = quilt.design;
    StoreColorMap(other.colorMap, CopyColorMap(quilt.colorMap));
    if (other.accumulators.size() != quilt.accumulators.size()) {
        other.accumulators.assign(quilt.accumulators.size(), AccumulatorCell{});
        other.plotQueue.applied = other.plotQueue.pushed;  // stamps still held belong to the old period
    }
    other.resolution = quilt.resolution;
    other.textureSize = quilt.textureSize;
    other.periodWidth = quilt.periodWidth;
    other.periodHeight = quilt.periodHeight;
    other.halfWidth = quilt.halfWidth;
    other.halfHeight = quilt.halfHeight;
    other.pixelScale = quilt.pixelScale;
    other.colorMapping = quilt.colorMapping;
    other.antialiasing = quilt.antialiasing;
    other.intensity = quilt.intensity;
    other.antialiasRadius = quilt.antialiasRadius;
    other.transformI = quilt.transformI;
    other.transformII = quilt.transformII;
    other.search = quilt.search;
    other.acceptedX = quilt.acceptedX;
    other.acceptedY = quilt.acceptedY;
}

void ClearOrbit(Quilt& other)
{
    std::fill(other.accumulators.begin(), other.accumulators.end(), AccumulatorCell{});
    other.plotQueue.applied = other.plotQueue.pushed;
}

namespace {

// The lead keeps to the rule of the batches: a checked orbit that leaves the search's bounds
// goes back to the accepted point.
void StartOrbit(Quilt& other, const Quilt& quilt, int32_t k)
{
    FollowQuilt(other, quilt);
    ClearOrbit(other);
    other.orbit = quilt.orbit;
    other.orbit.pointX = quilt.acceptedX;
    other.orbit.pointY = quilt.acceptedY;
    other.orbit.random.Seed(orbitSeedOf(quilt, k));
    other.orbitRestarts = 0;
    for (int32_t i = 0; i < orbitLeadSteps; ++i) {
        StepPoint(other);
        const bool escaped = other.search == Settings::Search::checked &&
                             !WithinTheSearchBounds(other.orbit.nextX, other.orbit.nextY);
        other.orbit.pointX = escaped ? other.acceptedX : other.orbit.nextX;
        other.orbit.pointY = escaped ? other.acceptedY : other.orbit.nextY;
    }
}

}  // namespace

void StartOrbits(const Quilt& quilt, int32_t count, std::vector<Quilt>& others)
{
    others.resize(static_cast<std::size_t>(std::clamp(count, 1, maxOrbits) - 1));
    for (std::size_t i = 0; i < others.size(); ++i) {
        others[i].image = std::vector<uint8_t>();  // only the first orbit has a picture
        StartOrbit(others[i], quilt, static_cast<int32_t>(i) + 2);
    }
}

// Hit counts add as the plots count them (wrapping); each sum adds in single precision, orbit
// after orbit, so that the order of the additions is fixed. A cell's sums are read only where
// the orbit hit it (an unhit cell's are zero, and the tone passes over unhit cells), which makes
// a sparse period cheap.
void SumOrbitCells(const Quilt& quilt, std::span<const Quilt> others, std::span<AccumulatorCell> sum,
                   std::size_t first, std::size_t end)
{
    std::fill(sum.begin() + static_cast<std::ptrdiff_t>(first), sum.begin() + static_cast<std::ptrdiff_t>(end),
              AccumulatorCell{});
    const auto add = [&](const Quilt& orbit) {
        for (std::size_t i = first; i < end; ++i) {
            const AccumulatorCell& cell = orbit.accumulators[i];
            const int32_t hits = LoadRelaxed(cell.hitCount);
            if (hits == 0) continue;
            AccumulatorCell& total = sum[i];
            total.hitCount = static_cast<int32_t>(static_cast<uint32_t>(total.hitCount) + static_cast<uint32_t>(hits));
            total.mappingSum += LoadRelaxed(cell.mappingSum);
            total.redSum += LoadRelaxed(cell.redSum);
            total.greenSum += LoadRelaxed(cell.greenSum);
            total.blueSum += LoadRelaxed(cell.blueSum);
        }
    };
    add(quilt);
    for (const Quilt& other : others)
        if (other.accumulators.size() == sum.size()) add(other);  // never otherwise between requests; a guard only
}

void SumOrbits(const Quilt& quilt, std::span<const Quilt> others, std::vector<AccumulatorCell>& sum)
{
    sum.resize(quilt.accumulators.size());
    SumOrbitCells(quilt, others, sum, 0, sum.size());
}

bool ToneOrbits(Quilt& quilt, std::span<const Quilt> others, std::vector<AccumulatorCell>& sum, double brightness)
{
    if (others.empty()) return ToneQuilt(quilt, brightness);
    SumOrbits(quilt, others, sum);
    return ToneQuilt(quilt, sum, brightness);
}

int64_t OrbitRestarts(const Quilt& quilt, std::span<const Quilt> others)
{
    int64_t restarts = quilt.orbitRestarts;
    for (const Quilt& other : others) restarts += other.orbitRestarts;
    return restarts;
}

// ---- The crew ---------------------------------------------------------------------------

// On Linux a thread's niceness is its own; a failure leaves the thread as it was.
void LowerThisThreadsPriority(int32_t niceness)
{
    if (niceness != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness);
}

int32_t OrbitCrew::Hire(int32_t threads, int32_t niceness)
{
    Dismiss();
    for (int32_t i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back([this, niceness](std::stop_token stop) { Help(stop, niceness); });
        } catch (const std::system_error&) {
            break;
        }
    }
    return static_cast<int32_t>(helpers.size()) + 1;
}

void OrbitCrew::Dismiss()
{
    for (std::jthread& helper : helpers) helper.request_stop();
    helpers.clear();  // joins each
}

void OrbitCrew::DoItemsTaken()
{
    for (int32_t item = nextItem.fetch_add(1); item < passItems; item = nextItem.fetch_add(1)) passItem(item);
}

// The pass is handed over under the lock, and its end is seen under the lock: everything a
// helper did happens before the caller, or the next thread to take the same orbit, touches it
// again.
void OrbitCrew::RunPass(int32_t count, std::function<void(int32_t)> item)
{
    {
        const std::lock_guard hold(lock);
        passItem = std::move(item);
        passItems = count;
        nextItem.store(0, std::memory_order_relaxed);
        helpersBusy = static_cast<int32_t>(helpers.size());
        ++passes;
    }
    passStarted.notify_all();
    DoItemsTaken();
    std::unique_lock hold(lock);
    passFinished.wait(hold, [this] { return helpersBusy == 0; });
}

void OrbitCrew::GrowPass(Quilt& quilt, std::span<Quilt> others)
{
    RunPass(static_cast<int32_t>(others.size()) + 1,
            [&quilt, others](int32_t k) { GrowBatch(k == 0 ? quilt : others[static_cast<std::size_t>(k) - 1]); });
}

void OrbitCrew::SumPass(const Quilt& quilt, std::span<const Quilt> others, std::vector<AccumulatorCell>& sum)
{
    constexpr std::size_t stretch = std::size_t{1} << 16;  // cells: two stretches at the least period
    sum.resize(quilt.accumulators.size());
    const std::size_t cells = sum.size();
    RunPass(static_cast<int32_t>((cells + stretch - 1) / stretch), [&quilt, others, &sum, cells](int32_t item) {
        const std::size_t first = static_cast<std::size_t>(item) * stretch;
        SumOrbitCells(quilt, others, sum, first, std::min(first + stretch, cells));
    });
}

void OrbitCrew::Help(std::stop_token stop, int32_t niceness)
{
    LowerThisThreadsPriority(niceness);
    uint64_t passesSeen = 0;
    for (;;) {
        {
            std::unique_lock hold(lock);
            if (!passStarted.wait(hold, stop, [&] { return passes != passesSeen; })) return;
            passesSeen = passes;
        }
        DoItemsTaken();
        const std::lock_guard hold(lock);
        if (--helpersBusy == 0) passFinished.notify_one();
    }
}

}  // namespace tessalume
