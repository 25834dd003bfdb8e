#include "report/record_text.h"

#include <locale>
#include <string>

#include "calibration/calibration_dates.h"
#include "foundation/ostring_stream.h"
#include "report/report_data.h"

namespace Tessar {
namespace {

// "label" and the text, its line breaks made blanks.
KVI::String Labelled(const wchar_t* label, const KVI::String& text)
{
    std::wstring line = label;
    for (wchar_t c : text.ToWide()) line += (c == L'\n' || c == L'\r') ? L' ' : c;
    return KVI::String::FromWide(line);
}

}  // namespace

std::vector<KVI::String> RecordLines(const CalibrationData& data, int64_t today)
{
    std::vector<KVI::String> lines;
    if (data.rangePolicy_ == static_cast<int32_t>(RangePolicy::Clamp))
        lines.emplace_back(u"Outside the points: clamped to the end values");
    else if (data.rangePolicy_ == static_cast<int32_t>(RangePolicy::Blank))
        lines.emplace_back(u"Outside the points: blank");
    if (data.zeroOffset_ != 0) {
        KVI::OStringStream os;
        os.imbue(std::locale::classic());
        os << L"Zero offset: " << DisplayValue(data.zeroOffset_, data.unit_.prefix_);
        if (const KVI::String unit = data.unit_.DisplayText(); !unit.IsEmpty()) os << L" " << unit.ToWide();
        lines.push_back(os.Str());
    }
    if (data.weights_ == static_cast<int32_t>(PointWeights::InverseVariance)) lines.emplace_back(u"Weights: 1/SD\u00B2");
    if (!data.calibrationDate_.IsEmpty()) lines.push_back(Labelled(L"Calibrated: ", data.calibrationDate_));
    if (const std::optional<int64_t> due = DueDay(data)) {
        std::wstring line = L"Due: " + KVI::String::FromUtf8(FormatIsoDate(*due)).ToWide();
        if (IsExpired(data, today)) line += L" (expired)";
        lines.push_back(KVI::String::FromWide(line));
    }
    if (!data.certificate_.IsEmpty()) lines.push_back(Labelled(L"Certificate: ", data.certificate_));
    if (!data.operator_.IsEmpty()) lines.push_back(Labelled(L"Operator: ", data.operator_));
    if (!data.note_.IsEmpty()) lines.push_back(Labelled(L"Note: ", data.note_));
    return lines;
}

}  // namespace Tessar
