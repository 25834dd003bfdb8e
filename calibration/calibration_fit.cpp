#include "calibration/calibration_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "calibration/curve_fit.h"
#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"

namespace Tessar {

namespace {

// Point to point needs no fitting: the points themselves, sorted by raw value, are the
// coefficients.
bool BuildPointTable(CalibrationData& data)
{
    const std::vector<double>& raw = data.rawValues_;
    const std::vector<double>& calibrated = data.calibratedValues_;
    data.coefficients_.resize(2 * raw.size(), 0.0);
    data.chiSquare_ = 0.0;
    if (calibrated.size() != raw.size())
        return false;
    std::map<double, double> sorted;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        // A NaN would break the map's ordering, and a non-finite point gives no segment.
        if (!std::isfinite(raw[i]) || !std::isfinite(calibrated[i]))
            return false;
        sorted.emplace(raw[i], calibrated[i]);
    }
    if (sorted.size() != raw.size())
        return false;  // a raw value repeats
    std::size_t k = 0;
    for (const auto& [x, y] : sorted) {
        data.coefficients_[k++] = x;
        data.coefficients_[k++] = y;
    }
    return true;
}

bool FitByKind(CalibrationData& data, FitDiagnostics* diagnostics)
{
    const CCurveFit fit;
    const int32_t kind = data.fitKind_;
    const std::vector<double> sigma = PointSigmas(data);
    if (IsPolynomialKind(kind))
        return fit.PolynomialFit(PolynomialOrder(kind), data.rawValues_, data.calibratedValues_,
                                 data.coefficients_, data.chiSquare_, data.forceOrigin_, sigma, diagnostics);
    switch (static_cast<FitKind>(kind)) {
    case FitKind::Logarithmic:
        return fit.LogarithmicFit(data.rawValues_, data.calibratedValues_, data.coefficients_,
                                  data.chiSquare_, sigma, diagnostics);
    case FitKind::Exponential:
        return fit.ExponentialFit(data.rawValues_, data.calibratedValues_, data.coefficients_,
                                  data.chiSquare_, sigma, diagnostics);
    case FitKind::PointToPoint:
        return BuildPointTable(data);
    default:
        return false;
    }
}

}  // namespace

std::vector<double> PointSigmas(const CalibrationData& data)
{
    if (data.weights_ != static_cast<int32_t>(PointWeights::InverseVariance) ||
        data.provenance_.size() != data.rawValues_.size())
        return {};
    const auto usable = [](const PointProvenance& p) { return p.measured && std::isfinite(p.sd) && p.sd > 0; };
    std::vector<double> known;
    for (const PointProvenance& p : data.provenance_)
        if (usable(p)) known.push_back(p.sd);
    if (known.empty()) return {};
    std::sort(known.begin(), known.end());
    const size_t h = known.size() / 2;
    const double median = known.size() % 2 ? known[h] : known[h - 1] / 2 + known[h] / 2;
    std::vector<double> sigma;
    for (const PointProvenance& p : data.provenance_) sigma.push_back(usable(p) ? p.sd : median);
    return sigma;
}

bool HasEnoughPoints(const CalibrationData& data)
{
    if (!IsFitKind(data.fitKind_))
        return false;
    const auto fewest = static_cast<std::size_t>(FewestPoints(data.fitKind_));
    return data.rawValues_.size() >= fewest && data.calibratedValues_.size() >= fewest;
}

bool FitCalibration(CalibrationData& data, FitDiagnostics* diagnostics)
{
    FitDiagnostics details;
    bool fitted = FitByKind(data, &details);
    if (!fitted && details.failure == FitFailure::None)
        details.failure = FitFailure::Refused;
    ComputeSse(data);
    if (fitted && !std::isfinite(data.sse_)) {
        details.failure = FitFailure::NotFinite;
        fitted = false;
    }
    if (diagnostics)
        *diagnostics = details;
    return fitted;
}

std::size_t ComputeSse(CalibrationData& data)
{
    const std::size_t n = std::min(data.rawValues_.size(), data.calibratedValues_.size());
    std::vector<double> fitted(data.rawValues_.begin(), data.rawValues_.begin() + n);
    // The sample enumerators use the polynomial for any unknown kind; here an unknown kind has
    // no function, so the identity stands in.
    if (IsFitKind(data.fitKind_))
        EvaluateCalibration(data.fitKind_, data.coefficients_, fitted.data(), fitted.data() + n);
    double sse = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double r = data.calibratedValues_[i] - fitted[i];
        sse += r * r;
    }
    data.sse_ = sse;
    return n;
}

double CorrelationCoefficient(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0)
        return std::numeric_limits<double>::quiet_NaN();
    double meanX = 0.0, meanY = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        meanX += x[i];
        meanY += y[i];
    }
    meanX /= static_cast<double>(n);
    meanY /= static_cast<double>(n);
    double sxy = 0.0, sxx = 0.0, syy = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = x[i] - meanX;
        const double dy = y[i] - meanY;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    const double denominator = std::sqrt(sxx) * std::sqrt(syy);
    if (!(denominator > 0.0))
        return std::numeric_limits<double>::quiet_NaN();
    return sxy / denominator;
}

}  // namespace Tessar
