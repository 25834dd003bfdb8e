// The space a least-squares calibration is fitted in. Every least-squares kind is a polynomial
// z = P(t) fitted by ScaledPolynomialFit:
//
//   kind              t       z       P(t), from the stored coefficients c
//   0..4 polynomials  x       y       c0 + c1 t + ... (c0 = 0 exactly under force origin)
//   5 logarithmic     ln x    y       c0 + c1 t
//   6 exponential     x       ln y    ln c1 + c0 t
//
// The fits, their uncertainty, the leave-one-out errors and the inverse curve all pass
// through these maps, so the kinds differ in one place only.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace Tessar {

// Kinds 0..6: the kinds fitted by least squares (point to point is not).
constexpr bool IsLeastSquaresKind(int32_t kind) { return kind >= 0 && kind <= 6; }

// The degree of P for a least-squares kind (the polynomial order; 1 for kinds 5 and 6); 0 for
// any other kind.
int FittedDegree(int32_t kind);

// Whether P has a fitted constant term: every kind but a polynomial under force origin.
bool FittedConstantTerm(int32_t kind, bool forceOrigin);

// t of a raw value x: ln x for the logarithmic kind (NaN for x <= 0 or NaN), x otherwise.
long double FittedAbscissa(int32_t kind, long double x);
// z of a calibrated value y: ln y for the exponential kind (NaN for y <= 0 or NaN), y otherwise.
long double FittedOrdinate(int32_t kind, long double y);
// The calibrated value of a fitted z: e^z for the exponential kind, z otherwise.
long double CurveOrdinate(int32_t kind, long double z);

// P's coefficients in powers of t (constant first) from the stored coefficients: the stored
// ones for kinds 0..5, (ln c1, c0) for the exponential kind (NaN for ln of c1 <= 0). Empty
// when the coefficients are too few for the kind.
std::vector<long double> FittedPolynomial(int32_t kind, std::span<const double> stored);

// P(t) by Horner's rule in long double.
long double EvaluateFitted(std::span<const long double> polynomial, long double t);

}  // namespace Tessar
