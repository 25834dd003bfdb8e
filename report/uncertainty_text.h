// The fit report's lines on how good a calibration is, after the lines of the fit itself: the
// residual standard deviation, the prediction half-widths over the points, the standard errors
// of the equation's coefficients, and the advice on the fit kind. The details block of the
// picture and the page, the copied text and the host's command line show the same characters.
//
// Numbers as in fit_text.h: six significant digits, classic locale; values in the displayed
// units (the calibrated unit's prefix; the coefficients' as the equation's, DisplayMatrix).
// "±" is U+00B1.
#pragma once

#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/fit_advice.h"
#include "calibration/fit_uncertainty.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"

namespace Tessar {

// The line that says no uncertainty can be estimated: the curve has as many coefficients as
// points and passes through them all.
extern const char16_t kNoDegreesOfFreedom[];

// The uncertainty lines of a least-squares fit (none for point to point or a record whose
// points no longer fit), in order:
//   "s = 1.18 mmHg (2 degrees of freedom)", for the exponential kind "s = 0.0123 in ln y (...)"
//   (one degree of freedom is written "1 degree of freedom"); with none left, only
//   kNoDegreesOfFreedom;
//   "95 % prediction at the points: ± 2.1 to 2.6 mmHg" (the smallest and the largest half-width
//   of the prediction interval at the points' raw values; one number when they agree to six
//   digits);
//   "Standard errors: c0 ± 0.341, c1 ± 0.0213", c_k as in the equation (multiplying x^k; for
//   the exponential c0 the rate and c1 the amplitude).
// [in] uncertainty: built from data, or null to build it here.
std::vector<KVI::String> UncertaintyLines(const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                                          const FitUncertainty* uncertainty = nullptr);

// "Best supported by these points: " and the short name of the best kind (string 265 + kind),
// followed, when a kind with fewer coefficients comes within 10 %, by " (" its name
// " is within 10 % and simpler)"; empty when no kind could be compared.
KVI::String AdviceLine(const FitAdvice& advice);

// The standard errors of the equation's coefficients in the displayed units: the square roots
// of the diagonal of J C J^T, J the DisplayMatrix and C the stored coefficients' covariance.
std::vector<double> DisplayStandardErrors(const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                                          const FitUncertainty& uncertainty);

}  // namespace Tessar
