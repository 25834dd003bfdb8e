// The dates of a calibration: when it was made and when it is due again. Dates are days, written
// "YYYY-MM-DD" (ISO 8601, the proleptic Gregorian calendar), in the local time of the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "calibration/calibration_data.h"

namespace Tessar {

// Days since 1970-01-01 of a "YYYY-MM-DD" text (blanks around it allowed); nothing for any
// other text or a day that does not exist (2026-02-30).
std::optional<int64_t> ParseIsoDate(std::string_view text);

// "YYYY-MM-DD" of days since 1970-01-01.
std::string FormatIsoDate(int64_t days);

// Today in the machine's local time, as days since 1970-01-01.
int64_t Today();

// The day a calibration is due: its due date when set, else its calibration date plus its
// validity in days when both are set; nothing when it has neither (or a date does not read).
std::optional<int64_t> DueDay(const CalibrationData& data);

// True when the calibration has a due day and today lies after it.
bool IsExpired(const CalibrationData& data, int64_t today);

}  // namespace Tessar
