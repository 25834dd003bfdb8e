// A plain second reading of CSV text for the tests of the streamed road: the lines of a whole
// text, and the output calibrate writes for it with one added column, written as directly as
// the rules say, without the splitter, the chunks or the pipeline.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace VelogramTest {

struct Line {
    int64_t number;
    std::string text;
    bool operator==(const Line&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Line& l) { return out << l.number << ":\"" << l.text << '"'; }

// The lines of a whole text, read plainly: the first of CR, LF or CR LF decides; with LF (or
// CR LF) first, lines end at LF and lose one CR before it; with CR first, any of the three ends
// a line.
inline std::vector<Line> PlainLines(const std::string& text, std::string* lineEnd)
{
    const size_t first = text.find_first_of("\r\n");
    const bool crOnly = first != std::string::npos && text[first] == '\r' &&
                        (first + 1 == text.size() || text[first + 1] != '\n');
    *lineEnd = first == std::string::npos ? "\n" : crOnly ? "\r" : text[first] == '\r' ? "\r\n" : "\n";
    std::vector<Line> lines;
    std::string current;
    bool open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ends = c == '\n' || (crOnly && c == '\r');
        if (!ends) {
            current += c;
            open = true;
            continue;
        }
        if (!crOnly && !current.empty() && current.back() == '\r') current.pop_back();
        lines.push_back({int64_t(lines.size()) + 1, current});
        current.clear();
        open = false;
        if (crOnly && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    if (open) {
        if (!crOnly && current.back() == '\r') current.pop_back();
        lines.push_back({int64_t(lines.size()) + 1, current});
    }
    return lines;
}

// The output for text (UTF-8, no preamble, the header on its first line) with a column added
// after every row: header cell `added`, and the row's value in column `source` (unquoted,
// trimmed, with the decimal mark `decimal`) passed through f and written in the shortest form
// with `decimal`. Blank lines end blocks; one line end separates blocks in the output.
inline std::string PlainOutput(const std::string& text, char delimiter, char decimal, size_t source,
                               const std::string& added, const std::function<float(float)>& f)
{
    std::string lineEnd;
    const std::vector<Line> lines = PlainLines(text, &lineEnd);
    std::string out = lines.at(0).text + delimiter + added + lineEnd;
    bool rows = false, blank = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i].text;
        if (line.find_first_not_of(" \t") == std::string::npos) {
            blank = true;
            continue;
        }
        if (rows && blank) out += lineEnd;
        rows = true;
        blank = false;
        std::string cell = line;
        for (size_t c = 0; c < source; ++c) cell.erase(0, cell.find(delimiter) + 1);
        cell = cell.substr(0, cell.find(delimiter));
        for (char drop : {' ', '"'}) std::erase(cell, drop);
        if (decimal != '.') std::replace(cell.begin(), cell.end(), decimal, '.');
        float raw = 0;
        std::from_chars(cell.data(), cell.data() + cell.size(), raw);
        char number[64];
        std::string value(number, std::to_chars(number, number + sizeof number, f(raw)).ptr);
        std::replace(value.begin(), value.end(), '.', decimal);
        out += line + delimiter + value + lineEnd;
    }
    return out;
}

}  // namespace VelogramTest
