// The calling thread's CPU time, as a std::chrono clock. The benchmarks time a pass and its
// baseline with it, alternately block by block, so that a machine shared with other work
// (time the thread spends descheduled, a load that changes during the run) weighs on both
// sides of a ratio alike.
#pragma once

#include <chrono>
#include <ctime>

struct ThreadCpuClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ThreadCpuClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(static_cast<rep>(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};
