// Fuzzes ReadCalibrationFile. Checks: a refusal leaves the record as it was and says why; a
// file that reads writes a file that reads back to the same record and the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calibration/calibration_file.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Tessar::CalibrationData record(3);
    const std::string error = Tessar::ReadCalibrationFile(text, record);
    if (!error.empty()) {
        Check(record == Tessar::CalibrationData(3));
        return 0;
    }
    const std::string written = Tessar::WriteCalibrationFile(record);
    Tessar::CalibrationData again;
    Check(Tessar::ReadCalibrationFile(written, again).empty());
    Check(Tessar::WriteCalibrationFile(again) == written);
    return 0;
}
