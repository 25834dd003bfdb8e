#include "calibration/evaluators.h"

#include <cstddef>
#include <new>

#include "calibration/exponential_kernel.h"
#include "calibration/fit_kind.h"
#include "calibration/logarithmic_kernel.h"
#include "calibration/point_to_point_kernel.h"
#include "calibration/point_to_point_table.h"
#include "calibration/polynomial_kernel.h"

namespace Tessar {

namespace {

std::size_t RangeLength(const double* first, const double* last)
{
    return last > first ? static_cast<std::size_t>(last - first) : 0;
}

}  // namespace

bool EvaluatePolynomial(const std::vector<double>& coefficients, double* first, double* last) noexcept
{
    if (coefficients.empty())
        return false;
    PolynomialKernel(coefficients.data(), coefficients.size(), first, RangeLength(first, last));
    return true;
}

bool EvaluateLogarithmic(double* first, const std::vector<double>& coefficients, double* last) noexcept
{
    if (coefficients.size() < 2)
        return false;
    LogarithmicKernel(coefficients[0], coefficients[1], first, RangeLength(first, last));
    return true;
}

bool EvaluateExponential(double* first, const std::vector<double>& coefficients, double* last) noexcept
{
    if (coefficients.size() < 2)
        return false;
    ExponentialKernel(coefficients[0], coefficients[1], first, RangeLength(first, last));
    return true;
}

bool EvaluatePointToPoint(const std::vector<double>& coefficients, double* first, double* last) noexcept
{
    if (coefficients.size() / 2 < 2)
        return false;
    // A table larger than PointToPointTable::kInlinePoints comes only from a hand-made text
    // form; its one allocation may fail.
    try {
        const PointToPointTable table(coefficients);
        PointToPointKernel(table, first, RangeLength(first, last));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool EvaluateCalibration(int32_t fitKind, const std::vector<double>& coefficients, double* first,
                         double* last) noexcept
{
    switch (static_cast<FitKind>(fitKind)) {
    case FitKind::Logarithmic: return EvaluateLogarithmic(first, coefficients, last);
    case FitKind::Exponential: return EvaluateExponential(first, coefficients, last);
    case FitKind::PointToPoint: return EvaluatePointToPoint(coefficients, first, last);
    default: return EvaluatePolynomial(coefficients, first, last);
    }
}

}  // namespace Tessar
