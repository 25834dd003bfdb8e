#include "host/velogram/module_session.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <ostream>

#include "foundation/hresult_message.h"
#include "foundation/kvi_string.h"
#include "host/velogram/command_error.h"
#include "host/zor/framework_client.h"
#include "platform/module.h"

namespace Velogram {
namespace {

using platform::ComPtr;

constexpr char16_t kCalculationName[] = u"Tessar";

}  // namespace

void WarnOfCutSingularValues(const FitDescription& fit, std::ostream& err)
{
    if (fit.singularValuesCut > 0)
        err << "velogram: warning: " << fit.singularValuesCut
            << (fit.singularValuesCut == 1 ? " singular value was" : " singular values were")
            << " cut by the 1e-10 rule: the points do not determine the fit, which is not unique "
               "(the minimum-norm solution was taken)\n";
}

std::string ResultText(HRESULT hr)
{
    std::string text = KVI::HResultMessage(hr).ToUtf8();
    if (text.empty()) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        text = std::string("error ") + code;
    }
    return text;
}

ModuleSession::ModuleSession()
{
    std::string problem;
    if (FAILED(Zor::StartFramework("", framework_.Put(), &problem)))
        throw CommandError("the framework library cannot be started: " + problem);

    int32_t loaded = 0;
    platform::ComPtr<IAutoKVIString> report;
    framework_->LoadModules(nullptr, &loaded, report.Put());
    const std::string skipped = KVI::TakeUtf8(std::move(report));

    platform::ComPtr<IAutoKVIString> unitsProblem;
    if (framework_->GetUnitsFileProblem(unitsProblem.Put()) == S_OK)
        std::fprintf(stderr, "velogram: warning: %s\n", KVI::TakeUtf8(std::move(unitsProblem)).c_str());

    ComPtr<IUnknown> calc;
    Zor::FindClassByName(framework_.Get(), KIND_CalculationClass, kCalculationName, calc.Put());
    if (!calc || FAILED(calc.As(IID_ICalculationClass, calcClass_)) ||
        FAILED(calc.As(IID_ITessarAutomation, automation_))) {
        std::string message = "the calibration module (libtessar.so) is not loaded from " +
                              platform::ExecutableDirectory();
        if (!skipped.empty()) message += ":\n" + skipped;
        throw CommandError(message);
    }
}

ComPtr<IPersistObject> ModuleSession::Fit(const std::vector<ReferencePoint>& points, const std::string& sourceUnit,
                                          const std::string& unit, int32_t kind, bool forceOrigin,
                                          int32_t channel) const
{
    std::vector<KVI::String> raw, calibrated;
    for (const ReferencePoint& p : points) {
        raw.push_back(KVI::String::FromUtf8(p.raw));
        calibrated.push_back(KVI::String::FromUtf8(p.calibrated));
    }
    std::vector<IAutoKVIString*> rawTexts, calibratedTexts;
    for (size_t i = 0; i < raw.size(); ++i) {
        rawTexts.push_back(raw[i].Interface());
        calibratedTexts.push_back(calibrated[i].Interface());
    }
    ComPtr<IPersistObject> settings;
    platform::ComPtr<IAutoKVIString> message;
    // Standard deviations in base units; NaN for a point without one.
    std::vector<double> sds;
    for (const ReferencePoint& p : points) sds.push_back(p.sd.empty() ? std::nan("") : BaseValue(p.sd));
    const HRESULT hr = automation_->FitPointsEx(
        static_cast<int32_t>(points.size()), rawTexts.data(), calibratedTexts.data(), sds.data(),
        KVI::String::FromUtf8(sourceUnit).Interface(), KVI::String::FromUtf8(unit).Interface(), kind,
        forceOrigin ? 1 : 0, channel, kTessarFitKeepReplicates, settings.Put(), message.Put());
    const std::string text = KVI::TakeUtf8(std::move(message));
    if (hr == KVI_E_MESSAGE && !text.empty()) throw CommandError(text);
    if (FAILED(hr) || !settings) throw CommandError("the calibration module cannot fit the points: " + ResultText(hr));
    return settings;
}

ComPtr<IPersistObject> ModuleSession::WithDecimalPlaces(IPersistObject* settings, int32_t places) const
{
    ComPtr<IPersistObject> copy;
    const HRESULT hr = automation_->WithDecimalPlaces(settings, places, copy.Put());
    if (FAILED(hr)) throw CommandError("decimal places " + std::to_string(places) + ": " + ResultText(hr));
    return copy;
}

FitDescription ModuleSession::Describe(IPersistObject* settings, const std::string& sourceUnit) const
{
    FitDescription d;
    int32_t count = 0, force = 0;
    HRESULT hr = automation_->DescribeFit(settings, 0, nullptr, &count, &d.kind, &force, &d.chiSquare, &d.sse, &d.r);
    if (SUCCEEDED(hr) && count > 0) {
        d.coefficients.resize(size_t(count));
        hr = automation_->DescribeFit(settings, count, d.coefficients.data(), &count, nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
    }
    if (hr != S_OK) throw CommandError("the calibration module cannot describe the fit: " + ResultText(hr));
    d.forceOrigin = force != 0;
    d.settingsText = Text(settings, kTessarSettingsText, sourceUnit);
    d.fitTypeLine = Text(settings, kTessarFitTypeLine, sourceUnit);
    d.equation = Text(settings, kTessarEquation, sourceUnit);
    d.statistics = Text(settings, kTessarStatistics, sourceUnit);
    d.units = Text(settings, kTessarUnitsLine, sourceUnit);
    TessarFitDiagnostics diagnostics;
    if (SUCCEEDED(automation_->GetFitDiagnostics(settings, &diagnostics))) {
        d.conditionNumber = diagnostics.conditionNumber;
        d.singularValuesCut = diagnostics.singularValuesCut;
        d.degreesOfFreedom = diagnostics.degreesOfFreedom;
        d.residualStandardDeviation = diagnostics.residualStandardDeviation;
    }
    int32_t errors = 0;
    if (SUCCEEDED(automation_->GetStandardErrors(settings, 0, nullptr, &errors)) && errors > 0) {
        d.standardErrors.resize(size_t(errors));
        if (FAILED(automation_->GetStandardErrors(settings, errors, d.standardErrors.data(), &errors)))
            d.standardErrors.clear();
    }
    std::string lines = Text(settings, kTessarUncertaintyLines, sourceUnit);
    for (size_t end; (end = lines.find('\n')) != std::string::npos; lines.erase(0, end + 1))
        d.uncertaintyLines.push_back(lines.substr(0, end));
    TessarFitAdvice advice;
    if (SUCCEEDED(automation_->GetFitAdvice(settings, &advice))) {
        d.adviceKind = advice.bestKind;
        d.simplerKind = advice.simplerKind;
        d.press.assign(std::begin(advice.press), std::end(advice.press));
    }
    d.advice = Text(settings, kTessarAdviceLine, sourceUnit);
    return d;
}

std::vector<double> ModuleSession::PredictionHalfWidths(IPersistObject* settings, std::vector<double> raw) const
{
    const HRESULT hr =
        automation_->GetPredictionHalfWidths(settings, static_cast<int32_t>(raw.size()), raw.data(), raw.data());
    if (FAILED(hr))
        throw CommandError("the calibration module cannot give the prediction intervals: " + ResultText(hr));
    return raw;
}

InverseOutcome ModuleSession::Invert(IPersistObject* settings, double calibrated, bool withinPoints) const
{
    InverseOutcome outcome;
    int32_t count = 0;
    const int32_t flags = withinPoints ? kTessarInvertWithinPoints : 0;
    HRESULT hr = automation_->InvertFit(settings, calibrated, flags, &outcome.status, &outcome.raw, 0, nullptr, &count);
    if (SUCCEEDED(hr) && count > 0) {
        outcome.solutions.resize(size_t(count));
        hr = automation_->InvertFit(settings, calibrated, flags, &outcome.status, &outcome.raw, count,
                                    outcome.solutions.data(), &count);
    }
    if (FAILED(hr)) throw CommandError("the calibration module cannot invert the fit: " + ResultText(hr));
    return outcome;
}

std::vector<double> ModuleSession::Evaluate(IPersistObject* settings, std::vector<double> raw) const
{
    const HRESULT hr = automation_->EvaluateFit(settings, static_cast<int32_t>(raw.size()), raw.data());
    if (FAILED(hr)) throw CommandError("the calibration module cannot evaluate the fit: " + ResultText(hr));
    return raw;
}

void ModuleSession::RenderReport(IPersistObject* settings, const std::string& path,
                                 const std::string& sourceUnit) const
{
    const std::string lower = [&] {
        std::string l = path;
        for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return l;
    }();
    const bool known = lower.ends_with(".pdf") || lower.ends_with(".png");
    if (!known) throw CommandError("the report must be a .pdf or .png file: " + path);
    const KVI::String wide = KVI::String::FromUtf8(path);
    const HRESULT hr =
        automation_->RenderReportInUnits(settings, wide.Interface(), 0, KVI::String::FromUtf8(sourceUnit).Interface());
    if (FAILED(hr)) throw CommandError("cannot write the report " + path + ": " + ResultText(hr));
}

ComPtr<IPersistObject> ModuleSession::WithRecordChanges(IPersistObject* settings,
                                                       const TessarRecordChanges& changes) const
{
    ComPtr<IPersistObject> copy;
    ComPtr<IAutoKVIString> message;
    const HRESULT hr = automation_->WithRecordChanges(settings, &changes, copy.Put(), message.Put());
    const std::string text = KVI::TakeUtf8(std::move(message));
    if (hr == KVI_E_MESSAGE && !text.empty()) throw CommandError(text);
    if (FAILED(hr) || !copy) throw CommandError("the calibration cannot take the changes: " + ResultText(hr));
    return copy;
}

TessarCalibrationInfo ModuleSession::CalibrationInfo(IPersistObject* settings) const
{
    TessarCalibrationInfo info;
    const HRESULT hr = automation_->GetCalibrationInfo(settings, &info);
    if (FAILED(hr)) throw CommandError("the calibration module cannot describe the calibration: " + ResultText(hr));
    return info;
}

void ModuleSession::SaveCalibrationFile(IPersistObject* settings, const std::string& path) const
{
    ComPtr<IAutoKVIString> message;
    const HRESULT hr =
        automation_->SaveCalibrationFile(settings, KVI::String::FromUtf8(path).Interface(), message.Put());
    const std::string text = KVI::TakeUtf8(std::move(message));
    if (hr == KVI_E_MESSAGE && !text.empty()) throw CommandError(text);
    if (FAILED(hr)) throw CommandError("cannot write the calibration file " + path + ": " + ResultText(hr));
}

ComPtr<IPersistObject> ModuleSession::LoadCalibrationFile(const std::string& path, int32_t channel) const
{
    ComPtr<IPersistObject> settings;
    ComPtr<IAutoKVIString> message;
    const HRESULT hr = automation_->LoadCalibrationFile(KVI::String::FromUtf8(path).Interface(), channel,
                                                        settings.Put(), message.Put());
    const std::string text = KVI::TakeUtf8(std::move(message));
    if (hr == KVI_E_MESSAGE && !text.empty()) throw CommandError(text);
    if (FAILED(hr) || !settings) throw CommandError("cannot read the calibration file " + path + ": " + ResultText(hr));
    return settings;
}

std::string ModuleSession::Text(IPersistObject* settings, int32_t which, const std::string& sourceUnit) const
{
    platform::ComPtr<IAutoKVIString> text;
    const HRESULT hr =
        automation_->GetFitTextInUnits(settings, which, KVI::String::FromUtf8(sourceUnit).Interface(), text.Put());
    if (FAILED(hr)) throw CommandError("the calibration module cannot write the fit's text: " + ResultText(hr));
    return KVI::TakeUtf8(std::move(text));
}

}  // namespace Velogram
