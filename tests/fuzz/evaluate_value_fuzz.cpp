// Fuzzes the value options of `velogram evaluate` (--raw, --calibrated). Input: a mode byte,
// then the text. Mode bit 0: the raw (0) or the calibrated (1) side; bits 1-2: the columns'
// units (none, V and kPa, mV and mmHg, a unit name with a blank). Checks: the option either
// gives a value or throws the command line's own error, never anything else; a value given is
// that of the text read as a point's side would be (with the column's unit for a bare number),
// and a bare number keeps its number whatever the unit's prefix.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/velogram/command_error.h"
#include "host/velogram/evaluate_command.h"
#include "host/velogram/reference_points.h"
#include "host/velogram/unit_text.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

Velogram::PointUnits Units(int choice)
{
    Velogram::PointUnits units;
    switch (choice) {
    case 1: units.raw = "V", units.calibrated = "kPa"; break;
    case 2: units.raw = "mV", units.calibrated = "mmHg"; break;
    case 3: units.raw = "degrees C", units.calibrated = "per cent"; break;
    default: break;
    }
    return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const bool raw = (data[0] & 1) == 0;
    const Velogram::PointUnits units = Units((data[0] >> 1) & 3);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    double value = 0;
    try {
        value = Velogram::ParseValueOption(text, raw, units);
    } catch (const Velogram::CommandError&) {
        // A bare number always reads: it takes its column's unit.
        Check(!Velogram::IsBareNumber(text));
        return 0;
    }
    Check(Velogram::IsValueText(text));
    const std::string& column = raw ? units.raw : units.calibrated;
    if (Velogram::IsBareNumber(text)) {
        const double number = Velogram::BaseValue(text);
        const double factor = Velogram::PrefixedUnitFactor(Velogram::UnitOfText(column));
        // The column's unit is attached: the number is in that unit.
        Check(std::isnan(number) == std::isnan(value));
        if (std::fabs(number) > 1e-290 && std::fabs(number) < 1e290 && std::isfinite(value))
            Check(std::fabs(value * factor - number) <= 1e-9 * std::fabs(number));
    } else {
        Check(Velogram::IsUnitOf(Velogram::UnitWord(text), column));
        Check(value == Velogram::BaseValue(text) || (std::isnan(value) && std::isnan(Velogram::BaseValue(text))));
    }
    return 0;
}
