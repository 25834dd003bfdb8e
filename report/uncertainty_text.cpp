#include "report/uncertainty_text.h"

#include <algorithm>
#include <cmath>
#include <locale>

#include "calibration/fit_kind.h"
#include "foundation/ostring_stream.h"
#include "report/fit_text.h"
#include "report/report_data.h"
#include "resources/string_ids.h"

namespace Tessar {

const char16_t kNoDegreesOfFreedom[] = u"no degrees of freedom left: add points to estimate the uncertainty";

namespace {

// A wide stream in its default notation with the classic locale, as the Part texts are written.
class TextStream : public KVI::OStringStream {
public:
    TextStream() { imbue(std::locale::classic()); }
};

// " mmHg" of the calibrated unit, or nothing.
std::wstring UnitSuffix(const CalibrationData& data)
{
    const KVI::String unit = data.unit_.DisplayText();
    return unit.IsEmpty() ? std::wstring() : L" " + unit.ToWide();
}

KVI::String ResidualLine(const CalibrationData& data, const FitUncertainty& u)
{
    TextStream os;
    const int32_t nu = u.DegreesOfFreedom();
    const double s = u.ResidualStandardDeviation();
    os << L"s = ";
    if (data.fitKind_ == static_cast<int32_t>(FitKind::Exponential))
        os << s << L" in ln y";
    else
        os << DisplayValue(s, data.unit_.prefix_) << UnitSuffix(data);
    os << L" (" << nu << (nu == 1 ? L" degree" : L" degrees") << L" of freedom)";
    return os.Str();
}

KVI::String HalfWidthLine(const CalibrationData& data, const FitUncertainty& u)
{
    double low = INFINITY, high = -INFINITY;
    for (double x : data.rawValues_) {
        const double h = DisplayValue(u.At(x).halfWidth, data.unit_.prefix_);
        low = std::min(low, h);
        high = std::max(high, h);
    }
    TextStream lowText, highText;
    lowText << low;
    highText << high;
    TextStream os;
    os << L"95 % prediction at the points: \u00B1 " << lowText.Str().ToWide();
    if (lowText.Str() != highText.Str()) os << L" to " << highText.Str().ToWide();
    os << UnitSuffix(data);
    return os.Str();
}

KVI::String StandardErrorsLine(const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                               const FitUncertainty& u)
{
    TextStream os;
    os << L"Standard errors: ";
    const std::vector<double> errors = DisplayStandardErrors(data, sourceUnit, u);
    for (size_t k = 0; k < errors.size(); ++k) os << (k ? L", c" : L"c") << k << L" \u00B1 " << errors[k];
    return os.Str();
}

}  // namespace

std::vector<double> DisplayStandardErrors(const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                                          const FitUncertainty& uncertainty)
{
    const std::vector<double>& c = uncertainty.Covariance();
    const std::vector<long double> j = DisplayMatrix(data, sourceUnit);
    const size_t n = data.coefficients_.size();
    std::vector<double> errors(n, NAN);
    if (c.size() != n * n || j.size() != n * n) return errors;
    for (size_t r = 0; r < n; ++r) {
        long double variance = 0;
        for (size_t a = 0; a < n; ++a)
            for (size_t b = 0; b < n; ++b)
                if (j[r * n + a] != 0 && j[r * n + b] != 0) variance += j[r * n + a] * c[a * n + b] * j[r * n + b];
        errors[r] = static_cast<double>(std::sqrt(variance));
    }
    return errors;
}

std::vector<KVI::String> UncertaintyLines(const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                                          const FitUncertainty* uncertainty)
{
    FitUncertainty built;
    if (!uncertainty) {
        if (!built.Build(data)) return {};
        uncertainty = &built;
    }
    if (uncertainty->DegreesOfFreedom() < 1) return {KVI::String(kNoDegreesOfFreedom)};
    return {ResidualLine(data, *uncertainty), HalfWidthLine(data, *uncertainty),
            StandardErrorsLine(data, sourceUnit, *uncertainty)};
}

KVI::String AdviceLine(const FitAdvice& advice)
{
    if (advice.best < 0) return KVI::String();
    const auto name = [](int32_t kind) {
        return KVI::LoadString(KVI::ThisModule(), StringId::kShortFitName + static_cast<uint32_t>(kind)).ToWide();
    };
    TextStream os;
    os << L"Best supported by these points: " << name(advice.best);
    if (advice.simpler >= 0) os << L" (" << name(advice.simpler) << L" is within 10 % and simpler)";
    return os.Str();
}

}  // namespace Tessar
