// What the channel list shows of a calculated channel's calibration at a glance: the class,
// the fit kind, the unit and the calibration's date and whether it has expired, "Tessar: cubic, kPa, 2026-12-08"; and for its tooltip the fit's
// equation in the units shown, with the line that names them. The host knows the calibration
// only through the module's automation interface (interfaces/tessar_automation.h) and its
// class object. Qt-free; the user-interface thread only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/velogram/host_document.h"

namespace Velogram {

struct CalibrationGlance {
    std::string className;  // "Tessar"
    std::string fitKind;    // "cubic" (the command line's name of the kind); empty: not known
    std::string unit;       // the calibrated unit ("kPa"); empty: none
    // ISO 8601 dates ("2026-12-08"): the day of the calibration and the last day it is valid.
    // Nothing when the calibration keeps none.
    std::optional<std::string> date;
    std::optional<std::string> validUntil;
    std::string equation;   // in the units shown: raw values in the source's unit
    std::string unitsLine;  // "x in mV, y in kPa"
};

// The glance of a calculated channel. Nothing for a channel without a calculation, or whose
// class has no automation interface or settings the interface takes (another module's
// calculation); the list then shows what it knows of the channel alone.
std::optional<CalibrationGlance> ReadCalibrationGlance(const HostDocument& document, int32_t channel);

// Gives the glance its dates ([in] ISO 8601 dates; nothing: not known).
void SetCalibrationDates(CalibrationGlance& glance, std::optional<std::string> date,
                         std::optional<std::string> validUntil);

// True when the calibration was valid until a day before today ([in] today: ISO 8601).
bool IsExpired(const CalibrationGlance& glance, std::string_view today);

// "Tessar: cubic, kPa, 2026-12-08", ", expired" after the date when it has expired; parts not
// known are left out ("Tessar: linear").
std::string GlanceText(const CalibrationGlance& glance, std::string_view today);

// The tooltip: the equation, then the units line (each when known).
std::string GlanceToolTip(const CalibrationGlance& glance);

}  // namespace Velogram
