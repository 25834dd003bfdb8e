#include "settings_dialog/data_scaling.h"

#include <algorithm>
#include <cmath>

namespace Tessar {

int32_t CDataScaling::Row(double value) const
{
    const double row = (value + offset_) * scale_;
    // Converting a NaN to an integer is undefined; it has no row, so it goes off the pane.
    if (std::isnan(row)) return static_cast<int32_t>(kRowLimit);
    return static_cast<int32_t>(std::clamp(row, -kRowLimit, kRowLimit));
}

}  // namespace Tessar
