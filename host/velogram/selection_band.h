// The band that the data window shows over its lanes for the selection (or the span being
// dragged): a tint across the band's columns and a line down its first and last column. The
// window paints the band over the traces in every paint event, so moving it repaints exactly
// the pixels whose colour changes.
#pragma once

#include <optional>

#include <QRect>
#include <QRegion>

namespace Velogram {

// The pixels that change when the band moves from `from` to `to` (either none when no band is
// shown): where one band tints and the other does not, and the first and last columns of both
// (an edge line that goes, and one that comes, inside a part both bands tint). Empty when the
// band stays.
QRegion BandRepaintRegion(const std::optional<QRect>& from, const std::optional<QRect>& to);

}  // namespace Velogram
