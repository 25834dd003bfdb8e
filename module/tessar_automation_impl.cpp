#include "module/tessar_automation_impl.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <optional>
#include <vector>

#include "calibration/calibration_dates.h"
#include "calibration/calibration_fit.h"
#include "calibration/evaluators.h"
#include "calibration/fit_advice.h"
#include "calibration/fit_kind.h"
#include "calibration/fit_uncertainty.h"
#include "calibration/inverse_curve.h"
#include "calibration/interface_guard.h"
#include "calibration/reference_table.h"
#include "calibration/settings_text.h"
#include "calibration/tessar_ext.h"
#include "calibration/tessar_settings.h"
#include "module/automation_answers.h"
#include "platform/com_ptr.h"
#include "report/fit_text.h"
#include "report/uncertainty_text.h"
#include "resources/string_ids.h"

namespace Tessar {
namespace {

static_assert(static_cast<int32_t>(InverseFailure::None) == kTessarInverseFound);
static_assert(static_cast<int32_t>(InverseFailure::NotANumber) == kTessarInverseNotANumber);
static_assert(static_cast<int32_t>(InverseFailure::NoCurve) == kTessarInverseNoCurve);
static_assert(static_cast<int32_t>(InverseFailure::NoSolution) == kTessarInverseNoSolution);
static_assert(static_cast<int32_t>(InverseFailure::SeveralSolutions) == kTessarInverseSeveral);

std::vector<KVI::String> Texts(int32_t count, IAutoKVIString* const* texts)
{
    std::vector<KVI::String> out;
    out.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) out.emplace_back(texts[i]);
    return out;
}

// The provenance of rows given with standard deviations (base units): measured with that SD,
// the rest not known. Empty without SDs.
std::vector<PointProvenance> Provenance(int32_t count, const double* rawSds)
{
    std::vector<PointProvenance> rows;
    if (!rawSds) return rows;
    for (int32_t i = 0; i < count; ++i) {
        PointProvenance p;
        p.measured = std::isfinite(rawSds[i]) && rawSds[i] >= 0;
        if (p.measured) p.sd = rawSds[i];
        rows.push_back(p);
    }
    return rows;
}

// The message of a failed fit: why, where the module can say.
uint32_t FailureMessage(FitFailure failure)
{
    switch (failure) {
    case FitFailure::CannotCarry:
        return StringId::kFitCannotCarry;
    case FitFailure::NotFinite:
        return StringId::kFitNotFinite;
    default:
        return StringId::kFitFailed;
    }
}

// The texts a laboratory keeps, by GetFitText's which.
KVI::String KeptText(const CalibrationData& d, int32_t which)
{
    switch (which) {
    case kTessarCalibrationDate:
        return d.calibrationDate_;
    case kTessarDueDate: {
        const std::optional<int64_t> due = DueDay(d);
        return due ? KVI::String::FromUtf8(FormatIsoDate(*due)) : KVI::String();
    }
    case kTessarCertificate:
        return d.certificate_;
    case kTessarOperator:
        return d.operator_;
    default:
        return d.note_;
    }
}

template <class T>
void Put(T* out, T value)
{
    if (out) *out = value;
}

// The record's uncertainty. false when its points no longer fit (a hand-edited document);
// uncertainty.Build's own result (false for point to point) in built.
bool RefitUncertainty(const CalibrationData& data, FitUncertainty& uncertainty, bool& built,
                      FitDiagnostics* diagnostics = nullptr)
{
    CalibrationData refit = data;
    if (!FitCalibration(refit, diagnostics)) return false;
    built = uncertainty.Build(data);
    return true;
}

}  // namespace

HRESULT TessarAutomation::FitPoints(int32_t count, IAutoKVIString* const* rawTexts,
                                    IAutoKVIString* const* calibratedTexts, IAutoKVIString* sourceUnit,
                                    IAutoKVIString* unit, int32_t fitKind, int32_t forceOrigin, int32_t channel,
                                    IPersistObject** settings, IAutoKVIString** message)
{
    return FitPointsEx(count, rawTexts, calibratedTexts, nullptr, sourceUnit, unit, fitKind, forceOrigin, channel, 0,
                       settings, message);
}

HRESULT TessarAutomation::FitPointsEx(int32_t count, IAutoKVIString* const* rawTexts,
                                      IAutoKVIString* const* calibratedTexts, const double* rawSds,
                                      IAutoKVIString* sourceUnit, IAutoKVIString* unit, int32_t fitKind,
                                      int32_t forceOrigin, int32_t channel, int32_t flags, IPersistObject** settings,
                                      IAutoKVIString** message)
{
    if (!settings || !message) return E_POINTER;
    *settings = nullptr;
    *message = nullptr;
    if (count < 0 || (count > 0 && (!rawTexts || !calibratedTexts))) return E_INVALIDARG;
    if ((flags & ~kTessarFitKeepReplicates) != 0) return E_INVALIDARG;
    const RepeatedRawValues repeated =
        (flags & kTessarFitKeepReplicates) != 0 ? RepeatedRawValues::Kept : RepeatedRawValues::Refused;
    return GuardedCall([&] {
        const std::vector<KVI::String> raw = Texts(count, rawTexts);
        const std::vector<KVI::String> calibrated = Texts(count, calibratedTexts);

        CalibrationData data(channel);
        data.fitKind_ = fitKind;
        data.forceOrigin_ = forceOrigin != 0;
        data.unit_ = UnitFromText(KVI::String(unit));
        ReadReferencePoints(raw, calibrated, UnitFromText(KVI::String(sourceUnit)), data, repeated,
                            Provenance(count, rawSds));
        if (const uint32_t refusal = CheckReferenceTable(raw, data, repeated)) return Refuse(refusal, message);
        FitDiagnostics diagnostics;
        if (!FitCalibration(data, &diagnostics)) return Refuse(FailureMessage(diagnostics.failure), message);

        // A stored calibration always shows calculated data; with no recording at hand its
        // pane spans the calibrated values.
        data.calculatedView_ = true;
        const auto [low, high] = std::minmax_element(data.calibratedValues_.begin(), data.calibratedValues_.end());
        ExpandedRange(*low, *high, data.paneTop_, data.paneBottom_);

        platform::ComPtr<TessarSettings> result(new TessarSettings(data));
        *settings = result.Detach();
        return S_OK;
    });
}

HRESULT TessarAutomation::GetFitDiagnostics(IPersistObject* settings, TessarFitDiagnostics* out)
{
    if (!out) return E_POINTER;
    const TessarSettings* s = SettingsOf(settings);
    constexpr int32_t kSmallest = offsetof(TessarFitDiagnostics, singularValuesCut) + sizeof(int32_t);
    if (!s || out->size < kSmallest) return E_INVALIDARG;
    return GuardedCall([&] {
        FitDiagnostics diagnostics;
        FitUncertainty uncertainty;
        bool built = false;
        if (!RefitUncertainty(s->Data(), uncertainty, built, &diagnostics)) return E_FAIL;
        TessarFitDiagnostics full;
        full.singularValuesCut = diagnostics.singularValuesCut;
        full.conditionNumber = diagnostics.conditionNumber;
        full.degreesOfFreedom = built ? uncertainty.DegreesOfFreedom() : 0;
        full.fittedCoefficients = built ? uncertainty.Parameters() : 0;
        full.residualStandardDeviation = built ? uncertainty.ResidualStandardDeviation() : NAN;
        CopySized(full, out);
        return S_OK;
    });
}

HRESULT TessarAutomation::DescribeFit(IPersistObject* settings, int32_t capacity, double* coefficients,
                                      int32_t* count, int32_t* fitKind, int32_t* forceOrigin, double* chiSquare,
                                      double* sse, double* r)
{
    if (!count || (capacity > 0 && !coefficients)) return E_POINTER;
    *count = 0;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || capacity < 0) return E_INVALIDARG;
    const CalibrationData& data = s->Data();
    const auto all = static_cast<int32_t>(data.coefficients_.size());
    const int32_t copied = std::min(all, capacity);
    std::copy_n(data.coefficients_.begin(), copied, coefficients);
    *count = all;
    Put(fitKind, data.fitKind_);
    Put(forceOrigin, data.forceOrigin_ ? 1 : 0);
    Put(chiSquare, data.chiSquare_);
    Put(sse, data.sse_);
    Put(r, CorrelationCoefficient(data.rawValues_, data.calibratedValues_));
    return copied < all ? S_FALSE : S_OK;
}

HRESULT TessarAutomation::GetFitText(IPersistObject* settings, int32_t which, IAutoKVIString** out)
{
    return GetFitTextInUnits(settings, which, nullptr, out);
}

HRESULT TessarAutomation::GetFitTextInUnits(IPersistObject* settings, int32_t which, IAutoKVIString* sourceUnit,
                                            IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const TessarSettings* s = SettingsOf(settings);
    if (!s) return E_INVALIDARG;
    switch (which) {
    case kTessarSettingsText:
        return GuardedCall([&] {
            *out = FormatSettingsText(s->Data()).NewReference();
            return S_OK;
        });
    case kTessarUncertaintyLines:
        return GuardedCall([&] {
            KVI::String text;
            for (const KVI::String& line : UncertaintyLines(s->Data(), UnitFromText(KVI::String(sourceUnit)))) {
                text += line;
                text += u"\n";
            }
            *out = text.NewReference();
            return S_OK;
        });
    case kTessarAdviceLine:
        return GuardedCall([&] {
            *out = AdviceLine(AdviseFitKind(s->Data())).NewReference();
            return S_OK;
        });
    case kTessarCalibrationDate:
    case kTessarDueDate:
    case kTessarCertificate:
    case kTessarOperator:
    case kTessarNote:
        return GuardedCall([&] {
            *out = KeptText(s->Data(), which).NewReference();
            return S_OK;
        });
    case kTessarFitTypeLine:
    case kTessarEquation:
    case kTessarStatistics:
    case kTessarUnitsLine:
        // The same texts the fit report shows.
        return GuardedCall([&] {
            const CalibrationData& d = s->Data();
            const KVI::UnitInfo raw = UnitFromText(KVI::String(sourceUnit));
            const KVI::String text = which == kTessarFitTypeLine ? FitTypeLine(d)
                                     : which == kTessarEquation  ? FormatEquation(d, raw)
                                     : which == kTessarUnitsLine ? UnitsLine(d, raw)
                                                                 : FormatStatistics(d);
            *out = text.NewReference();
            return S_OK;
        });
    default:
        return E_INVALIDARG;
    }
}

namespace {

std::atomic<TessarAutomation::ReportRenderer>& Renderer()
{
    static std::atomic<TessarAutomation::ReportRenderer> renderer{nullptr};
    return renderer;
}

}  // namespace

void TessarAutomation::InstallReportRenderer(ReportRenderer renderer) { Renderer().store(renderer); }

HRESULT TessarAutomation::RenderReport(IPersistObject* settings, IAutoKVIString* path, int32_t flags)
{
    return RenderReportInUnits(settings, path, flags, nullptr);
}

HRESULT TessarAutomation::RenderReportInUnits(IPersistObject* settings, IAutoKVIString* path, int32_t flags,
                                              IAutoKVIString* sourceUnit)
{
    const ReportRenderer renderer = Renderer().load();
    if (!renderer) return E_NOTIMPL;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || !path) return E_INVALIDARG;
    return GuardedCall(
        [&] { return renderer(s->Data(), UnitFromText(KVI::String(sourceUnit)), KVI::String(path), flags); });
}

HRESULT TessarAutomation::EvaluateFit(IPersistObject* settings, int32_t count, double* values)
{
    if (count > 0 && !values) return E_POINTER;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || count < 0) return E_INVALIDARG;
    const CalibrationData& data = s->Data();
    // The enumerators' choice of evaluator by kind; a kind outside 0..7 has no fit to evaluate.
    if (!IsFitKind(data.fitKind_)) return E_FAIL;
    return EvaluateCalibration(data.fitKind_, data.coefficients_, values, values + count) ? S_OK : E_FAIL;
}

HRESULT TessarAutomation::WithDecimalPlaces(IPersistObject* settings, int32_t places, IPersistObject** copy)
{
    if (!copy) return E_POINTER;
    *copy = nullptr;
    const TessarSettings* s = SettingsOf(settings);
    // The range of the dialog's decimal places, which the data format relies on.
    if (!s || places < 0 || places > 6) return E_INVALIDARG;
    return GuardedCall([&] {
        CalibrationData data = s->Data();
        data.decimalPlaces_ = places;
        platform::ComPtr<TessarSettings> result(new TessarSettings(data));
        *copy = result.Detach();
        return S_OK;
    });
}

HRESULT TessarAutomation::GetStandardErrors(IPersistObject* settings, int32_t capacity, double* errors,
                                            int32_t* count)
{
    if (!count || (capacity > 0 && !errors)) return E_POINTER;
    *count = 0;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || capacity < 0) return E_INVALIDARG;
    return GuardedCall([&] {
        FitUncertainty uncertainty;
        bool built = false;
        if (!RefitUncertainty(s->Data(), uncertainty, built)) return E_FAIL;
        const std::vector<double> all = built ? uncertainty.StandardErrors() : std::vector<double>();
        const auto n = static_cast<int32_t>(all.size());
        std::copy_n(all.begin(), std::min(n, capacity), errors);
        *count = n;
        return capacity < n ? S_FALSE : S_OK;
    });
}

HRESULT TessarAutomation::GetPredictionHalfWidths(IPersistObject* settings, int32_t count, const double* raw,
                                                  double* halfWidths)
{
    if (count > 0 && (!raw || !halfWidths)) return E_POINTER;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || count < 0) return E_INVALIDARG;
    return GuardedCall([&] {
        FitUncertainty uncertainty;
        bool built = false;
        if (!RefitUncertainty(s->Data(), uncertainty, built)) return E_FAIL;
        const auto n = static_cast<std::size_t>(count);
        if (built)
            uncertainty.HalfWidths(std::span<const double>(raw, n), std::span<double>(halfWidths, n));
        else
            std::fill_n(halfWidths, n, NAN);
        return S_OK;
    });
}

HRESULT TessarAutomation::GetFitAdvice(IPersistObject* settings, TessarFitAdvice* out)
{
    if (!out) return E_POINTER;
    const TessarSettings* s = SettingsOf(settings);
    constexpr int32_t kSmallest = offsetof(TessarFitAdvice, simplerKind) + sizeof(int32_t);
    if (!s || out->size < kSmallest) return E_INVALIDARG;
    return GuardedCall([&] {
        const FitAdvice advice = AdviseFitKind(s->Data());
        TessarFitAdvice full;
        full.bestKind = advice.best;
        full.simplerKind = advice.simpler;
        std::copy(advice.press.begin(), advice.press.end(), full.press);
        CopySized(full, out);
        return S_OK;
    });
}

HRESULT TessarAutomation::InvertFit(IPersistObject* settings, double calibrated, int32_t flags, int32_t* status,
                                    double* raw, int32_t capacity, double* solutions, int32_t* count)
{
    if (!status || (capacity > 0 && !solutions)) return E_POINTER;
    const TessarSettings* s = SettingsOf(settings);
    if (!s || capacity < 0 || (flags & ~kTessarInvertWithinPoints) != 0) return E_INVALIDARG;
    return GuardedCall([&] {
        const InverseDomain domain = (flags & kTessarInvertWithinPoints) != 0 ? InverseDomain::PointsRange
                                                                                : InverseDomain::ExtrapolatingEnds;
        const InverseResult result = InvertCalibration(s->Data(), calibrated, domain);
        *status = static_cast<int32_t>(result.failure);
        Put(raw, result.raw);
        const auto n = static_cast<int32_t>(result.solutions.size());
        std::copy_n(result.solutions.begin(), std::min(n, capacity), solutions);
        Put(count, n);
        return S_OK;
    });
}

}  // namespace Tessar
