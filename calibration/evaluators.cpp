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

template <class T>
std::size_t RangeLength(const T* first, const T* last)
{
    return last > first ? static_cast<std::size_t>(last - first) : 0;
}

// The evaluators for samples of type T: doubles, or floats computed in double.
template <class T>
bool Polynomial(const std::vector<double>& coefficients, T* first, T* last) noexcept
{
    if (coefficients.empty())
        return false;
    PolynomialKernel(coefficients.data(), coefficients.size(), first, RangeLength(first, last));
    return true;
}

template <class T>
bool Logarithmic(const std::vector<double>& coefficients, T* first, T* last) noexcept
{
    if (coefficients.size() < 2)
        return false;
    LogarithmicKernel(coefficients[0], coefficients[1], first, RangeLength(first, last));
    return true;
}

template <class T>
bool Exponential(const std::vector<double>& coefficients, T* first, T* last) noexcept
{
    if (coefficients.size() < 2)
        return false;
    ExponentialKernel(coefficients[0], coefficients[1], first, RangeLength(first, last));
    return true;
}

template <class T>
bool PointToPoint(const std::vector<double>& coefficients, T* first, T* last) noexcept
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

template <class T>
bool Calibration(int32_t fitKind, const std::vector<double>& coefficients, T* first, T* last) noexcept
{
    switch (static_cast<FitKind>(fitKind)) {
    case FitKind::Logarithmic: return Logarithmic(coefficients, first, last);
    case FitKind::Exponential: return Exponential(coefficients, first, last);
    case FitKind::PointToPoint: return PointToPoint(coefficients, first, last);
    default: return Polynomial(coefficients, first, last);
    }
}

}  // namespace

bool EvaluatePolynomial(const std::vector<double>& coefficients, double* first, double* last) noexcept
{
    return Polynomial(coefficients, first, last);
}

bool EvaluateLogarithmic(double* first, const std::vector<double>& coefficients, double* last) noexcept
{
    return Logarithmic(coefficients, first, last);
}

bool EvaluateExponential(double* first, const std::vector<double>& coefficients, double* last) noexcept
{
    return Exponential(coefficients, first, last);
}

bool EvaluatePointToPoint(const std::vector<double>& coefficients, double* first, double* last) noexcept
{
    return PointToPoint(coefficients, first, last);
}

bool EvaluateCalibration(int32_t fitKind, const std::vector<double>& coefficients, double* first,
                         double* last) noexcept
{
    return Calibration(fitKind, coefficients, first, last);
}

bool EvaluateCalibration(int32_t fitKind, const std::vector<double>& coefficients, float* first, float* last) noexcept
{
    return Calibration(fitKind, coefficients, first, last);
}

}  // namespace Tessar
