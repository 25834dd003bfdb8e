#include "calibration/settings_text.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>
#include <type_traits>

#include "values/units/prefix_table.h"

namespace Tessar {
namespace {

constexpr std::u16string_view kInvalidUnit = u"INVALID_UNIT";
constexpr size_t kMaxUnitName = 1023;
constexpr int32_t kKnownFitKinds = 8;
constexpr int32_t kLastRangePolicy = static_cast<int32_t>(RangePolicy::Blank);
// The fewest characters one value of a counted list takes: a digit and a tab.
constexpr int64_t kMinCharsPerValue = 2;

// Bits of a double's quiet NaN without a payload: the NaN every reader writes as "nan".
constexpr uint64_t kCanonicalNaNBits = 0x7FF8000000000000ULL;
constexpr uint64_t kSignBit = 0x8000000000000000ULL;
constexpr uint64_t kExponentBits = 0x7FF0000000000000ULL;
constexpr uint64_t kMantissaBits = 0x000FFFFFFFFFFFFFULL;
constexpr int kFewestDigits = 6;
constexpr int kMostDigits = 17;

// A NaN other than the canonical quiet one, written so that a reader keeps its bits:
// "nan(0x<mantissa>)", with a leading "-" for a set sign bit. Readers that ignore the payload
// still read a NaN.
std::string NaNText(uint64_t bits)
{
    char text[40];
    const bool negative = (bits & kSignBit) != 0;
    if ((bits & ~kSignBit) == kCanonicalNaNBits) return negative ? "-nan" : "nan";
    std::snprintf(text, sizeof text, "%snan(0x%llx)", negative ? "-" : "",
                  static_cast<unsigned long long>(bits & kMantissaBits));
    return text;
}

}  // namespace

std::string RoundTripNumberText(double value)
{
    if (std::isnan(value)) return NaNText(std::bit_cast<uint64_t>(value));
    char text[48];
    std::to_chars_result written{};
    for (int digits = kFewestDigits; digits <= kMostDigits; ++digits) {
        written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
        double back = 0;
        std::from_chars(text, written.ptr, back, std::chars_format::general);
        if (std::bit_cast<uint64_t>(back) == std::bit_cast<uint64_t>(value)) break;
    }
    return std::string(text, written.ptr);
}

namespace {

// Writes numbers the way every reader of the text form expects: classic notation, each
// followed by a tab; integers in decimal, doubles by RoundTripNumberText.
class NumberWriter {
public:
    NumberWriter& operator<<(double value)
    {
        out_ += RoundTripNumberText(value);
        out_ += '\t';
        return *this;
    }

    template <class T>
        requires std::is_integral_v<T>
    NumberWriter& operator<<(T value)
    {
        out_ += std::to_string(value);
        out_ += '\t';
        return *this;
    }

    // Moves what was written (ASCII) to text.
    void FlushTo(std::u16string& text)
    {
        text.append(out_.begin(), out_.end());
        out_.clear();
    }

private:
    std::string out_;
};

enum class Read { Ok, NotANumber, OutOfRange };

// The blank characters of the classic locale, which end a token.
bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

class TextCursor {
public:
    explicit TextCursor(std::u16string_view text) : text_(text) {}

    // Skips blanks and returns the next run of non-blank characters (empty at the end).
    std::u16string_view NextToken()
    {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
        const size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }

    // The unit name field: one tab skipped, then up to the next tab, keeping at most
    // kMaxUnitName characters. Nothing when the text has ended.
    bool NextUnitName(std::u16string& name)
    {
        if (pos_ < text_.size() && text_[pos_] == u'\t') ++pos_;
        if (pos_ >= text_.size()) return false;
        const size_t limit = std::min(text_.size(), pos_ + kMaxUnitName);
        const size_t start = pos_;
        while (pos_ < limit && text_[pos_] != u'\t') ++pos_;
        name.assign(text_.substr(start, pos_ - start));
        // A longer name is cut to the limit; the rest of its field is dropped, not read as
        // the numbers that follow it.
        while (pos_ < text_.size() && text_[pos_] != u'\t') ++pos_;
        return true;
    }

    size_t Remaining() const { return text_.size() - pos_; }

private:
    std::u16string_view text_;
    size_t pos_ = 0;
};

// The NaN a token "nan(0x<mantissa>)" (optionally signed) names, bits kept; any other NaN
// text gives parsed unchanged.
double WithNaNPayload(std::string_view token, double parsed)
{
    const bool negative = token.starts_with('-');
    if (negative || token.starts_with('+')) token.remove_prefix(1);
    constexpr std::string_view kOpen = "nan(0x";
    if (token.size() <= kOpen.size() + 1 || token.back() != ')') return parsed;
    std::string_view lower = token.substr(0, kOpen.size());
    if (!std::equal(lower.begin(), lower.end(), kOpen.begin(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
        return parsed;
    const std::string_view digits = token.substr(kOpen.size(), token.size() - kOpen.size() - 1);
    uint64_t mantissa = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), mantissa, 16);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || mantissa == 0 || mantissa > kMantissaBits)
        return parsed;
    return std::bit_cast<double>((negative ? kSignBit : 0) | kExponentBits | mantissa);
}

// A whole token as a number of type T, like the stream reads it in the classic locale (an
// optional sign, then digits; doubles also as "inf" and "nan"), but with nothing left over.
template <class T>
Read ParseNumber(std::u16string_view token, T& value)
{
    std::string ascii;
    ascii.reserve(token.size());
    for (char16_t c : token) {
        if (c > 0x7F) return Read::NotANumber;
        ascii.push_back(static_cast<char>(c));
    }
    // from_chars takes no plus sign; the stream does.
    std::string_view s = ascii;
    if (s.size() > 1 && s[0] == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
    if (s.empty()) return Read::NotANumber;
    T v{};
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    else
        r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range) return Read::OutOfRange;
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return Read::NotANumber;
    if constexpr (std::is_floating_point_v<T>)
        if (std::isnan(v)) v = WithNaNPayload(s, v);
    value = v;
    return Read::Ok;
}

template <class T>
bool NextNumber(TextCursor& cursor, T& value)
{
    return ParseNumber(cursor.NextToken(), value) == Read::Ok;
}

enum class CountRead { Ok, Stopped, Rejected };

// A count of values that each need kMinCharsPerValue characters, perValue values per count.
CountRead NextCount(TextCursor& cursor, int64_t perValue, int32_t& count)
{
    int32_t n = 0;
    switch (ParseNumber(cursor.NextToken(), n)) {
    case Read::NotANumber:
        return CountRead::Stopped;
    case Read::OutOfRange:
        return CountRead::Rejected;
    case Read::Ok:
        break;
    }
    if (n < 0 || int64_t(n) * perValue * kMinCharsPerValue > int64_t(cursor.Remaining())) return CountRead::Rejected;
    count = n;
    return CountRead::Ok;
}

// Reads doubles into values in order while they parse; false at the first that does not.
bool NextValues(TextCursor& cursor, std::vector<double>& values)
{
    for (double& v : values)
        if (!NextNumber(cursor, v)) return false;
    return true;
}

KVI::UnitInfo UnitFromName(std::u16string name)
{
    std::erase(name, u'"');
    KVI::UnitInfo unit;
    if (name == kInvalidUnit) return unit;
    unit.prefix_ = KVI::kPrefixPlain;
    unit.name_ = KVI::String(name);
    return unit;
}

// What a count that did not read means for the whole text.
SettingsTextStatus StatusOf(CountRead read)
{
    return read == CountRead::Rejected ? SettingsTextStatus::Rejected : SettingsTextStatus::Stopped;
}

// Parses into a default record; the caller copies the scope's fields on success.
SettingsTextStatus ParseInto(std::u16string_view text, SettingsTextScope scope, CalibrationData& d)
{
    TextCursor cursor(text);
    int32_t kind = 0;
    switch (ParseNumber(cursor.NextToken(), kind)) {
    case Read::NotANumber:
        return SettingsTextStatus::Stopped;
    case Read::OutOfRange:
        return SettingsTextStatus::Rejected;
    case Read::Ok:
        break;
    }
    // The fit kind indexes names and tables everywhere downstream.
    if (kind < 0 || kind >= kKnownFitKinds) return SettingsTextStatus::Rejected;
    d.fitKind_ = kind;

    int32_t force = 0;
    if (!NextNumber(cursor, force) || (force != 0 && force != 1)) return SettingsTextStatus::Stopped;
    d.forceOrigin_ = force == 1;

    std::u16string name;
    if (!cursor.NextUnitName(name)) return SettingsTextStatus::Stopped;
    d.unit_ = UnitFromName(std::move(name));

    if (!NextNumber(cursor, d.chiSquare_)) return SettingsTextStatus::Stopped;
    if (!NextNumber(cursor, d.sse_)) return SettingsTextStatus::Stopped;

    int32_t m = 0;
    if (const CountRead read = NextCount(cursor, 1, m); read != CountRead::Ok) return StatusOf(read);
    d.coefficients_.assign(size_t(m), 0.0);
    if (!NextValues(cursor, d.coefficients_)) return SettingsTextStatus::Stopped;
    if (scope == SettingsTextScope::Head) return SettingsTextStatus::Complete;

    int32_t n = 0;
    if (const CountRead read = NextCount(cursor, 2, n); read != CountRead::Ok) return StatusOf(read);
    d.rawValues_.assign(size_t(n), 0.0);
    d.calibratedValues_.assign(size_t(n), 0.0);
    if (!NextValues(cursor, d.rawValues_)) return SettingsTextStatus::Stopped;
    if (!NextValues(cursor, d.calibratedValues_)) return SettingsTextStatus::Stopped;

    // The fields after the points are written only when used: their absence is no stop.
    const std::u16string_view policyToken = cursor.NextToken();
    if (policyToken.empty()) return SettingsTextStatus::Complete;
    int32_t policy = 0;
    if (ParseNumber(policyToken, policy) != Read::Ok) return SettingsTextStatus::Stopped;
    if (policy < 0 || policy > kLastRangePolicy) return SettingsTextStatus::Rejected;
    d.rangePolicy_ = policy;
    if (!NextNumber(cursor, d.zeroOffset_)) return SettingsTextStatus::Stopped;
    return SettingsTextStatus::Complete;
}

}  // namespace

KVI::String FormatSettingsText(const CalibrationData& data)
{
    std::u16string text;
    NumberWriter numbers;
    numbers << data.fitKind_ << (data.forceOrigin_ ? 1 : 0);
    numbers.FlushTo(text);

    if (data.unit_.name_.IsEmpty()) {
        text += kInvalidUnit;
    } else {
        const size_t at = text.size();
        text += data.unit_.name_.View();
        std::replace(text.begin() + ptrdiff_t(at), text.end(), u'\t', u' ');
    }
    text += u'\t';

    numbers << data.chiSquare_ << data.sse_ << data.coefficients_.size();
    for (double c : data.coefficients_) numbers << c;
    const size_t n = std::min(data.rawValues_.size(), data.calibratedValues_.size());
    numbers << n;
    for (size_t i = 0; i < n; ++i) numbers << data.rawValues_[i];
    for (size_t i = 0; i < n; ++i) numbers << data.calibratedValues_[i];
    if (data.rangePolicy_ != 0 || std::bit_cast<uint64_t>(data.zeroOffset_) != 0)
        numbers << data.rangePolicy_ << data.zeroOffset_;
    numbers.FlushTo(text);
    return KVI::String(text);
}

SettingsTextStatus ParseSettingsText(std::u16string_view text, SettingsTextScope scope, CalibrationData& data)
{
    CalibrationData parsed;
    const SettingsTextStatus status = ParseInto(text, scope, parsed);
    if (status == SettingsTextStatus::Rejected) return status;
    data.fitKind_ = parsed.fitKind_;
    data.forceOrigin_ = parsed.forceOrigin_;
    data.unit_ = std::move(parsed.unit_);
    data.chiSquare_ = parsed.chiSquare_;
    data.sse_ = parsed.sse_;
    data.coefficients_ = std::move(parsed.coefficients_);
    if (scope == SettingsTextScope::Full) {
        data.rawValues_ = std::move(parsed.rawValues_);
        data.calibratedValues_ = std::move(parsed.calibratedValues_);
        data.rangePolicy_ = parsed.rangePolicy_;
        data.zeroOffset_ = parsed.zeroOffset_;
    }
    return status;
}

}  // namespace Tessar
