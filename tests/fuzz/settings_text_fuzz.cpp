// Fuzzes the settings text form's parser. The input is the text in UTF-8. Checks: a rejected
// text changes nothing; otherwise the parsed fields render to a text that parses completely
// and renders the same again, and a head-only parse agrees with the full one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calibration/settings_text.h"
#include "platform/code_page.h"

namespace {

using Tessar::CalibrationData;
using Tessar::SettingsTextScope;
using Tessar::SettingsTextStatus;

void Check(bool condition)
{
    if (!condition) std::abort();
}

std::u16string Render(const CalibrationData& d) { return std::u16string(Tessar::FormatSettingsText(d).View()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text =
        platform::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));

    CalibrationData full(5);
    full.rawValues_ = {1};
    full.calibratedValues_ = {2};
    const std::u16string untouched = Render(full);
    const SettingsTextStatus status = Tessar::ParseSettingsText(text, SettingsTextScope::Full, full);
    if (status == SettingsTextStatus::Rejected) {
        Check(Render(full) == untouched && full.channel_ == 5);
        return 0;
    }
    Check(full.rawValues_.size() == full.calibratedValues_.size());

    const std::u16string rendered = Render(full);
    CalibrationData back;
    Check(Tessar::ParseSettingsText(rendered, SettingsTextScope::Full, back) == SettingsTextStatus::Complete);
    Check(Render(back) == rendered);

    // The head parse reads the same head and leaves the points, the range policy and the zero
    // offset alone.
    CalibrationData head;
    head.rawValues_ = {7};
    head.calibratedValues_ = {8};
    const SettingsTextStatus headStatus = Tessar::ParseSettingsText(text, SettingsTextScope::Head, head);
    Check(headStatus != SettingsTextStatus::Rejected);
    Check(head.rawValues_.size() == 1);
    full.rawValues_ = head.rawValues_;
    full.calibratedValues_ = head.calibratedValues_;
    Check(head.rangePolicy_ == 0 && head.zeroOffset_ == 0);
    full.rangePolicy_ = head.rangePolicy_;
    full.zeroOffset_ = head.zeroOffset_;
    Check(Render(head) == Render(full));
    return 0;
}
