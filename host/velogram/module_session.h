// ModuleSession: the framework started as the application starts it (libzor.so from the
// executable's directory), the modules in that directory loaded through it, and the
// calibration module's classes found by kind: the calculation class named "Tessar", its
// settings class, and its automation interface. The command line reaches the module through
// these and nothing else.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "interfaces/class_objects.h"
#include "interfaces/tessar_automation.h"
#include "interfaces/zor_framework.h"
#include "host/velogram/reference_points.h"
#include "platform/com_ptr.h"

namespace Velogram {

// A fit as the module describes it.
struct FitDescription {
    int32_t kind = 0;
    bool forceOrigin = false;
    std::vector<double> coefficients;  // in stored order
    double chiSquare = 0;
    double sse = 0;
    double r = 0;  // NaN for fewer than two distinct values
    // UTF-8 texts: the settings' one-line text form, and the fit report's fit-type line,
    // equation and statistics line, exactly as the report shows them.
    std::string settingsText;
    std::string fitTypeLine;
    std::string equation;  // in the displayed units: x in the source unit, y in the calibration's
    std::string statistics;
    std::string units;     // the equation's units, "x in mV, y in kPa"; empty when none
    // The conditioning of the least-squares fit (0 for point to point), and the singular
    // values cut by the 1e-10 rule (when any, the fit is not unique).
    double conditionNumber = 0;
    int32_t singularValuesCut = 0;
    // How good the fit is (least-squares kinds): nu = n - p, the residual standard deviation
    // s in the fitted space (ln y for the exponential; NaN for nu = 0 and point to point), the
    // standard errors of the coefficients in stored order and base units (empty for point to
    // point), the report's uncertainty lines in the displayed units.
    int32_t degreesOfFreedom = 0;
    double residualStandardDeviation = 0;
    std::vector<double> standardErrors;
    std::vector<std::string> uncertaintyLines;
    // The advice on the fit kind: the best kind and a simpler one within 10 % (-1: none), each
    // kind's leave-one-out error (NaN where not compared), and the report's line.
    int32_t adviceKind = -1;
    int32_t simplerKind = -1;
    std::vector<double> press;
    std::string advice;
};

// What the module says of the raw value of a calibrated value.
struct InverseOutcome {
    int32_t status = kTessarInverseNoCurve;  // a TessarInverseStatus
    double raw = 0;                          // base units, when status is kTessarInverseFound
    std::vector<double> solutions;           // every raw value found, ascending
};

class ModuleSession {
public:
    // Throws CommandError when the framework or the calibration module cannot be started.
    // A damaged units file is reported on standard error and does not stop the command.
    ModuleSession();

    IZorFramework* Framework() const { return framework_.Get(); }
    ICalculationClass* CalculationClass() const { return calcClass_.Get(); }
    ITessarAutomation* Automation() const { return automation_.Get(); }

    // Fits the points (texts with their units completed, see CompletePointUnits) into new
    // settings. [in] sourceUnit, unit: unit texts ("V", "kPa"; may be empty); kind 0..7;
    // channel: the source channel recorded in the settings. Replicate standards (points with
    // equal raw values) are kept for the least-squares kinds. Throws CommandError with the
    // module's message when it refuses the table (a repeated raw value for point to point, too
    // few points for the kind, a failed fit and why).
    platform::ComPtr<IPersistObject> Fit(const std::vector<ReferencePoint>& points, const std::string& sourceUnit,
                                         const std::string& unit, int32_t kind, bool forceOrigin,
                                         int32_t channel) const;
    // A copy of the settings with decimal places 0..6.
    platform::ComPtr<IPersistObject> WithDecimalPlaces(IPersistObject* settings, int32_t places) const;
    // [in] sourceUnit: the raw values' unit text (may be empty), for the equation's units.
    FitDescription Describe(IPersistObject* settings, const std::string& sourceUnit) const;
    // The fitted function at raw values in base units, in double precision.
    std::vector<double> Evaluate(IPersistObject* settings, std::vector<double> raw) const;
    // The half-widths of the 95 % prediction intervals at raw values in base units (calibrated
    // base units; NaN where there is none).
    std::vector<double> PredictionHalfWidths(IPersistObject* settings, std::vector<double> raw) const;
    // The raw value of a calibrated value in base units; withinPoints: search only between the
    // points' lowest and highest raw values, not on the curve's extrapolating ends.
    InverseOutcome Invert(IPersistObject* settings, double calibrated, bool withinPoints) const;
    // A copy of the settings with the changes of what a laboratory keeps. Throws CommandError
    // with the module's reason.
    platform::ComPtr<IPersistObject> WithRecordChanges(IPersistObject* settings,
                                                       const TessarRecordChanges& changes) const;
    TessarCalibrationInfo CalibrationInfo(IPersistObject* settings) const;
    // A text of the settings by ITessarAutomation's TessarFitText, UTF-8.
    std::string FitText(IPersistObject* settings, int32_t which) const { return Text(settings, which, {}); }
    // The calibration file of the settings, and new settings from one (for the source channel
    // channel). Throw CommandError with the module's reason.
    void SaveCalibrationFile(IPersistObject* settings, const std::string& path) const;
    platform::ComPtr<IPersistObject> LoadCalibrationFile(const std::string& path, int32_t channel) const;

    // Renders the fit report of the settings to a file: PDF or PNG by the path's extension,
    // the raw values in sourceUnit (may be empty). Throws CommandError naming the file when the
    // module cannot write it.
    void RenderReport(IPersistObject* settings, const std::string& path, const std::string& sourceUnit) const;

private:
    std::string Text(IPersistObject* settings, int32_t which, const std::string& sourceUnit) const;

    platform::ComPtr<IZorFramework> framework_;
    platform::ComPtr<ICalculationClass> calcClass_;
    platform::ComPtr<ITessarAutomation> automation_;
};

// The warning of a fit that is not unique, on err; nothing for a unique fit.
void WarnOfCutSingularValues(const FitDescription& fit, std::ostream& err);

// The text of a failure code, for messages ("Unspecified error.").
std::string ResultText(HRESULT hr);

}  // namespace Velogram
