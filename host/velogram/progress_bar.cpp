#include "host/velogram/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace Velogram {
namespace {

constexpr int kWidth = 40;
constexpr auto kInterval = std::chrono::milliseconds(100);
// Work that ends sooner shows no bar at all, rather than a flicker.
constexpr auto kDelay = std::chrono::milliseconds(300);

}  // namespace

bool ProgressBar::Enabled() { return ::isatty(STDERR_FILENO) == 1; }

ProgressBar::ProgressBar(std::string label, int64_t total)
    : label_(std::move(label)),
      total_(total),
      active_(total > 0 && Enabled()),
      start_(std::chrono::steady_clock::now())
{
}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(int64_t done)
{
    if (!active_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kDelay || (shown_ && now - last_ < kInterval)) return;
    last_ = now;
    Draw(done);
}

void ProgressBar::Finish()
{
    Clear();
    std::fflush(stderr);
    active_ = false;
}

void ProgressBar::Clear()
{
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
}

void ProgressBar::Draw(int64_t done)
{
    const double share = std::clamp(double(done) / double(total_), 0.0, 1.0);
    const int filled = int(share * kWidth);
    std::string bar(size_t(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), int(share * 100));
    std::fflush(stderr);
    shown_ = true;
}

}  // namespace Velogram
