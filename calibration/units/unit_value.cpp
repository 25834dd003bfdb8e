#include "calibration/units/unit_value.h"

#include <cmath>
#include <locale>
#include <sstream>

#include "calibration/units/prefix_table.h"

namespace KVI {
namespace {

const String& InvalidText()
{
    static const String text(u"Invalid");
    return text;
}

double PowerOfTen(int64_t e) { return std::pow(10.0, static_cast<double>(e)); }

// Writes n in the general notation of a classic-locale wide stream.
std::wstring WriteNumber(double n, int32_t precision)
{
    std::wostringstream out;
    out.imbue(std::locale::classic());
    if (precision > 0) out.precision(precision);
    out << n;
    return out.str();
}

String UnitSuffix(char32_t letter, const String& unit)
{
    std::wstring suffix = L" ";
    if (letter != kNoLetter) suffix += static_cast<wchar_t>(letter);
    String text = String::FromWide(suffix);
    text += unit;
    return text;
}

}  // namespace

UnitValue::UnitValue(double mantissa, int32_t exponent, String unit)
    : mantissa_(mantissa), exponent_(exponent), unit_(std::move(unit))
{
}

UnitValue UnitValue::Invalid() { return UnitValue(0, 0, InvalidText()); }

UnitValue UnitValue::Normalised(double x, const String& unit)
{
    // log10 of an infinity or NaN has no integer floor.
    if (x == 0 || !std::isfinite(x)) return UnitValue(x, 0, unit);
    const int32_t c = static_cast<int32_t>(std::floor(std::log10(std::fabs(x))));
    int32_t exponent = c / 3 * 3;  // truncates toward zero, so negative c lands one step high
    double mantissa = x / PowerOfTen(exponent);
    if (std::fabs(mantissa) < 1) {
        mantissa *= 1000;
        exponent -= 3;
    } else if (std::fabs(mantissa) >= 1000) {
        // log10 rounded up across a power of ten; keep the mantissa below 1000.
        mantissa /= 1000;
        exponent += 3;
    }
    return UnitValue(mantissa, exponent, unit);
}

UnitValue UnitValue::Parse(const String& text) { return Parse(text.ToWide()); }

UnitValue UnitValue::Parse(std::wstring_view text)
{
    std::wistringstream in{std::wstring(text)};
    in.imbue(std::locale::classic());
    double x = 0;
    if (!(in >> x)) return Invalid();
    std::wstring word;
    if (!(in >> word)) return Normalised(x, String());

    const String whole = String::FromWide(word);
    const auto& known = KnownUnitNames();
    if (word.size() < 2 || known.count(whole)) return Normalised(x, whole);

    const int32_t exponent = ExponentOfLetter(static_cast<char32_t>(word[0]));
    const String rest = String::FromWide(std::wstring_view(word).substr(1));
    if (exponent != 0 && known.count(rest)) return Normalised(x * PowerOfTen(exponent), rest);
    return Normalised(x, whole);
}

double UnitValue::Value() const { return mantissa_ * PowerOfTen(exponent_); }

bool UnitValue::IsInvalid() const { return unit_ == InvalidText(); }

UnitValue UnitValue::ScaledBy(int32_t k) const { return Normalised(Value() * PowerOfTen(k), unit_); }

String UnitValue::Format(int32_t b, int32_t p, const String& unit) const
{
    const double n = mantissa_ * PowerOfTen(int64_t(exponent_) - b);
    String text = String::FromWide(WriteNumber(n, p));
    const String& u = unit.IsEmpty() ? unit_ : unit;
    if (!u.IsEmpty()) text += UnitSuffix(LetterOfExponent(b), u);
    return text;
}

String UnitValue::FormatExample() const
{
    if (unit_.IsEmpty()) return String::FromWide(WriteNumber(Value(), 3));
    String text = String::FromWide(WriteNumber(mantissa_, 3));
    text += UnitSuffix(LetterOfExponent(exponent_), unit_);
    return text;
}

const std::set<String>& KnownUnitNames()
{
    static const std::set<String> names = {String(u"V"), String(u"g"),   String(u"Hz"),  String(u"m"),
                                           String(u"Ohms"), String(u"L"), String(u"N"),   String(u"Pa"),
                                           String(u"A"), String(u"L/s"), String(u"L/min")};
    return names;
}

}  // namespace KVI
