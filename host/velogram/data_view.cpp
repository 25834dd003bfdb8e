#include "host/velogram/data_view.h"

#include <algorithm>
#include <cmath>

namespace Velogram {

namespace {

// Scales closer than this (relative) are one scale.
constexpr double kSameScale = 1e-9;

}  // namespace

bool DataView::FitAll(int64_t width)
{
    width_ = std::max<int64_t>(width, 1);
    offset_ = 0;
    fitsAll_ = true;
    return layout_.FitScale(width_, &fitP_, &fitQ_) && layout_.Scale(fitP_, fitQ_);
}

bool DataView::SetWidth(int64_t width)
{
    if (fitsAll_) return FitAll(width);
    const int64_t p = layout_.ScaleP(), q = layout_.ScaleQ();
    width_ = std::max<int64_t>(width, 1);
    if (!layout_.FitScale(width_, &fitP_, &fitQ_)) return false;
    // A plot grown past the zoomed width shows everything at the fitting scale.
    fitsAll_ = double(p) / double(q) <= double(fitP_) / double(fitQ_) * (1.0 + kSameScale);
    const bool laidOut = fitsAll_ ? layout_.Scale(fitP_, fitQ_) : layout_.Scale(p, q);
    ScrollTo(offset_);
    return laidOut;
}

bool DataView::Zoom(double factor, int64_t anchor)
{
    if (!(factor > 0) || !std::isfinite(factor) || layout_.BlockCount() == 0) return false;
    const double z = PixelsPerSample();
    const double fit = double(fitP_) / double(fitQ_);
    const double target = std::clamp(z * factor, fit, std::max(fit, MaxPixelsPerSample()));
    if (std::fabs(target - z) <= kSameScale * z) return false;

    // Where the anchor pixel is in the recording: a fraction of a sample in its block, or the
    // block's end nearer a gap.
    const int64_t at = ToLayout(anchor);
    const HostPosition position = layout_.PositionAt(at);
    if (position.block < 0) return false;
    const int32_t block = position.block;
    const bool inData = at >= layout_.DataStart(block) && at < layout_.DataStart(block) + layout_.DataWidth(block);
    double sample = inData ? layout_.SampleAt(block, double(at)) : double(position.sample);
    sample = std::clamp(sample, 0.0, double(layout_.Length(block)));

    fitsAll_ = target <= fit * (1.0 + kSameScale);
    int64_t p = fitP_, q = fitQ_;
    if (!fitsAll_) RationalScale(target, &p, &q);
    if (!layout_.Scale(p, q)) return false;
    const double pixel = double(layout_.DataStart(block)) + sample * PixelsPerSample();
    ScrollTo(std::llround(pixel - double(anchor)));
    return true;
}

void DataView::ScrollTo(int64_t offset) { offset_ = std::clamp<int64_t>(offset, 0, MaxOffset()); }

int64_t DataView::MaxOffset() const { return std::max<int64_t>(0, layout_.TotalWidth() - width_); }

double DataView::PixelsPerSample() const { return double(layout_.ScaleP()) / double(layout_.ScaleQ()); }

bool DataView::CanZoomIn() const { return PixelsPerSample() < MaxPixelsPerSample() * (1.0 - kSameScale); }

double DataView::MaxPixelsPerSample() const
{
    const int64_t samples = layout_.SampleCount();
    if (samples == 0) return kMaxPixelsPerSample;
    // Each block's width is rounded up: a pixel each.
    const double room = double(kMaxLayoutWidth - layout_.GapPixels() - layout_.BlockCount());
    return std::min(kMaxPixelsPerSample, room / double(samples));
}

void DataView::RationalScale(double z, int64_t* p, int64_t* q)
{
    constexpr double kDigits = double(int64_t(1) << 30);
    if (z >= 1.0) {
        *q = int64_t(1) << 30;
        *p = std::max<int64_t>(1, std::llround(z * kDigits));
    } else {
        *p = int64_t(1) << 30;
        *q = std::max<int64_t>(1, std::llround(kDigits / z));
    }
}

}  // namespace Velogram
