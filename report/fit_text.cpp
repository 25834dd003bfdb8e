#include "report/fit_text.h"

#include <cmath>
#include <locale>

#include "calibration/calibration_fit.h"
#include "calibration/fit_kind.h"
#include "values/units/prefix_table.h"
#include "foundation/ostring_stream.h"
#include "resources/string_ids.h"

namespace Tessar {
namespace {

// A wide string stream in its default state, but with the classic locale whatever the
// process's global locale is.
class TextStream : public KVI::OStringStream {
public:
    TextStream() { imbue(std::locale::classic()); }
};

void WritePolynomial(std::wostream& os, const std::vector<double>& c)
{
    const size_t n = c.size();
    for (size_t k = n; k-- > 0;) {
        WriteTerm(os, c[k], k + 1 < n || c[k] < 0);
        if (k >= 1) os << L'x';
        if (k >= 2) os << L'^' << k;
    }
}

}  // namespace

void WriteTerm(std::wostream& os, double v, bool withSign)
{
    if (withSign) os << (v < 0 ? L" - " : L" + ");
    os << std::fabs(v);
}

std::vector<long double> DisplayMatrix(const CalibrationData& data, const KVI::UnitInfo& sourceUnit)
{
    const std::size_t n = data.coefficients_.size();
    std::vector<long double> j(n * n, 0);
    for (std::size_t k = 0; k < n; ++k) j[k * n + k] = 1;
    const int ex = KVI::PrefixExponent(sourceUnit.prefix_);
    const int ey = KVI::PrefixExponent(data.unit_.prefix_);
    const auto power = [](int e) { return std::pow(10.0L, static_cast<long double>(e)); };
    if (IsPolynomialKind(data.fitKind_)) {
        for (size_t k = 0; k < n; ++k) j[k * n + k] = power(static_cast<int>(k) * ex - ey);
    } else if (data.fitKind_ == static_cast<int32_t>(FitKind::Logarithmic) && n >= 2) {
        // y = c0 + c1 ln(X 10^ex) = (c0 + c1 ex ln 10) + c1 ln X
        j[0] = 1 / power(ey);
        j[1] = ex * std::log(10.0L) / power(ey);
        j[n + 1] = 1 / power(ey);
    } else if (data.fitKind_ == static_cast<int32_t>(FitKind::Exponential) && n >= 2) {
        j[0] = power(ex);
        j[n + 1] = 1 / power(ey);
    }
    return j;
}

std::vector<double> DisplayCoefficients(const CalibrationData& data, const KVI::UnitInfo& sourceUnit)
{
    std::vector<double> c = data.coefficients_;
    if (KVI::PrefixExponent(sourceUnit.prefix_) == 0 && KVI::PrefixExponent(data.unit_.prefix_) == 0) return c;
    const std::vector<long double> j = DisplayMatrix(data, sourceUnit);
    const size_t n = c.size();
    for (size_t r = 0; r < n; ++r) {
        long double sum = 0;
        for (size_t k = 0; k < n; ++k)
            if (j[r * n + k] != 0) sum += j[r * n + k] * data.coefficients_[k];
        c[r] = static_cast<double>(sum);
    }
    return c;
}

KVI::String UnitsLine(const CalibrationData& data, const KVI::UnitInfo& sourceUnit)
{
    KVI::String line;
    if (!sourceUnit.name_.IsEmpty()) {
        line += u"x in ";
        line += sourceUnit.DisplayText();
    }
    if (!data.unit_.name_.IsEmpty()) {
        if (!line.IsEmpty()) line += u", ";
        line += u"y in ";
        line += data.unit_.DisplayText();
    }
    return line;
}

KVI::String FormatEquation(const CalibrationData& data, const KVI::UnitInfo& sourceUnit)
{
    TextStream os;
    os << L"y = ";
    const std::vector<double> c = DisplayCoefficients(data, sourceUnit);
    if (IsPolynomialKind(data.fitKind_)) {
        WritePolynomial(os, c);
    } else if (data.fitKind_ == static_cast<int32_t>(FitKind::Logarithmic) && c.size() >= 2) {
        WriteTerm(os, c[1], c[1] < 0);
        os << L" ln(x)";
        WriteTerm(os, c[0], true);
    } else if (data.fitKind_ == static_cast<int32_t>(FitKind::Exponential) && c.size() >= 2) {
        WriteTerm(os, c[1], c[1] < 0);
        os << L" exp(";
        WriteTerm(os, c[0], c[0] < 0);
        os << L"x)";
    } else if (data.fitKind_ == static_cast<int32_t>(FitKind::PointToPoint)) {
        os << KVI::LoadString(KVI::ThisModule(), StringId::kPointToPointEquation).ToWide();
    }
    return os.Str();
}

KVI::String FormatStatistics(const CalibrationData& data)
{
    if (data.fitKind_ == static_cast<int32_t>(FitKind::PointToPoint)) return KVI::String();
    TextStream os;
    os << L"Chi\u00B2 = " << data.chiSquare_ << L"   SSE = " << data.sse_;
    if (data.fitKind_ == static_cast<int32_t>(FitKind::Linear) && !data.forceOrigin_) {
        const double r = CorrelationCoefficient(data.rawValues_, data.calibratedValues_);
        os << L"\tr\u00B2 = " << r * r;
    }
    return os.Str();
}

KVI::String FitTypeLine(const CalibrationData& data)
{
    if (!IsFitKind(data.fitKind_)) return KVI::String();
    return KVI::LoadString(KVI::ThisModule(), FitLongNameId(static_cast<FitKind>(data.fitKind_)));
}

}  // namespace Tessar
