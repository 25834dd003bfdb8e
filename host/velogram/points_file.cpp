#include "host/velogram/points_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "host/velogram/command_error.h"
#include "host/velogram/csv_reader.h"

namespace Velogram {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

}  // namespace

std::vector<ReferencePoint> ParsePointsText(std::string_view text, const std::string& source, PointsHeader* header)
{
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::vector<ReferencePoint> points;
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

        const std::string where = source + ":" + std::to_string(lineNumber) + ":";
        size_t bad = 0;
        if (!SplitCsvCells(line, cells, &starts, &bad))
            throw CommandError(where + std::to_string(bad + 1) + ": a quoted cell is not closed properly");
        if (cells.size() != 2 && cells.size() != 3)
            throw CommandError(where + "1: a point needs two values, raw and calibrated, separated by a comma "
                                       "(and optionally the raw value's standard deviation); the row has " +
                               std::to_string(cells.size()));
        const bool isHeader = first && !IsValueText(cells[0]) && !IsValueText(cells[1]);
        first = false;
        if (isHeader) {
            units[0] = UnitOfColumnName(cells[0]);
            units[1] = UnitOfColumnName(cells[1]);
            if (header) *header = PointsHeader{units[0], units[1], source + ":" + std::to_string(lineNumber)};
            continue;
        }
        ReferencePoint point;
        point.origin = source + ":" + std::to_string(lineNumber);
        static constexpr const char* kWhat[] = {"raw value", "calibrated value", "standard deviation"};
        for (size_t c = 0; c < cells.size(); ++c) {
            std::string& value = c == 0 ? point.raw : c == 1 ? point.calibrated : point.sd;
            value = cells[c];
            // An empty third cell: this point has no standard deviation.
            if (c == 2 && value.empty()) continue;
            if (!IsValueText(value))
                throw CommandError(where + std::to_string(starts[c] + 1) + ": the " + kWhat[c] + " \"" + value +
                                   "\" is not a number");
            // The standard deviation is in the raw column's unit.
            const std::string& unit = units[c == 2 ? 0 : c];
            if (IsBareNumber(value) && !unit.empty()) value += " " + unit;
        }
        points.push_back(std::move(point));
    }
    if (points.empty()) throw CommandError(source + ": no reference points: the file has no rows of values");
    return points;
}

std::vector<ReferencePoint> ReadPointsFile(const std::string& path, PointsHeader* header)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CommandError("cannot read the points file " + path + ": " + std::strerror(errno));
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, size_t(in.gcount()));
        if (text.size() > kMaxPointsFileBytes)
            throw CommandError(path + ": a points file of more than " + std::to_string(kMaxPointsFileBytes >> 20) +
                               " MiB is not a table of reference points");
    }
    if (in.bad()) throw CommandError("cannot read the points file " + path + ": " + std::strerror(errno));
    return ParsePointsText(text, path, header);
}

}  // namespace Velogram
