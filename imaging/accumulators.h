// Access to the accumulator cells from both threads. The worker is the only writer; the
// interface thread reads while a batch may still be running. Relaxed atomic loads and stores
// make that race-free and compile to plain moves, so a cell read mid-stamp is merely stale.
#pragma once
#include "engine/relaxed.h"

namespace tessalume {

// A float sum grows by a double: the addition in double, the result stored in single precision.
inline void AddToSum(float& sum, double addend)
{
    StoreRelaxed(sum, static_cast<float>(static_cast<double>(LoadRelaxed(sum)) + addend));
}

}  // namespace tessalume
