#include "values/points_table.h"

#include "foundation/kvi_string.h"
#include "values/csv_cells.h"
#include "values/units/unit_value.h"

namespace KVI {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

UnitValue Read(std::string_view text) { return UnitValue::Parse(String::FromUtf8(text)); }

// The unit in parentheses that ends a column name, or "".
std::string UnitOfColumnName(const std::string& name)
{
    if (name.empty() || name.back() != ')') return {};
    const size_t open = name.rfind('(');
    if (open == std::string::npos) return {};
    std::string unit = name.substr(open + 1, name.size() - open - 2);
    while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
    while (!unit.empty() && unit.back() == ' ') unit.pop_back();
    return unit;
}

std::string Quoted(const std::string& cell)
{
    if (cell.find_first_of(",\"") == std::string::npos) return cell;
    std::string q = "\"";
    for (char c : cell) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string ColumnName(const char* name, const std::string& unit)
{
    return unit.empty() ? std::string(name) : std::string(name) + " (" + unit + ")";
}

}  // namespace

bool IsValueText(std::string_view text) { return !Read(text).IsInvalid(); }

bool IsBareNumber(std::string_view text)
{
    const UnitValue v = Read(text);
    return !v.IsInvalid() && v.Unit().IsEmpty();
}

std::string ParsePointsTable(std::string_view text, PointsTable& table)
{
    table = PointsTable{};
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::string units[2];
    bool first = true;
    std::vector<std::string> cells;
    std::vector<size_t> starts;
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t lead = line.find_first_not_of(" \t");
        if (lead == std::string_view::npos || line[lead] == '#') continue;

        const std::string where = std::to_string(lineNumber) + ":";
        size_t bad = 0;
        if (!SplitCsvCells(line, cells, &starts, &bad))
            return where + std::to_string(bad + 1) + ": a quoted cell is not closed properly";
        if (cells.size() != 2 && cells.size() != 3)
            return where + "1: a point needs two values, raw and calibrated, separated by a comma (and optionally "
                           "the raw value's standard deviation); the row has " + std::to_string(cells.size());
        const bool isHeader = first && !IsValueText(cells[0]) && !IsValueText(cells[1]);
        first = false;
        if (isHeader) {
            units[0] = UnitOfColumnName(cells[0]);
            units[1] = UnitOfColumnName(cells[1]);
            table.rawUnit = units[0];
            table.calibratedUnit = units[1];
            table.headerLine = lineNumber;
            continue;
        }
        PointsTableRow row;
        row.line = lineNumber;
        static constexpr const char* kWhat[] = {"raw value", "calibrated value", "standard deviation"};
        for (size_t c = 0; c < cells.size(); ++c) {
            std::string& value = c == 0 ? row.raw : c == 1 ? row.calibrated : row.sd;
            value = cells[c];
            // An empty third cell: this point has no standard deviation.
            if (c == 2 && value.empty()) continue;
            if (!IsValueText(value))
                return where + std::to_string(starts[c] + 1) + ": the " + kWhat[c] + " \"" + value +
                       "\" is not a number";
            // The standard deviation is in the raw column's unit.
            const std::string& unit = units[c == 2 ? 0 : c];
            if (IsBareNumber(value) && !unit.empty()) value += " " + unit;
        }
        table.rows.push_back(std::move(row));
    }
    if (table.rows.empty()) return "no reference points: the file has no rows of values";
    return {};
}

std::string WritePointsTable(const std::vector<PointsTableRow>& rows, const std::string& rawUnit,
                             const std::string& calibratedUnit)
{
    bool anySd = false;
    for (const PointsTableRow& r : rows) anySd = anySd || !r.sd.empty();
    std::string text = Quoted(ColumnName("Raw", rawUnit)) + "," + Quoted(ColumnName("Calibrated", calibratedUnit));
    if (anySd) text += "," + Quoted(ColumnName("SD", rawUnit));
    text += "\n";
    for (const PointsTableRow& r : rows) {
        text += Quoted(r.raw) + "," + Quoted(r.calibrated);
        if (anySd) text += "," + Quoted(r.sd);
        text += "\n";
    }
    return text;
}

}  // namespace KVI
