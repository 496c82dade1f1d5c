// Access to a plain variable that the interface thread and the worker both touch while the other
// may be running. Relaxed atomic loads and stores are race-free and compile to plain moves: a
// reader sees the old or the new value whole, never a torn one, but gets no ordering with other
// variables. Anything that needs ordering goes through the worker's requests.
#pragma once
#include <atomic>
#include <type_traits>

namespace tessalume {

// A load writes nothing, so it takes what its owner may hold as const.
template <class T>
inline T LoadRelaxed(const T& value)
{
    return std::atomic_ref<T>(const_cast<T&>(value)).load(std::memory_order_relaxed);
}

// The new value converts as in a plain assignment.
template <class T>
inline void StoreRelaxed(T& value, std::type_identity_t<T> newValue)
{
    std::atomic_ref<T>(value).store(newValue, std::memory_order_relaxed);
}

}  // namespace tessalume
