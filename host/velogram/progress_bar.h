// ProgressBar: a one-line bar on standard error for long work, drawn only when standard error
// is a terminal (never into a log or a pipe), from 0.3 s into the work, at most ten times a
// second, and cleared when the work ends so that messages after it start on a clean line.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace Velogram {

class ProgressBar {
public:
    // [in] label: what is being done ("reading", "writing"); total: the amount of work in any
    // unit (bytes, samples); 0 or less draws no bar.
    ProgressBar(std::string label, int64_t total);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // [in] done: the work done so far, 0..total.
    void Update(int64_t done);
    // Clears the bar for good.
    void Finish();
    // Clears the bar so that a line can be written; the next Update draws it again.
    void Clear();

    static bool Enabled();

private:
    void Draw(int64_t done);

    std::string label_;
    int64_t total_;
    bool shown_ = false;
    bool active_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace Velogram
