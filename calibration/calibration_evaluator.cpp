#include "calibration/calibration_evaluator.h"

#include <new>
#include <utility>

#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "calibration/point_to_point_kernel.h"

namespace Tessar {

CalibrationEvaluator::CalibrationEvaluator(int32_t fitKind, std::vector<double> coefficients) noexcept
    : fitKind_(fitKind), coefficients_(std::move(coefficients))
{
    if (fitKind_ != static_cast<int32_t>(FitKind::PointToPoint) || coefficients_.size() / 2 < 2)
        return;
    try {
        table_ = std::make_unique<const PointToPointTable>(coefficients_);
    } catch (const std::bad_alloc&) {
        table_.reset();
    }
}

CalibrationEvaluator::CalibrationEvaluator(const CalibrationEvaluator& other) noexcept
{
    *this = other;
}

CalibrationEvaluator& CalibrationEvaluator::operator=(const CalibrationEvaluator& other) noexcept
{
    if (this == &other)
        return *this;
    try {
        *this = CalibrationEvaluator(other.fitKind_, other.coefficients_);
    } catch (const std::bad_alloc&) {
        // Without room for the coefficients nothing is evaluated rather than something else.
        *this = CalibrationEvaluator();
    }
    return *this;
}

CalibrationEvaluator::~CalibrationEvaluator() = default;

template <class T>
bool CalibrationEvaluator::EvaluateSamples(T* first, T* last) const noexcept
{
    if (!table_)
        return EvaluateCalibration(fitKind_, coefficients_, first, last);
    if (last > first)
        PointToPointKernel(*table_, first, static_cast<std::size_t>(last - first));
    return true;
}

bool CalibrationEvaluator::Evaluate(double* first, double* last) const noexcept { return EvaluateSamples(first, last); }

bool CalibrationEvaluator::Evaluate(float* first, float* last) const noexcept { return EvaluateSamples(first, last); }

}  // namespace Tessar
