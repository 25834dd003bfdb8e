// The polynomial kernel performs Horner's rule's own roundings on every instruction set: the
// interleaved chains, the whole vectors and the padded last vector all give the sample-by-sample
// result bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "calibration/polynomial_kernel.h"
#include "tests/calibration/kernel_targets.h"

namespace {

double Horner(const std::vector<double>& c, double x)
{
    double v = c.back();
    for (std::size_t k = c.size() - 1; k-- > 0;)
        v = v * x + c[k];
    return v;
}

TEST(PolynomialKernel, HornersRoundingsOnEveryInstructionSet)
{
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> value(-30.0, 30.0);
    std::vector<double> raw(1000);
    for (double& x : raw)
        x = value(random);
    raw[3] = std::nan("");
    raw[40] = INFINITY;
    const std::vector<double> all = {0.25, -1.5, 2.0, 0.125, -3.0e-3, 7.5e-5, 1.0e-6, -2.5e-8};
    TestSupport::ForEachKernelTarget([&] {
        for (std::size_t count = 1; count <= all.size(); ++count) {
            const std::vector<double> c(all.begin(), all.begin() + count);
            for (std::size_t n : {0, 1, 5, 8, 31, 32, 33, 63, 1000}) {
                std::vector<double> v(raw.begin(), raw.begin() + n);
                Tessar::PolynomialKernel(c.data(), c.size(), v.data(), n);
                for (std::size_t i = 0; i < n; ++i) {
                    const double expected = count == 1 && std::isnan(raw[i]) ? raw[i] : Horner(c, raw[i]);
                    ASSERT_TRUE(std::bit_cast<uint64_t>(v[i]) == std::bit_cast<uint64_t>(expected) ||
                                (std::isnan(v[i]) && std::isnan(expected)))
                        << count << " coefficients, sample " << i << " of " << n << ": " << v[i] << " vs " << expected;
                }
            }
        }
    });
}

}  // namespace
