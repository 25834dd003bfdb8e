// The data format of a calibrated channel: how the host scales the channel's values, computed
// from the calibration's unit, pane limits and decimal places.
#pragma once

#include "calibration/calibration_data.h"
#include "interfaces/calc_site.h"

namespace Tessar {

struct DataFormat {
    ChannelDataFormat format;  // handed to the site and the host
    double sourceGain = 1.0;   // 1 / scale, given with the source to the base object
    double sourceOffset = 0.0; // -offset * scale, likewise
};

// The largest float, the fall-back of every span or scale that is not usable.
inline constexpr double kLargestFloat = 3.4028234663852886e38;

// From the record, with L = pane top and U = pane bottom rounded to float:
//   1. L and U clamped to [-1e20, 1e20];
//   2. D = L - U in float; an infinite or NaN D becomes the largest float;
//   3. scale = D / 64000 / p, p the factor of the unit's prefix index (prefix_table.h: 1e18
//      for atto .. 1e-18 for exa; 1 for the indices without prefix and for any index outside
//      the table); a scale that is not finite becomes the largest float;
//   4. offset = 32000 + 64000 U / D; an offset that is not finite (a NaN U) becomes 32000;
//   5. sourceGain = 1 / scale, sourceOffset = -offset * scale;
//   6. upper limit +infinity, lower limit -infinity, the record's decimal places, the unit's
//      prefix index, unit flag -1 when bit 0 of the unit's flag is set, else 0.
// NOTE: a zero span (L == U, as in a new record whose pane limits are both 0) takes the same
// fall-back as an infinite one: the plain formula would hand the host 1/0 and 0/0. Likewise
// the offset's fall-back keeps a NaN pane bottom from reaching the host.
DataFormat ComputeDataFormat(const CalibrationData& data);

}  // namespace Tessar
