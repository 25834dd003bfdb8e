// Fuzzes the calibration dialog's reading of a CSV points file (ReadPointsCsv) for a mV channel and
// a kPa calibration. Checks: a refusal leaves the points as they were and says why; a table that
// reads has at most twelve points, and written out again (PointsCsvText) it reads back to the same
// numbers, bit for bit.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "calibration/calibration_data.h"
#include "settings_dialog/point_texts.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool Same(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KVI::UnitInfo raw{0, 7, KVI::String(u"V")};
    const KVI::UnitInfo calibrated{0, 9, KVI::String(u"Pa")};
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<Tessar::ImportedPoint> points = {Tessar::ImportedPoint{7, 8, {}}};
    const std::string error = Tessar::ReadPointsCsv(text, raw, calibrated, 12, points);
    if (!error.empty()) {
        Check(points.size() == 1 && points[0].raw == 7 && points[0].calibrated == 8 && !points[0].sd);
        return 0;
    }
    Check(!points.empty() && points.size() <= 12);
    Tessar::CalibrationData record;
    for (const Tessar::ImportedPoint& p : points) {
        record.rawValues_.push_back(p.raw);
        record.calibratedValues_.push_back(p.calibrated);
        Tessar::PointProvenance kept;
        kept.measured = p.sd.has_value();
        kept.sd = p.sd.value_or(0);
        record.provenance_.push_back(kept);
    }
    std::vector<Tessar::ImportedPoint> again;
    Check(Tessar::ReadPointsCsv(Tessar::PointsCsvText(record, raw, calibrated), raw, calibrated, 12, again).empty());
    Check(again.size() == points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        Check(Same(again[i].raw, points[i].raw) || (points[i].raw != points[i].raw && again[i].raw != again[i].raw));
        Check(Same(again[i].calibrated, points[i].calibrated) ||
              (points[i].calibrated != points[i].calibrated && again[i].calibrated != again[i].calibrated));
        // An SD that is not positive and finite is no SD for the weighting and is not written.
        const bool written = points[i].sd && *points[i].sd > 0 && std::isfinite(*points[i].sd);
        if (written) Check(again[i].sd && Same(*again[i].sd, *points[i].sd));
    }
    return 0;
}
