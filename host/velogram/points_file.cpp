#include "host/velogram/points_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "host/velogram/command_error.h"
#include "values/points_table.h"

namespace Velogram {

std::vector<ReferencePoint> ParsePointsText(std::string_view text, const std::string& source, PointsHeader* header)
{
    KVI::PointsTable table;
    if (const std::string error = KVI::ParsePointsTable(text, table); !error.empty())
        throw CommandError(source + ":" + (std::isdigit(static_cast<unsigned char>(error[0])) ? "" : " ") + error);
    if (header && table.headerLine > 0)
        *header = PointsHeader{table.rawUnit, table.calibratedUnit, source + ":" + std::to_string(table.headerLine)};
    std::vector<ReferencePoint> points;
    for (KVI::PointsTableRow& row : table.rows)
        points.push_back(ReferencePoint{std::move(row.raw), std::move(row.calibrated),
                                        source + ":" + std::to_string(row.line), std::move(row.sd)});
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
