#include "values/csv_cells.h"

#include <algorithm>

namespace KVI {
namespace {

std::string_view Trimmed(std::string_view s, char delimiter)
{
    while (!s.empty() && IsCsvBlank(s.front(), delimiter)) s.remove_prefix(1);
    while (!s.empty() && IsCsvBlank(s.back(), delimiter)) s.remove_suffix(1);
    return s;
}

}  // namespace

bool SplitCsvCells(std::string_view line, std::vector<std::string>& cells, std::vector<size_t>* starts,
                   size_t* badOffset, char delimiter)
{
    cells.clear();
    if (starts) starts->clear();
    size_t pos = 0;
    for (;;) {
        size_t begin = pos;
        while (begin < line.size() && IsCsvBlank(line[begin], delimiter)) ++begin;
        std::string cell;
        size_t next = 0;
        if (begin < line.size() && line[begin] == '"') {
            size_t i = begin + 1;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] != '"') {
                    cell += line[i++];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    cell += '"';
                    i += 2;
                } else {
                    closed = true;
                    ++i;
                    break;
                }
            }
            while (i < line.size() && IsCsvBlank(line[i], delimiter)) ++i;
            if (!closed || (i < line.size() && line[i] != delimiter)) {
                if (badOffset) *badOffset = closed ? i : begin;
                return false;
            }
            next = i;
        } else {
            next = std::min(line.find(delimiter, begin), line.size());
            cell = std::string(Trimmed(line.substr(begin, next - begin), delimiter));
        }
        cells.push_back(std::move(cell));
        if (starts) starts->push_back(begin);
        if (next >= line.size()) return true;
        pos = next + 1;
    }
}

}  // namespace KVI
