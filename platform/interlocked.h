// Interlocked counters: reference counts are std::atomic<int32_t>, changed only here.
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

// Both return the new value, as the Win32 functions do.
inline int32_t InterlockedIncrement(std::atomic<int32_t>& v) { return v.fetch_add(1, std::memory_order_relaxed) + 1; }
inline int32_t InterlockedDecrement(std::atomic<int32_t>& v)
{
    // Release on the way down and acquire on reaching zero, so the thread that destroys
    // the object sees every write made by the other holders.
    int32_t n = v.fetch_sub(1, std::memory_order_acq_rel) - 1;
    return n;
}

}  // namespace platform
