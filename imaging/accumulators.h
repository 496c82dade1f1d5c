// Access to the accumulator cells from both threads. The worker is the only writer; the
// interface thread reads while a batch may still be running. Relaxed atomic loads and stores
// make that race-free and compile to plain moves, so a cell read mid-stamp is merely stale.
#pragma once
#include <atomic>

namespace tessalume {

template <class T>
inline T LoadRelaxed(T& value)
{
    return std::atomic_ref<T>(value).load(std::memory_order_relaxed);
}

template <class T>
inline void StoreRelaxed(T& value, T newValue)
{
    std::atomic_ref<T>(value).store(newValue, std::memory_order_relaxed);
}

// A float sum grows by a double: the addition in double, the result stored in single precision.
inline void AddToSum(float& sum, double addend)
{
    StoreRelaxed(sum, static_cast<float>(static_cast<double>(LoadRelaxed(sum)) + addend));
}

}  // namespace tessalume
