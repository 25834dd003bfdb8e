// BandColumn: the column calibrate --band adds beside the calibrated one: for every raw sample
// the half-width of the 95 % prediction interval of its calibrated value, computed by the
// calibration module (ITessarAutomation::GetPredictionHalfWidths) from the raw value, in the
// calibrated channel's base unit. It follows the calibration's range policy as the calibrated
// channel does: Clamp gives the half-width at the nearer end of the reference points, Blank
// gives none (NaN, written "nan") outside them. Where the fit leaves no interval (no degree of freedom, point
// to point, a logarithm of x <= 0) the value is NaN.
//
// Each producer has its own copy of the settings, so producers on several threads never share
// one. The largest half-width seen is kept in a BandMaximum that the producers share; a chunk
// computed twice changes no maximum.
#pragma once

#include <cstdint>
#include <limits>
#include <mutex>
#include <span>
#include <vector>

#include "interfaces/persist_object.h"
#include "interfaces/tessar_automation.h"
#include "host/velogram/column_producer.h"
#include "platform/com_ptr.h"

namespace Velogram {

// The largest finite half-width of a run; NaN while there is none.
class BandMaximum {
public:
    void Add(double value);
    double Value() const;

private:
    mutable std::mutex mutex_;
    double value_ = std::numeric_limits<double>::quiet_NaN();
};

class BandColumn final : public ColumnProducer {
public:
    // [in] automation: the module's; settings: the calibrated channel's (copied here); maximum:
    // outlives the producer. Throws CommandError when the settings cannot be copied or give no
    // calibration info.
    BandColumn(ITessarAutomation* automation, IPersistObject* settings, BandMaximum& maximum);

    void Produce(std::span<const float> raw, std::span<float> values) override;

private:
    platform::ComPtr<ITessarAutomation> automation_;
    platform::ComPtr<IPersistObject> settings_;
    BandMaximum* maximum_;
    int32_t policy_ = 0;  // TessarCalibrationInfo::rangePolicy
    double low_ = 0, high_ = 0;
    std::vector<double> work_;
};

}  // namespace Velogram
