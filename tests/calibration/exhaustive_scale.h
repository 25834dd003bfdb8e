// How much of an exhaustive walk a test build can afford: all of it in Release, one part in
// 4099 under the sanitizers, where the walk would take hours.
#pragma once

#include <cstdint>

namespace TestSupport {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr uint32_t kExhaustiveStride = 4099;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr uint32_t kExhaustiveStride = 4099;
#else
inline constexpr uint32_t kExhaustiveStride = 1;
#endif
#else
inline constexpr uint32_t kExhaustiveStride = 1;
#endif

}  // namespace TestSupport
