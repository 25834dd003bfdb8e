// Fuzzes the parsing of unit values. The input is the text in UTF-8. Checks: a value read is
// normalised; both formatters run on it; a value in a known unit with a prefix letter for its
// exponent reads back from its own formatted text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "values/units/unit_value.h"
#include "platform/code_page.h"

namespace {

using KVI::UnitValue;

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::wstring text =
        platform::Utf16ToWide(platform::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size)));
    const UnitValue v = UnitValue::Parse(text);
    if (v.IsInvalid()) {
        Check(v.Mantissa() == 0 && v.Exponent() == 0);
        return 0;
    }
    const double m = std::fabs(v.Mantissa());
    if (std::isfinite(m) && m != 0) {
        Check(m >= 1 && m < 1000);
        Check(v.Exponent() % 3 == 0);
    }
    for (int32_t b : {v.Exponent(), 0, -3, 24, -30})
        for (int32_t p : {0, 1, 3, 17}) (void)v.Format(b, p);
    (void)v.FormatExample();

    const double value = v.Value();
    const bool known = KVI::KnownUnitNames().count(v.Unit()) > 0;
    if (known && std::isfinite(value) && std::fabs(value) > 1e-290 && std::fabs(value) < 1e290 &&
        std::abs(v.Exponent()) <= 24) {
        const UnitValue back = UnitValue::Parse(v.Format(v.Exponent()));
        Check(!back.IsInvalid() && back.Unit() == v.Unit());
        Check(std::fabs(back.Value() - value) <= std::fabs(value) * 1e-5);
    }
    return 0;
}
