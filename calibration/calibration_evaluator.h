// Tessar::CalibrationEvaluator: a fit kind and its coefficients made ready for block after block
// of samples, as an enumerator applies them. What EvaluateCalibration builds on every call (the
// point-to-point segment table and its index) is built here once, so a table of many points
// costs its construction once per setting rather than once per block. The results are those
// of EvaluateCalibration, bit for bit.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "calibration/point_to_point_table.h"

namespace Tessar {

class CalibrationEvaluator {
public:
    // Evaluates nothing: Evaluate returns false.
    CalibrationEvaluator() = default;
    // [in] fitKind, coefficients: as EvaluateCalibration takes them. Does not throw: a table
    // that cannot be allocated is built on every call instead (which then fails the same way).
    CalibrationEvaluator(int32_t fitKind, std::vector<double> coefficients) noexcept;

    CalibrationEvaluator(const CalibrationEvaluator& other) noexcept;
    CalibrationEvaluator& operator=(const CalibrationEvaluator& other) noexcept;
    CalibrationEvaluator(CalibrationEvaluator&&) noexcept = default;
    CalibrationEvaluator& operator=(CalibrationEvaluator&&) noexcept = default;
    ~CalibrationEvaluator();

    int32_t FitKind() const { return fitKind_; }
    const std::vector<double>& Coefficients() const { return coefficients_; }

    // EvaluateCalibration(FitKind(), Coefficients(), first, last).
    bool Evaluate(double* first, double* last) const noexcept;
    // EvaluateCalibration(FitKind(), Coefficients(), first, last) for float samples.
    bool Evaluate(float* first, float* last) const noexcept;

private:
    template <class T>
    bool EvaluateSamples(T* first, T* last) const noexcept;

    int32_t fitKind_ = 0;
    std::vector<double> coefficients_;
    std::unique_ptr<const PointToPointTable> table_;  // point to point with at least 2 points
};

}  // namespace Tessar
