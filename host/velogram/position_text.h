// What the window's status line says about positions of a recording: the read-out at a position
// (its time and every channel's value there, calculated channels through their calculation, each
// in its display unit) and the selection in samples and, where the blocks have sample
// intervals, in time. Qt-free; the user-interface thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "interfaces/document_access.h"
#include "host/velogram/host_document.h"

namespace Velogram {

// The time of a position from its block's start, in seconds; nothing when the block has no
// sample interval (or does not exist).
std::optional<double> TimeOf(const HostDocument& document, const HostPosition& position);

struct ChannelReading {
    std::string name;  // UTF-8
    std::string unit;  // the display unit ("mV"); empty: none
    std::optional<double> value;  // in the display unit; nothing where the channel has no sample
};

struct PositionReading {
    HostPosition position;  // the sample read: the block's last for a position at its end
    std::optional<double> seconds;
    double interval = 0;  // the block's sample interval; 0: none
    double duration = 0;  // the block's length in seconds; 0 without an interval
    std::vector<ChannelReading> channels;
};

// Reads every channel's sample at the position (a position at a block's end reads its last
// sample). Nothing for a position outside the recording or an empty block.
std::optional<PositionReading> ReadPosition(const HostDocument& document, const HostPosition& position);

// "t = 12.345 s (block 1, sample 12345): Transducer 1.2345 V, Pressure 123.45 mmHg"; without a
// sample interval "Block 1, sample 12345: ..."; a channel without a sample there shows "-".
// Values have six significant digits.
std::string ReadingText(const PositionReading& reading);

// "Selection: block 1, sample 100 to block 1, sample 600", followed by the times where both
// blocks have sample intervals (" (0.100 s to 0.600 s, 0.500 s long)"; the length only within a
// block); "No selection: drag across the data to select a span." without one.
std::string SelectionText(const HostDocument& document);

}  // namespace Velogram
