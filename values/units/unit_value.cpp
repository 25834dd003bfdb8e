#include "values/units/unit_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "values/units/prefix_table.h"

namespace KVI {
namespace {

const String& InvalidText()
{
    static const String text(u"Invalid");
    return text;
}

double PowerOfTen(int64_t e) { return std::pow(10.0, static_cast<double>(e)); }

// The double nearest the decimal number text x 10^k: the text's own exponent raised by k, read
// once, so the result is correctly rounded. text: an optional sign, digits with an optional
// point, an optional exponent (what the stream and to_chars write). NaN when it does not read.
double ShiftedDecimal(std::string_view text, int64_t k)
{
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int64_t exponent = 0;
    const size_t e = text.find_first_of("eE");
    if (e != std::string_view::npos) {
        const std::string_view digits = text.substr(e + 1);
        const char* first = digits.data() + (digits.starts_with('+') ? 1 : 0);
        const auto r = std::from_chars(first, digits.data() + digits.size(), exponent);
        if (r.ptr != digits.data() + digits.size() || r.ec == std::errc::invalid_argument) return std::nan("");
        // An exponent past int64's range is as good as a huge one (clamped below).
        if (r.ec == std::errc::result_out_of_range) exponent = digits.starts_with('-') ? -100000 : 100000;
        text = text.substr(0, e);
    }
    // An exponent beyond any double's reach is as good as a huge one; it must not overflow.
    exponent = std::clamp<int64_t>(exponent + k, -100000, 100000);
    const std::string shifted = std::string(text) + "e" + std::to_string(exponent);
    double value = 0;
    const auto r = std::from_chars(shifted.data(), shifted.data() + shifted.size(), value);
    if (r.ptr != shifted.data() + shifted.size()) return std::nan("");
    // Out of range (from_chars leaves value alone): an overflow is infinite, an underflow 0.
    if (r.ec == std::errc::result_out_of_range)
        return std::copysign(exponent > 0 ? HUGE_VAL : 0.0, text.starts_with('-') ? -1.0 : 1.0);
    return value;
}

// The double nearest x x 10^k, x read as the shortest decimal text that gives it back.
double ShiftedDouble(double x, int64_t k)
{
    if (k == 0 || x == 0 || !std::isfinite(x)) return x;
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, x);
    return ShiftedDecimal(std::string_view(text, size_t(r.ptr - text)), k);
}

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
    : mantissa_(mantissa), exponent_(exponent), unit_(std::move(unit)), value_(ShiftedDouble(mantissa, exponent))
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
    UnitValue v(mantissa, exponent, unit);
    v.value_ = x;
    return v;
}

UnitValue UnitValue::InUnit(int32_t k, const String& unit) const
{
    if (IsInvalid()) return *this;
    return Normalised(ShiftedDouble(value_, k), unit);
}

UnitValue UnitValue::Parse(const String& text) { return Parse(text.ToWide()); }

UnitValue UnitValue::Parse(std::wstring_view text)
{
    std::wistringstream in{std::wstring(text)};
    in.imbue(std::locale::classic());
    in >> std::ws;
    const auto start = static_cast<size_t>(in.tellg());
    double x = 0;
    if (!(in >> x)) return Invalid();
    // The number as it was written, for the exact value with its prefix.
    const size_t end = in.eof() ? text.size() : static_cast<size_t>(in.tellg());
    std::string number;
    for (wchar_t c : text.substr(start, end - start)) number.push_back(static_cast<char>(c));
    std::wstring word;
    if (!(in >> word)) return Normalised(x, String());

    const String whole = String::FromWide(word);
    const auto& known = KnownUnitNames();
    if (word.size() < 2 || known.count(whole)) return Normalised(x, whole);

    const int32_t exponent = ExponentOfLetter(static_cast<char32_t>(word[0]));
    const String rest = String::FromWide(std::wstring_view(word).substr(1));
    if (exponent != 0 && known.count(rest)) return Normalised(ShiftedDecimal(number, exponent), rest);
    return Normalised(x, whole);
}

bool UnitValue::IsInvalid() const { return unit_ == InvalidText(); }

UnitValue UnitValue::ScaledBy(int32_t k) const { return InUnit(k, unit_); }

String UnitValue::Format(int32_t b, int32_t p, const String& unit) const
{
    const double n = ShiftedDouble(value_, -int64_t(b));
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
