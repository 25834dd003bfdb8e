// PointSet: the reference points of a command, gathered from a points file and "--point"
// options, with the units their columns are in.
#pragma once

#include <string>
#include <vector>

#include "host/velogram/points_file.h"
#include "host/velogram/reference_points.h"

namespace Velogram {

struct PointSet {
    std::vector<ReferencePoint> points;  // the file's rows first, then the options
    PointsHeader header;                 // the points file's header units
};

// Reference points from a points file and "--point" options, in that order. Throws
// CommandError when there are none.
PointSet GatherPoints(const std::string& pointsFile, const std::vector<std::string>& options);

// The units of the columns: [in] raw, calibrated: the units the command knows (the source
// channel's unit and --unit for calibrate; --source-unit and --unit for fit; empty: none
// given). A column without a unit from the command takes the points file's header unit, else
// the unit of the first point that writes one. fromPoints: false when the command's units are
// the columns' units whether given or not (calibrate: a channel without a unit has none). A
// header unit that names another unit than the command's is refused (CommandError naming the
// header row). rawOwner names the raw column in messages ("the channel").
PointUnits ResolvePointUnits(const PointSet& set, const std::string& raw, const std::string& calibrated,
                             bool fromPoints, const std::string& rawOwner);

}  // namespace Velogram
