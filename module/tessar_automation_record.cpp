// TessarAutomation's slots about what a laboratory keeps with a calibration: the calibration
// file, the record's dates and range, and changes to them.
#include <cmath>
#include <limits>
#include <optional>

#include "calibration/calibration_dates.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_fit.h"
#include "calibration/interface_guard.h"
#include "calibration/outside_rule.h"
#include "calibration/tessar_ext.h"
#include "calibration/tessar_settings.h"
#include "module/automation_answers.h"
#include "module/tessar_automation_impl.h"
#include "platform/com_ptr.h"

namespace Tessar {
namespace {

constexpr int32_t kKnownRecordFields = kTessarSetRangePolicy | kTessarSetWeights | kTessarSetValidityDays |
                                       kTessarSetZeroOffset | kTessarSetCalibrationDate | kTessarSetDueDate |
                                       kTessarSetCertificate | kTessarSetOperator | kTessarSetNote;

bool Has(const TessarRecordChanges& c, int32_t field) { return (c.fields & field) != 0; }

// A date of the changes: empty, or one that reads; nothing for another text.
std::optional<KVI::String> DateChange(IAutoKVIString* text)
{
    KVI::String date(text);
    if (!date.IsEmpty() && !ParseIsoDate(date.ToUtf8())) return std::nullopt;
    return date;
}

}  // namespace

HRESULT TessarAutomation::SaveCalibrationFile(IPersistObject* settings, IAutoKVIString* path,
                                              IAutoKVIString** message)
{
    if (!message) return E_POINTER;
    *message = nullptr;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || !path) return E_INVALIDARG;
    return GuardedCall([&] {
        const std::string error = WriteCalibrationFileAt(KVI::String(path).ToUtf8(), s->Data());
        return error.empty() ? S_OK : Tell(error, message);
    });
}

HRESULT TessarAutomation::LoadCalibrationFile(IAutoKVIString* path, int32_t channel, IPersistObject** settings,
                                              IAutoKVIString** message)
{
    if (!settings || !message) return E_POINTER;
    *settings = nullptr;
    *message = nullptr;
    if (!path) return E_INVALIDARG;
    return GuardedCall([&] {
        CalibrationData data;
        const std::string error = ReadCalibrationFileAt(KVI::String(path).ToUtf8(), data);
        if (!error.empty()) return Tell(error, message);
        if (channel >= 0) data.channel_ = channel;
        platform::ComPtr<TessarSettings> result(new TessarSettings(data));
        *settings = result.Detach();
        return S_OK;
    });
}

HRESULT TessarAutomation::GetCalibrationInfo(IPersistObject* settings, TessarCalibrationInfo* out)
{
    if (!out) return E_POINTER;
    const TessarSettings* s = SettingsOf(settings);
    constexpr int32_t kSmallest = offsetof(TessarCalibrationInfo, rangePolicy) + sizeof(int32_t);
    if (!s || out->size < kSmallest) return E_INVALIDARG;
    const CalibrationData& d = s->Data();
    TessarCalibrationInfo full;
    full.rangePolicy = d.rangePolicy_;
    full.weights = d.weights_;
    full.validityDays = d.validityDays_;
    full.zeroOffset = d.zeroOffset_;
    const OutsideRule rule = OutsideRule::Of(d);
    const bool anyPoint = std::isfinite(rule.low);
    full.rawLow = anyPoint ? rule.low : std::numeric_limits<double>::quiet_NaN();
    full.rawHigh = anyPoint ? rule.high : std::numeric_limits<double>::quiet_NaN();
    if (const std::optional<int64_t> due = DueDay(d)) {
        full.hasDueDay = 1;
        full.dueDay = *due;
        full.expired = IsExpired(d, Today()) ? 1 : 0;
    }
    for (const PointProvenance& p : d.provenance_) full.measuredPoints += p.measured ? 1 : 0;
    CopySized(full, out);
    return S_OK;
}

HRESULT TessarAutomation::WithRecordChanges(IPersistObject* settings, const TessarRecordChanges* changes,
                                            IPersistObject** copy, IAutoKVIString** message)
{
    if (!copy || !message || !changes) return E_POINTER;
    *copy = nullptr;
    *message = nullptr;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || changes->size < int32_t(sizeof(TessarRecordChanges)) || (changes->fields & ~kKnownRecordFields) != 0)
        return E_INVALIDARG;
    const TessarRecordChanges& c = *changes;
    if ((Has(c, kTessarSetRangePolicy) && (c.rangePolicy < 0 || c.rangePolicy > int32_t(RangePolicy::Blank))) ||
        (Has(c, kTessarSetWeights) && (c.weights < 0 || c.weights > int32_t(PointWeights::InverseVariance))) ||
        (Has(c, kTessarSetValidityDays) && c.validityDays < 0) ||
        (Has(c, kTessarSetZeroOffset) && !std::isfinite(c.zeroOffset)))
        return E_INVALIDARG;
    return GuardedCall([&] {
        CalibrationData d = s->Data();
        if (Has(c, kTessarSetRangePolicy)) d.rangePolicy_ = c.rangePolicy;
        if (Has(c, kTessarSetValidityDays)) d.validityDays_ = c.validityDays;
        if (Has(c, kTessarSetZeroOffset)) d.zeroOffset_ = c.zeroOffset;
        for (auto [field, text, date] : {std::tuple(kTessarSetCalibrationDate, c.calibrationDate, &d.calibrationDate_),
                                         std::tuple(kTessarSetDueDate, c.dueDate, &d.dueDate_)}) {
            if (!Has(c, field)) continue;
            const std::optional<KVI::String> read = DateChange(text);
            if (!read) return Tell("the date \"" + KVI::String(text).ToUtf8() + "\" is no date YYYY-MM-DD", message);
            *date = *read;
        }
        if (Has(c, kTessarSetCertificate)) d.certificate_ = KVI::String(c.certificate);
        if (Has(c, kTessarSetOperator)) d.operator_ = KVI::String(c.operatorName);
        if (Has(c, kTessarSetNote)) d.note_ = KVI::String(c.note);
        if (Has(c, kTessarSetWeights) && c.weights != d.weights_) {
            d.weights_ = c.weights;
            FitDiagnostics diagnostics;
            if (!FitCalibration(d, &diagnostics))
                return Tell("the points cannot be fitted with these weights", message);
        }
        platform::ComPtr<TessarSettings> result(new TessarSettings(d));
        *copy = result.Detach();
        return S_OK;
    });
}

}  // namespace Tessar
