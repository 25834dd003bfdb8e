#include "host/velogram/band_column.h"

#include <cmath>

#include "foundation/kvi_string.h"
#include "host/velogram/command_error.h"

namespace Velogram {

void BandMaximum::Add(double value)
{
    if (!std::isfinite(value)) return;
    const std::lock_guard lock(mutex_);
    if (!(value <= value_)) value_ = value;  // NaN compares false: the first value is taken
}

double BandMaximum::Value() const
{
    const std::lock_guard lock(mutex_);
    return value_;
}

BandColumn::BandColumn(ITessarAutomation* automation, IPersistObject* settings, BandMaximum& maximum)
    : automation_(automation), maximum_(&maximum)
{
    // No changes: a copy of the settings of this producer's own.
    TessarRecordChanges none;
    platform::ComPtr<IAutoKVIString> message;
    const HRESULT copied = automation_->WithRecordChanges(settings, &none, settings_.Put(), message.Put());
    const std::string why = KVI::TakeUtf8(std::move(message));
    if (FAILED(copied) || !settings_)
        throw CommandError("the calibration's prediction band cannot be computed" + (why.empty() ? "" : ": " + why));
    TessarCalibrationInfo info;
    if (FAILED(automation_->GetCalibrationInfo(settings_.Get(), &info)))
        throw CommandError("the calibration's prediction band cannot be computed: the module reports no range");
    policy_ = info.rangePolicy;
    low_ = info.rawLow;
    high_ = info.rawHigh;
}

void BandColumn::Produce(std::span<const float> raw, std::span<float> values)
{
    const size_t n = raw.size();
    work_.resize(n);
    const bool ranged = std::isfinite(low_) && std::isfinite(high_);
    for (size_t i = 0; i < n; ++i) {
        double x = raw[i];
        if (ranged && policy_ == 1) x = x < low_ ? low_ : (x > high_ ? high_ : x);
        work_[i] = x;
    }
    if (n > 0 && FAILED(automation_->GetPredictionHalfWidths(settings_.Get(), int32_t(n), work_.data(), work_.data())))
        throw CommandError("the calibration's prediction band cannot be computed: the reference points no longer fit");
    double largest = std::numeric_limits<double>::quiet_NaN();
    for (size_t i = 0; i < n; ++i) {
        const double r = raw[i];
        double h = work_[i];
        if (ranged && policy_ == 2 && (r < low_ || r > high_)) h = std::numeric_limits<double>::quiet_NaN();
        values[i] = static_cast<float>(h);
        if (std::isfinite(h) && !(h <= largest)) largest = h;
    }
    maximum_->Add(largest);
}

}  // namespace Velogram
