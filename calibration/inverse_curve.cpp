#include "calibration/inverse_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "calibration/fit_kind.h"
#include "calibration/fitted_space.h"

namespace Tessar {

namespace {

using Polynomial = std::vector<long double>;  // constant term first

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr long double kEpsilon = std::numeric_limits<long double>::epsilon();
constexpr int kMaxIterations = 400;
// Solutions closer than this (relative) are one solution: a tangent point found from both
// sides, or a knot shared by two pieces.
constexpr long double kSameSolution = 1e-12L;

// The roots found, and whether the polynomial was zero over a whole stretch.
struct Roots {
    std::vector<long double> at;
    bool flat = false;
};

Polynomial Trimmed(Polynomial p)
{
    while (p.size() > 1 && p.back() == 0)
        p.pop_back();
    return p;
}

Polynomial Derivative(const Polynomial& p)
{
    Polynomial d;
    for (std::size_t k = 1; k < p.size(); ++k)
        d.push_back(static_cast<long double>(k) * p[k]);
    return d.empty() ? Polynomial{0} : d;
}

// What rounding in double precision can leave of a zero of p at t: a few ulps of the sum of
// its terms' magnitudes. The curve's coefficients are doubles and its users evaluate it in
// doubles, so a value this close to the curve's value at an end of the domain, or at a turning
// point, is taken as reached there.
long double RoundingAt(const Polynomial& p, long double t)
{
    long double sum = 0, power = 1;
    for (long double c : p) {
        sum += std::fabs(c) * power;
        power *= std::fabs(t);
    }
    return 4 * std::numeric_limits<double>::epsilon() * sum;
}

// Every real root lies within this bound (Cauchy's): 1 + max |p_k / p_n|.
long double RootBound(const Polynomial& p)
{
    long double largest = 0;
    for (std::size_t k = 0; k + 1 < p.size(); ++k)
        largest = std::max(largest, std::fabs(p[k] / p.back()));
    return 1 + largest;
}

// The root of p in [l, r], where p(l) and p(r) have opposite signs: Newton steps while they
// stay inside the bracket and shrink fast enough, bisection otherwise.
long double BracketedNewton(const Polynomial& p, const Polynomial& dp, long double l, long double r)
{
    long double fl = EvaluateFitted(p, l);
    long double x = l + (r - l) / 2;
    long double before = r - l;
    long double step = before;
    for (int i = 0; i < kMaxIterations; ++i) {
        const long double f = EvaluateFitted(p, x);
        if (f == 0)
            return x;
        if ((f < 0) == (fl < 0)) {
            l = x;
            fl = f;
        } else {
            r = x;
        }
        const long double d = EvaluateFitted(dp, x);
        long double next = x - f / d;
        // rtsafe's rule: Newton only while it lands inside and more than halves the step
        // before last.
        const bool newton = d != 0 && next > l && next < r && std::fabs(2 * f) < std::fabs(before * d);
        if (!newton)
            next = l + (r - l) / 2;
        before = step;
        step = next - x;
        if (next == x || r - l <= 2 * kEpsilon * std::max(std::fabs(l), std::fabs(r)))
            return next;
        x = next;
    }
    return x;
}

void AddRoot(Roots& roots, long double t) { roots.at.push_back(t); }

// The real roots of p in [a, b] (a <= b): on each monotonic piece between the roots of p'.
void RootsIn(const Polynomial& p, long double a, long double b, Roots& roots)
{
    if (p.size() == 1) {
        if (p[0] == 0) {
            roots.flat = true;
            AddRoot(roots, a);
            AddRoot(roots, b);
        }
        return;
    }
    if (p.size() == 2) {
        const long double t = -p[0] / p[1];
        if (t >= a && t <= b)
            AddRoot(roots, t);
        else if (const long double end = t < a ? a : b; std::fabs(EvaluateFitted(p, end)) <= RoundingAt(p, end))
            AddRoot(roots, end);
        return;
    }
    const Polynomial dp = Derivative(p);
    Roots turning;
    RootsIn(dp, a, b, turning);
    std::vector<long double> knots{a};
    for (long double c : turning.at)
        if (c > knots.back() && c < b)
            knots.push_back(c);
    knots.push_back(b);
    for (std::size_t k = 0; k < knots.size(); ++k) {
        const long double fk = EvaluateFitted(p, knots[k]);
        // A zero at a knot, or one that rounding hides at a turning point (a tangent).
        if (std::fabs(fk) <= RoundingAt(p, knots[k])) {
            AddRoot(roots, knots[k]);
            continue;
        }
        if (k + 1 == knots.size())
            break;
        const long double fn = EvaluateFitted(p, knots[k + 1]);
        if (std::fabs(fn) > RoundingAt(p, knots[k + 1]) && (fk < 0) != (fn < 0))
            AddRoot(roots, BracketedNewton(p, dp, knots[k], knots[k + 1]));
    }
}

// Sorted, with near-equal roots merged.
std::vector<long double> Distinct(std::vector<long double> t)
{
    std::sort(t.begin(), t.end());
    std::vector<long double> out;
    for (long double v : t)
        if (out.empty() || std::fabs(v - out.back()) > kSameSolution * std::max(std::fabs(v), std::fabs(out.back())))
            out.push_back(v);
    return out;
}

// The turning points of p (roots of p') below a or above b, as far as any lies.
long double OuterEnd(const Polynomial& p, long double end, long double bound, bool below)
{
    const Polynomial dp = Trimmed(Derivative(p));
    if (dp.size() < 2)
        return below ? -bound : bound;
    const long double reach = std::max(bound, RootBound(dp)) + std::fabs(end);
    Roots turning;
    if (below)
        RootsIn(dp, -reach, end, turning);
    else
        RootsIn(dp, end, reach, turning);
    std::vector<long double> beyond;
    for (long double c : turning.at)
        if (below ? c < end : c > end)
            beyond.push_back(c);
    if (beyond.empty())
        return below ? std::min(-bound, end) : std::max(bound, end);
    return below ? *std::max_element(beyond.begin(), beyond.end()) : *std::min_element(beyond.begin(), beyond.end());
}

InverseResult Result(const std::vector<double>& solutions, bool flat)
{
    InverseResult result;
    result.solutions = solutions;
    result.raw = kNaN;
    if (flat || solutions.size() > 1)
        result.failure = InverseFailure::SeveralSolutions;
    else if (solutions.empty())
        result.failure = InverseFailure::NoSolution;
    else
        result.raw = solutions[0];
    return result;
}

InverseResult Fail(InverseFailure failure)
{
    InverseResult result;
    result.failure = failure;
    result.raw = kNaN;
    return result;
}

// Least-squares kinds: the roots of P(t) - z in the domain of t, as raw values.
InverseResult InvertFitted(const CalibrationData& data, double y, InverseDomain domain)
{
    const int32_t kind = data.fitKind_;
    const bool exponential = kind == static_cast<int32_t>(FitKind::Exponential);
    if (FittedPolynomial(kind, data.coefficients_).empty() || data.rawValues_.empty())
        return Fail(InverseFailure::NoCurve);
    // The exponential as c0 t = ln(y / c1), which keeps the digits of y / c1 near 1.
    Polynomial q;
    if (exponential) {
        const long double ratio = static_cast<long double>(y) / data.coefficients_[1];
        if (!(ratio > 0))
            return Result({}, false);
        q = {-std::log(ratio), static_cast<long double>(data.coefficients_[0])};
    } else {
        q = FittedPolynomial(kind, data.coefficients_);
        q[0] -= y;
    }
    q = Trimmed(q);

    const auto [low, high] = std::minmax_element(data.rawValues_.begin(), data.rawValues_.end());
    long double a = FittedAbscissa(kind, *low);
    long double b = FittedAbscissa(kind, *high);
    if (std::isnan(a) || std::isnan(b))
        return Fail(InverseFailure::NoCurve);
    if (domain == InverseDomain::ExtrapolatingEnds && q.size() > 1) {
        const long double bound = RootBound(q);
        a = OuterEnd(q, a, bound, true);
        b = OuterEnd(q, b, bound, false);
    }
    Roots roots;
    RootsIn(q, a, b, roots);
    std::vector<double> solutions;
    for (long double t : Distinct(roots.at)) {
        const long double x = kind == static_cast<int32_t>(FitKind::Logarithmic) ? std::exp(t) : t;
        solutions.push_back(static_cast<double>(x));
    }
    return Result(solutions, roots.flat);
}

// Point to point: each segment's line, the first and the last extended when extrapolating.
InverseResult InvertPointToPoint(const CalibrationData& data, double y, InverseDomain domain)
{
    const std::vector<double>& c = data.coefficients_;
    const std::size_t points = c.size() / 2;
    if (points < 2)
        return Fail(InverseFailure::NoCurve);
    const bool ends = domain == InverseDomain::ExtrapolatingEnds;
    std::vector<long double> found;
    bool flat = false;
    for (std::size_t k = 0; k + 1 < points; ++k) {
        const long double xa = c[2 * k], ya = c[2 * k + 1];
        const long double xb = c[2 * k + 2], yb = c[2 * k + 3];
        if (ya == yb) {
            if (y == ya) {
                flat = true;
                found.push_back(xa);
                found.push_back(xb);
            }
            continue;
        }
        const long double f = (y - ya) / (yb - ya);
        const bool inside = f >= 0 && f <= 1;
        const bool before = ends && k == 0 && f < 0;
        const bool after = ends && k + 2 == points && f > 1;
        if (inside || before || after)
            found.push_back(f == 0 ? xa : f == 1 ? xb : xa + f * (xb - xa));
    }
    std::vector<double> solutions;
    for (long double x : Distinct(found))
        solutions.push_back(static_cast<double>(x));
    return Result(solutions, flat);
}

}  // namespace

InverseResult InvertCalibration(const CalibrationData& data, double calibrated, InverseDomain domain)
{
    if (!std::isfinite(calibrated))
        return Fail(InverseFailure::NotANumber);
    if (data.fitKind_ == static_cast<int32_t>(FitKind::PointToPoint))
        return InvertPointToPoint(data, calibrated, domain);
    if (!IsLeastSquaresKind(data.fitKind_))
        return Fail(InverseFailure::NoCurve);
    return InvertFitted(data, calibrated, domain);
}

}  // namespace Tessar
