// Tessar::TessarAutomation: the module's ITessarAutomation (interfaces/tessar_automation.h),
// part of the calculation class object: its IUnknown slots go to that object, so QueryInterface
// from it reaches every interface of the class object and back.
#pragma once

#include "calibration/calibration_data.h"
#include "interfaces/tessar_automation.h"

namespace Tessar {

class TessarAutomation final : public ITessarAutomation {
public:
    // [in] owner: the class object it belongs to (not referenced; it outlives this object).
    explicit TessarAutomation(IUnknown* owner) : owner_(owner) {}
    TessarAutomation(const TessarAutomation&) = delete;
    TessarAutomation& operator=(const TessarAutomation&) = delete;
    ~TessarAutomation() = default;

    HRESULT QueryInterface(REFIID iid, void** out) override { return owner_->QueryInterface(iid, out); }
    uint32_t AddRef() override { return owner_->AddRef(); }
    uint32_t Release() override { return owner_->Release(); }

    // Slots 3 to 16: contracts in interfaces/tessar_automation.h.
    HRESULT FitPoints(int32_t count, IAutoKVIString* const* rawTexts, IAutoKVIString* const* calibratedTexts,
                      IAutoKVIString* sourceUnit, IAutoKVIString* unit, int32_t fitKind, int32_t forceOrigin,
                      int32_t channel, IPersistObject** settings, IAutoKVIString** message) override;
    HRESULT DescribeFit(IPersistObject* settings, int32_t capacity, double* coefficients, int32_t* count,
                        int32_t* fitKind, int32_t* forceOrigin, double* chiSquare, double* sse, double* r) override;
    HRESULT GetFitText(IPersistObject* settings, int32_t which, IAutoKVIString** out) override;
    HRESULT RenderReport(IPersistObject* settings, IAutoKVIString* path, int32_t flags) override;
    HRESULT EvaluateFit(IPersistObject* settings, int32_t count, double* values) override;
    HRESULT WithDecimalPlaces(IPersistObject* settings, int32_t places, IPersistObject** copy) override;
    HRESULT FitPointsEx(int32_t count, IAutoKVIString* const* rawTexts, IAutoKVIString* const* calibratedTexts,
                        const double* rawSds, IAutoKVIString* sourceUnit, IAutoKVIString* unit, int32_t fitKind,
                        int32_t forceOrigin, int32_t channel, int32_t flags, IPersistObject** settings,
                        IAutoKVIString** message) override;
    HRESULT GetFitDiagnostics(IPersistObject* settings, TessarFitDiagnostics* out) override;
    HRESULT GetFitTextInUnits(IPersistObject* settings, int32_t which, IAutoKVIString* sourceUnit,
                              IAutoKVIString** out) override;
    HRESULT RenderReportInUnits(IPersistObject* settings, IAutoKVIString* path, int32_t flags,
                                IAutoKVIString* sourceUnit) override;
    HRESULT SaveCalibrationFile(IPersistObject* settings, IAutoKVIString* path, IAutoKVIString** message) override;
    HRESULT LoadCalibrationFile(IAutoKVIString* path, int32_t channel, IPersistObject** settings,
                                IAutoKVIString** message) override;
    HRESULT GetCalibrationInfo(IPersistObject* settings, TessarCalibrationInfo* out) override;
    HRESULT WithRecordChanges(IPersistObject* settings, const TessarRecordChanges* changes, IPersistObject** copy,
                              IAutoKVIString** message) override;
    HRESULT GetStandardErrors(IPersistObject* settings, int32_t capacity, double* errors, int32_t* count) override;
    HRESULT GetPredictionHalfWidths(IPersistObject* settings, int32_t count, const double* raw,
                                    double* halfWidths) override;
    HRESULT GetFitAdvice(IPersistObject* settings, TessarFitAdvice* out) override;
    HRESULT InvertFit(IPersistObject* settings, double calibrated, int32_t flags, int32_t* status, double* raw,
                      int32_t capacity, double* solutions, int32_t* count) override;

    // What RenderReport hands a settings object's record to: the fit report, which needs the
    // module's Qt half, installs itself when the module is loaded (report/report_file.h);
    // without one RenderReport answers E_NOTIMPL. Results are RenderReport's.
    using ReportRenderer = HRESULT (*)(const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                                       const KVI::String& path, int32_t flags);
    static void InstallReportRenderer(ReportRenderer renderer);

private:
    IUnknown* owner_;
};

}  // namespace Tessar
