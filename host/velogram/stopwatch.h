// The clock the command line times its phases with (--stats).
#pragma once

#include <chrono>

namespace Velogram {

using Clock = std::chrono::steady_clock;

// Seconds from since to now.
inline double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace Velogram
