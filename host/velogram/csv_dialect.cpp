#include "host/velogram/csv_dialect.h"

#include <algorithm>
#include <charconv>

#include "platform/code_page.h"

namespace Velogram {
namespace {

bool IsPointNumber(std::string_view text)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '+' && text[1] != '-') text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && end == text.data() + text.size() && ec != std::errc::invalid_argument;
}

// How well a delimiter fits the header and the rows.
struct Fit {
    bool inHeader = false;  // it splits the header
    bool allRows = false;   // every row splits into as many numbers as the header has cells
    size_t cells = 0;       // the header's cells
};

Fit FitOf(char delimiter, std::string_view header, std::span<const std::string_view> rows,
          std::optional<bool> decimalComma)
{
    Fit fit;
    std::vector<std::string> cells;
    size_t bad = 0;
    if (!SplitCsvCells(header, cells, nullptr, &bad, delimiter)) return fit;
    fit.cells = cells.size();
    fit.inHeader = cells.size() > 1;
    DecimalMark mark = DecimalMark::kPoint;
    if (decimalComma)
        mark = *decimalComma ? DecimalMark::kComma : DecimalMark::kPoint;
    else if (delimiter != ',')
        mark = DecimalMark::kUndecided;
    fit.allRows = std::all_of(rows.begin(), rows.end(), [&](std::string_view row) {
        std::vector<std::string> values;
        return SplitCsvCells(row, values, nullptr, &bad, delimiter) && values.size() == fit.cells &&
               std::all_of(values.begin(), values.end(), [&](const std::string& v) { return IsCsvNumber(v, mark); });
    });
    return fit;
}

char DetectDelimiter(std::string_view header, std::span<const std::string_view> rows,
                     std::optional<bool> decimalComma)
{
    std::vector<char> pool;
    std::vector<Fit> fits;
    for (char d : kCsvDelimiters) {
        // A decimal comma rules out commas between values.
        if (d == ',' && decimalComma.value_or(false)) continue;
        pool.push_back(d);
        fits.push_back(FitOf(d, header, rows, decimalComma));
    }
    const bool anyInHeader = std::any_of(fits.begin(), fits.end(), [](const Fit& f) { return f.inHeader; });
    size_t best = pool.size();
    for (size_t i = 0; i < pool.size(); ++i) {
        if (anyInHeader && !fits[i].inHeader) continue;
        if (best == pool.size() || (fits[i].allRows && !fits[best].allRows) ||
            (fits[i].allRows == fits[best].allRows && fits[i].cells > fits[best].cells))
            best = i;
    }
    return pool[best];
}

DecimalMark DetectMark(char delimiter, std::span<const std::string_view> rows)
{
    std::vector<std::string> values;
    size_t bad = 0;
    for (std::string_view row : rows) {
        if (!SplitCsvCells(row, values, nullptr, &bad, delimiter)) continue;
        for (const std::string& v : values) {
            const size_t at = v.find_first_of(".,");
            if (at != std::string::npos) return v[at] == ',' ? DecimalMark::kComma : DecimalMark::kPoint;
        }
    }
    return DecimalMark::kUndecided;
}

}  // namespace

char CsvDialect::DecimalChar() const
{
    if (decimal == DecimalMark::kComma) return ',';
    if (decimal == DecimalMark::kUndecided && delimiter == ';') return ',';
    return '.';
}

CsvDialect DetectCsvDialect(std::string_view header, std::span<const std::string_view> rows,
                            const CsvDialectChoice& choice)
{
    CsvDialect dialect;
    dialect.delimiter = choice.delimiter ? *choice.delimiter : DetectDelimiter(header, rows, choice.decimalComma);
    if (choice.decimalComma)
        dialect.decimal = *choice.decimalComma ? DecimalMark::kComma : DecimalMark::kPoint;
    else if (dialect.delimiter == ',')
        dialect.decimal = DecimalMark::kPoint;
    else
        dialect.decimal = DetectMark(dialect.delimiter, rows);
    return dialect;
}

bool ParseCsvDelimiter(std::string_view text, char* delimiter)
{
    struct Name {
        std::string_view word, sign;
        char delimiter;
    };
    static constexpr Name kNames[] = {{"comma", ",", ','}, {"semicolon", ";", ';'}, {"tab", "\\t", '\t'}};
    for (const Name& n : kNames) {
        if (text == n.word || text == n.sign || (n.delimiter == '\t' && text == "\t")) {
            *delimiter = n.delimiter;
            return true;
        }
    }
    return false;
}

std::string CsvDelimiterName(char delimiter)
{
    switch (delimiter) {
    case ',': return "comma";
    case ';': return "semicolon";
    case '\t': return "tab";
    }
    return PrintableText(std::string_view(&delimiter, 1));
}

bool IsCsvNumber(std::string_view text, DecimalMark mark)
{
    const size_t comma = text.find(','), point = text.find('.');
    if (comma != std::string_view::npos && point != std::string_view::npos) return false;
    if (comma == std::string_view::npos) return (point == std::string_view::npos || mark != DecimalMark::kComma) && IsPointNumber(text);
    if (mark == DecimalMark::kPoint) return false;
    std::string withPoint(text);
    withPoint[comma] = '.';
    return IsPointNumber(withPoint);
}

std::string PrintableText(std::string_view text)
{
    const bool utf8 = platform::IsUtf8(text);
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b != 0x7F && (b < 0x80 || utf8)) {
            out += ch;
            continue;
        }
        switch (ch) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\0': out += "\\0"; break;
        default: {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
        }
    }
    return out;
}

}  // namespace Velogram
