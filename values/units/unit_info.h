// KVI::UnitInfo: the unit triple that a unit entry carries and a calibration stores:
// a flag, a prefix index (see prefix_table.h) and the unit name without prefix.
#pragma once

#include <cstdint>

#include "foundation/kvi_string.h"

namespace KVI {

struct UnitInfo {
    int32_t flag_ = 0;    // used as a bool; bit 0 marks the unit for the host's data format
    int32_t prefix_ = 1;  // prefix index 0..14; 1 (and 8) mean no prefix
    String name_;         // without prefix

    // The empty unit: flag 0, prefix index 1, empty name.
    static UnitInfo Empty() { return UnitInfo{}; }

    // The prefix text (a letter, "?" for index 0, nothing for 1 and 8) followed by the name.
    String DisplayText() const;
    // The name alone.
    const String& PlainText() const { return name_; }
};

}  // namespace KVI
