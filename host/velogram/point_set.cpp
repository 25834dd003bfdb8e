#include "host/velogram/point_set.h"

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

// The unit of a column: the command's, else the header's, else (when allowed) the first
// point's that writes one.
std::string ColumnUnit(const std::string& given, const std::string& header, const std::string& owner,
                       const char* column, const PointSet& set, bool fromPoints,
                       std::string ReferencePoint::*value)
{
    if (!given.empty() || !fromPoints) {
        if (!header.empty() && !IsUnitOf(header, given))
            throw CommandError(set.header.origin + ": the " + column + " column's unit " + header +
                               " is not a unit of " + owner +
                               (given.empty() ? ", which has no unit" : " (" + given + ")"));
        return given;
    }
    if (!header.empty()) return header;
    for (const ReferencePoint& p : set.points)
        if (std::string word = UnitWord(p.*value); !word.empty()) return word;
    return {};
}

}  // namespace

PointSet GatherPoints(const std::string& pointsFile, const std::vector<std::string>& options)
{
    PointSet set;
    if (!pointsFile.empty()) set.points = ReadPointsFile(pointsFile, &set.header);
    for (size_t i = 0; i < options.size(); ++i) set.points.push_back(ParsePointOption(options[i], int(i + 1)));
    if (set.points.empty())
        throw CommandError("no reference points: give a points file (--points FILE) or points (--point RAW=CAL)");
    return set;
}

PointUnits ResolvePointUnits(const PointSet& set, const std::string& raw, const std::string& calibrated,
                             bool fromPoints, const std::string& rawOwner)
{
    PointUnits units;
    units.rawOwner = rawOwner;
    units.raw = ColumnUnit(raw, set.header.rawUnit, units.rawOwner, "raw", set, fromPoints, &ReferencePoint::raw);
    units.calibrated = ColumnUnit(calibrated, set.header.calibratedUnit, units.calibratedOwner, "calibrated", set,
                                  fromPoints, &ReferencePoint::calibrated);
    return units;
}

}  // namespace Velogram
