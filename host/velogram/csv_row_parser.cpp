#include "host/velogram/csv_row_parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "host/velogram/short_decimal.h"
#include "host/velogram/unit_text.h"

namespace Velogram {
namespace {

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The text in double quotes, for messages (built in steps: one expression trips GCC 12's
// -Wrestrict at -O3).
std::string Quoted(std::string_view text)
{
    std::string out(1, '"');
    out += PrintableText(text);
    out += '"';
    return out;
}

[[noreturn]] void Fault(size_t column, std::string what) { throw CsvRowFault{column, std::move(what)}; }

}  // namespace

CsvRowParser::CsvRowParser(const std::vector<CsvColumn>& columns, const CsvDialect& dialect)
    : columns_(&columns), delimiter_(dialect.delimiter), decimal_(dialect.decimal)
{
    factors_.reserve(columns.size());
    for (const CsvColumn& c : columns) factors_.push_back(PrefixedUnitFactor(c.unit));
}

void CsvRowParser::Parse(std::string_view line, float* values)
{
    const size_t n = columns_->size();
    const char d = delimiter_;
    const auto count = [&](size_t found) {
        return "the row has " + Plural(found, "value", "values") + ", but the header names " +
               Plural(n, "channel", "channels");
    };
    size_t pos = 0;
    for (size_t c = 0; c < n; ++c) {
        const bool last = c + 1 == n;
        size_t begin = pos;
        while (begin < line.size() && IsCsvBlank(line[begin], d)) ++begin;
        size_t valueBegin = begin, valueEnd = 0, next = 0;
        if (begin < line.size() && line[begin] == '"') {
            const size_t close = line.find('"', begin + 1);
            if (close == std::string_view::npos)
                Fault(begin + 1, "a quoted value is not closed in column " + std::to_string(c + 1));
            next = close + 1;
            while (next < line.size() && IsCsvBlank(line[next], d)) ++next;
            if (next < line.size() && line[next] != d)
                Fault(next + 1, "text after the closing quote of a value in column " + std::to_string(c + 1));
            valueBegin = begin + 1;
            valueEnd = close;
        } else {
            next = std::min(line.find(d, begin), line.size());
            valueEnd = next;
        }
        if (!last && next >= line.size()) Fault(line.size() + 1, count(c + 1));
        if (last && next < line.size())
            Fault(next + 1, count(n + size_t(std::count(line.begin() + std::ptrdiff_t(next), line.end(), d))));
        if (c == exactColumn_) {
            exactValue_ = Exact(line, valueBegin, valueEnd, c);
            values[c] = 0;
        } else if (!ShortValue(line, valueBegin, valueEnd, c, values[c])) {
            values[c] = Number(line, valueBegin, valueEnd, c);
        }
        pos = next + 1;
    }
}

void CsvRowParser::SetExactColumn(size_t column, std::string noun)
{
    exactColumn_ = column;
    exactNoun_ = std::move(noun);
}

void CsvRowParser::Prepare(std::string_view line, size_t& begin, size_t& end, size_t column, NumberText& number)
{
    const char d = delimiter_;
    while (begin < end && IsCsvBlank(line[begin], d)) ++begin;
    while (end > begin && IsCsvBlank(line[end - 1], d)) --end;
    if (begin == end)
        Fault(begin + 1, "empty value in column " + std::to_string(column + 1) + " (" + (*columns_)[column].name + ")");
    const std::string_view text = line.substr(begin, end - begin);
    number.text = text;
    number.first = text.data();
    number.last = text.data() + text.size();
    if (decimal_ == DecimalMark::kUndecided) {
        const size_t mark = text.find_first_of(".,");
        if (mark != std::string_view::npos) decimal_ = text[mark] == ',' ? DecimalMark::kComma : DecimalMark::kPoint;
    }
    // A decimal comma becomes a point for from_chars; a point is then no decimal mark.
    if (decimal_ == DecimalMark::kComma) {
        if (text.find('.') != std::string_view::npos) NotANumber(line, begin, end, column);
        const size_t comma = text.find(',');
        if (comma != std::string_view::npos) {
            char* copy = number.buffer;
            if (text.size() > sizeof number.buffer) {
                number.longer.assign(text);
                copy = number.longer.data();
            } else {
                std::copy(text.begin(), text.end(), number.buffer);
            }
            copy[comma] = '.';
            number.first = copy;
            number.last = copy + text.size();
        }
    }
    // from_chars takes no plus sign; a number may carry one.
    const char*& first = number.first;
    if (*first == '+' && number.last - first > 1 && first[1] != '-' && first[1] != '+') ++first;
}

double CsvRowParser::Exact(std::string_view line, size_t begin, size_t end, size_t column)
{
    NumberText number;
    Prepare(line, begin, end, column, number);
    const char* first = number.first;
    const char* last = number.last;
    const std::string_view text = number.text;
    double value = 0;
    const auto [stop, ec] = std::from_chars(first, last, value);
    if (stop != last || ec == std::errc::invalid_argument) NotANumber(line, begin, end, column);
    if (ec != std::errc() || !std::isfinite(value))
        Fault(begin + 1, Quoted(text) + " is no finite " + exactNoun_ + " in column " + std::to_string(column + 1) +
                             " (" + (*columns_)[column].name + ")");
    exactText_ = text;
    return value;
}

bool CsvRowParser::ShortValue(std::string_view line, size_t begin, size_t end, size_t column, float& value)
{
    // A plain decimal has no blank, quote or comma to trim or translate: Number would read the
    // same float, and decide an undecided mark for a point the same way.
    if (decimal_ == DecimalMark::kComma || factors_[column] != 1.0 ||
        !ReadShortDecimal(line.data() + begin, line.data() + end, value))
        return false;
    if (decimal_ == DecimalMark::kUndecided && line.substr(begin, end - begin).find('.') != std::string_view::npos)
        decimal_ = DecimalMark::kPoint;
    return true;
}

float CsvRowParser::Number(std::string_view line, size_t begin, size_t end, size_t column)
{
    NumberText number;
    Prepare(line, begin, end, column, number);
    const char* first = number.first;
    const char* last = number.last;
    const std::string_view text = number.text;
    const std::string& name = (*columns_)[column].name;

    const double factor = factors_[column];
    if (factor == 1.0) {
        float value = 0;
        if (ReadShortDecimal(first, last, value)) return value;
        const auto [stop, ec] = std::from_chars(first, last, value);
        if (stop != last || ec == std::errc::invalid_argument) NotANumber(line, begin, end, column);
        if (ec == std::errc()) return value;
        // Out of a float's range: decided below from the double.
    }
    double value = 0;
    const auto [stop, ec] = std::from_chars(first, last, value);
    if (stop != last || ec == std::errc::invalid_argument) NotANumber(line, begin, end, column);
    const bool infinite = ec == std::errc() && std::isinf(value);
    // from_chars leaves the value alone when it is out of a double's range; strtod tells
    // an overflow (infinity) from an underflow (0).
    if (ec == std::errc::result_out_of_range) value = std::strtod(std::string(first, last).c_str(), nullptr);
    const float sample = static_cast<float>(value / factor);
    if (std::isinf(sample) && !infinite)
        Fault(begin + 1, Quoted(text) + " is too large for a sample in column " + std::to_string(column + 1) + " (" +
                             name + ")");
    return sample;
}

void CsvRowParser::NotANumber(std::string_view line, size_t begin, size_t end, size_t column) const
{
    const std::string_view text = line.substr(begin, end - begin);
    std::string why = Quoted(text) + " is not a number in column " + std::to_string(column + 1) + " (" +
                      (*columns_)[column].name + ")";
    // The other decimal mark is the likeliest slip.
    if (decimal_ == DecimalMark::kComma && text.find('.') != std::string_view::npos)
        why += ": the decimal mark of this text is a comma";
    else if (delimiter_ != ',' && decimal_ == DecimalMark::kPoint && text.find(',') != std::string_view::npos)
        why += ": the decimal mark of this text is a point";
    Fault(begin + 1, why);
}

}  // namespace Velogram
