// Fuzzes the sample enumerator's SetSettingsText with any text (the input in UTF-8), then reads
// samples through it. Checks: SetSettingsText succeeds and keeps the text; every sample comes
// back; each equals the raw sample passed through the calibration that the settings text parser
// reads from the text (the raw sample itself when the text gives no coefficients), under the
// text's range policy and zero offset written out plainly here; a clone calibrates alike.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "module/calc_enum_class.h"
#include "module/class_object_list.h"
#include "calibration/evaluators.h"
#include "calibration/settings_text.h"
#include "platform/code_page.h"
#include "platform/com_ptr.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;

void Check(bool condition)
{
    if (!condition) std::abort();
}

const std::vector<float>& RawSamples()
{
    static const std::vector<float> samples = {0.0f,  -0.0f, 1.0f,  -1.0f, 0.5f,   2.0f,  3.5f,  -7.25f, 1e-30f,
                                               1e30f, 100.f, 12.f,  4.0f,  -1e30f, 1e-3f, 65.5f,
                                               std::numeric_limits<float>::quiet_NaN(),
                                               std::numeric_limits<float>::infinity(),
                                               -std::numeric_limits<float>::infinity()};
    return samples;
}

// What the enumerator must make of the raw samples under the text: outside the finite raw
// points' range Clamp evaluates at the nearer end and Blank gives NaN; the offset is added last.
std::vector<float> Expected(const std::u16string& text)
{
    Tessar::CalibrationData d;
    Tessar::ParseSettingsText(text, Tessar::SettingsTextScope::Full, d);
    std::vector<float> out = RawSamples();
    if (d.coefficients_.empty()) return out;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (double x : d.rawValues_)
        if (std::isfinite(x)) {
            low = std::min(low, x);
            high = std::max(high, x);
        }
    if (low > high) {
        low = -std::numeric_limits<double>::infinity();
        high = std::numeric_limits<double>::infinity();
    }
    const auto policy = static_cast<Tessar::RangePolicy>(d.rangePolicy_);
    std::vector<double> work(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const double raw = out[i];
        const bool clamp = policy == Tessar::RangePolicy::Clamp && (raw < low || raw > high);
        work[i] = clamp ? (raw < low ? low : high) : raw;
    }
    Tessar::EvaluateCalibration(d.fitKind_, d.coefficients_, work.data(), work.data() + work.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const double raw = out[i];
        if (policy == Tessar::RangePolicy::Blank && (raw < low || raw > high))
            work[i] = std::numeric_limits<double>::quiet_NaN();
        if (d.zeroOffset_ != 0) work[i] += d.zeroOffset_;
        out[i] = static_cast<float>(work[i]);
    }
    return out;
}

bool Same(float a, float b) { return std::isnan(a) ? std::isnan(b) : std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

void ReadAndCheck(ICalcEnum* e, const std::vector<float>& expected)
{
    auto source = ComPtr<TestSupport::FakeSourceStream>::Adopt(new TestSupport::FakeSourceStream(RawSamples()));
    IUnknown* sources[] = {source.Get()};
    Check(e->Connect(1, sources, nullptr, 0) == S_OK);
    ComPtr<IEnumFloatEx> stream;
    Check(e->QueryInterface(IID_IEnumFloatEx, stream.PutVoid()) == S_OK);
    std::vector<float> out(expected.size());
    uint32_t got = 0;
    Check(stream->Next(uint32_t(out.size()), out.data(), &got) == S_OK);
    Check(got == out.size());
    for (size_t i = 0; i < out.size(); ++i) Check(Same(out[i], expected[i]));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TestSupport::FakeFramework::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text = platform::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    const KVI::String kept(text);

    ComPtr<ICalcEnum> e;
    Check(Tessar::TheCalcEnumClass().CreateEnumerator(0, e.Put()) == S_OK);
    uint32_t flags = 0;
    Check(e->SetSettingsText(kept.Interface(), &flags) == S_OK);
    Check(flags == 0x40000000u);
    ComPtr<IAutoKVIString> back;
    Check(e->GetSettingsText(back.Put()) == S_OK);
    Check(KVI::String(back.Get()) == kept);

    const std::vector<float> expected = Expected(text);
    ReadAndCheck(e.Get(), expected);
    ComPtr<ICalcEnum> copy;
    Check(e->Clone(copy.Put()) == S_OK);
    ReadAndCheck(copy.Get(), expected);
    TestSupport::Journal().Take();  // the doubles' call record would only grow
    return 0;
}
