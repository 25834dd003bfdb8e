// The dialog's calibrated stream against the curve computed here by hand: a linear and a quadratic
// fit with each range policy and a zero offset, at, inside and beyond both end points.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "calibration/outside_rule.h"
#include "platform/com_ptr.h"
#include "settings_dialog/calibrated_stream.h"
#include "tests/support/fake_host_document.h"

namespace {

using platform::ComPtr;
using Tessar::CalibratedStream;
using Tessar::OutsideRule;
using Tessar::RangePolicy;

std::vector<float> ReadAll(IEnumFloatEx* stream)
{
    std::vector<float> out(64);
    uint32_t got = 0;
    stream->Next(uint32_t(out.size()), out.data(), &got);
    out.resize(got);
    return out;
}

TEST(CalibratedStream, AppliesTheRangePolicyAndTheOffsetAroundTheCurve)
{
    const std::vector<float> raw = {-2.0f, -1.0f, -0.5f, 0.0f, 1.5f, 3.0f, 3.5f, 10.0f, NAN};
    // Points from -1 to 3: the curve is continued, held at the end values, or blanked outside.
    struct Case {
        const char* name;
        int32_t kind;
        std::vector<double> coefficients;
        std::function<double(double)> curve;
        RangePolicy policy;
        double offset;
    } cases[] = {
        {"linear, extrapolate", 0, {1.0, 2.0}, [](double x) { return 1 + 2 * x; }, RangePolicy::Extrapolate, 0},
        {"linear, clamp, offset", 0, {1.0, 2.0}, [](double x) { return 1 + 2 * x; }, RangePolicy::Clamp, -0.25},
        {"quadratic, clamp", 1, {0.5, 0.0, 3.0}, [](double x) { return 0.5 + 3 * x * x; }, RangePolicy::Clamp, 0},
        {"quadratic, blank, offset", 1, {0.5, 0.0, 3.0}, [](double x) { return 0.5 + 3 * x * x; }, RangePolicy::Blank,
         2.0},
    };
    for (const Case& c : cases) {
        OutsideRule rule;
        rule.policy = c.policy;
        rule.low = -1.0;
        rule.high = 3.0;
        rule.offset = c.offset;
        ComPtr<IEnumFloatEx> source = ComPtr<IEnumFloatEx>::Adopt(TestSupport::NewVectorStream(raw));
        ComPtr<IEnumFloatEx> stream =
            ComPtr<IEnumFloatEx>::Adopt(new CalibratedStream(source.Get(), c.kind, c.coefficients, rule));
        const std::vector<float> got = ReadAll(stream.Get());
        ASSERT_EQ(got.size(), raw.size()) << c.name;
        for (size_t i = 0; i < raw.size(); ++i) {
            const double x = raw[i];
            const bool outside = x < -1.0 || x > 3.0;
            double expected;
            if (std::isnan(x))
                expected = NAN;
            else if (outside && c.policy == RangePolicy::Blank)
                expected = NAN;
            else if (outside && c.policy == RangePolicy::Clamp)
                expected = c.curve(x < -1.0 ? -1.0 : 3.0) + c.offset;
            else
                expected = c.curve(x) + c.offset;
            if (std::isnan(expected))
                EXPECT_TRUE(std::isnan(got[i])) << c.name << " at " << x;
            else
                EXPECT_FLOAT_EQ(got[i], float(expected)) << c.name << " at " << x;
        }
    }
}

TEST(CalibratedStream, AFitThatCannotBeEvaluatedGivesNaNWithOrWithoutARule)
{
    const std::vector<float> raw = {1.0f, 2.0f, 3.0f};
    for (const RangePolicy policy : {RangePolicy::Extrapolate, RangePolicy::Clamp}) {
        OutsideRule rule;
        rule.policy = policy;
        rule.low = 0.0;
        rule.high = 4.0;
        ComPtr<IEnumFloatEx> source = ComPtr<IEnumFloatEx>::Adopt(TestSupport::NewVectorStream(raw));
        // A logarithmic fit needs two coefficients.
        ComPtr<IEnumFloatEx> stream = ComPtr<IEnumFloatEx>::Adopt(new CalibratedStream(source.Get(), 5, {1.0}, rule));
        const std::vector<float> got = ReadAll(stream.Get());
        ASSERT_EQ(got.size(), raw.size());
        for (float v : got) EXPECT_TRUE(std::isnan(v)) << v;
    }
}

}  // namespace
