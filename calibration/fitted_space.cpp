#include "calibration/fitted_space.h"

#include <cmath>
#include <limits>

#include "calibration/fit_kind.h"

namespace Tessar {

namespace {

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

bool IsKind(int32_t kind, FitKind named) { return kind == static_cast<int32_t>(named); }

}  // namespace

int FittedDegree(int32_t kind)
{
    if (IsPolynomialKind(kind))
        return PolynomialOrder(kind);
    return IsLeastSquaresKind(kind) ? 1 : 0;
}

bool FittedConstantTerm(int32_t kind, bool forceOrigin) { return !(IsPolynomialKind(kind) && forceOrigin); }

long double FittedAbscissa(int32_t kind, long double x)
{
    if (!IsKind(kind, FitKind::Logarithmic))
        return x;
    return x > 0 ? std::log(x) : kNaN;
}

long double FittedOrdinate(int32_t kind, long double y)
{
    if (!IsKind(kind, FitKind::Exponential))
        return y;
    return y > 0 ? std::log(y) : kNaN;
}

long double CurveOrdinate(int32_t kind, long double z)
{
    return IsKind(kind, FitKind::Exponential) ? std::exp(z) : z;
}

std::vector<long double> FittedPolynomial(int32_t kind, std::span<const double> stored)
{
    const std::size_t needed = static_cast<std::size_t>(FittedDegree(kind)) + 1;
    if (!IsLeastSquaresKind(kind) || stored.size() < needed)
        return {};
    if (IsKind(kind, FitKind::Exponential)) {
        const long double amplitude = stored[1];
        return {amplitude > 0 ? std::log(amplitude) : kNaN, static_cast<long double>(stored[0])};
    }
    return std::vector<long double>(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(needed));
}

long double EvaluateFitted(std::span<const long double> polynomial, long double t)
{
    long double p = 0;
    for (std::size_t k = polynomial.size(); k-- > 0;)
        p = p * t + polynomial[k];
    return p;
}

}  // namespace Tessar
