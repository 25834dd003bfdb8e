#include "report/fit_details.h"

#include <cmath>
#include <locale>

#include <QFontMetrics>
#include <QPainter>

#include "calibration/calibration_fit.h"
#include "calibration/fit_kind.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/text_format.h"
#include "foundation/ostring_stream.h"
#include "calibration/calibration_dates.h"
#include "report/fit_text.h"
#include "report/record_text.h"
#include "report/uncertainty_text.h"

namespace Tessar {
namespace {

// "label" followed by value in a wide stream's default notation, classic locale.
KVI::String Labelled(const wchar_t* label, double value)
{
    KVI::OStringStream os;
    os.imbue(std::locale::classic());
    os << label << value;
    return os.Str();
}

}  // namespace

std::vector<KVI::String> FitDetailsLines(const CalibrationData& data, const KVI::UnitInfo& sourceUnit)
{
    std::vector<KVI::String> lines;
    lines.emplace_back(u"Calibration Fit Details");
    KVI::String fit = FitTypeLine(data);
    fit += u" : ";
    fit += FormatEquation(data, sourceUnit);
    lines.push_back(fit);
    if (KVI::String units = UnitsLine(data, sourceUnit); !units.IsEmpty()) lines.push_back(std::move(units));
    if (data.fitKind_ != static_cast<int32_t>(FitKind::PointToPoint)) {
        lines.push_back(Labelled(L"Chi\u00B2 = ", data.chiSquare_));
        lines.push_back(Labelled(L"SSE = ", data.sse_));
    }
    if (data.fitKind_ == static_cast<int32_t>(FitKind::Linear) && !data.forceOrigin_) {
        const double r = CorrelationCoefficient(data.rawValues_, data.calibratedValues_);
        lines.push_back(Labelled(L"r\u00B2 = ", r * r));
    }
    return lines;
}

std::vector<KVI::String> ReportDetailsLines(const CalibrationData& data, const KVI::UnitInfo& sourceUnit)
{
    std::vector<KVI::String> lines = FitDetailsLines(data, sourceUnit);
    for (KVI::String& line : UncertaintyLines(data, sourceUnit)) lines.push_back(std::move(line));
    if (KVI::String advice = AdviceLine(AdviseFitKind(data)); !advice.IsEmpty()) lines.push_back(std::move(advice));
    for (KVI::String& line : RecordLines(data, Today())) lines.push_back(std::move(line));
    return lines;
}

namespace {

// The block's text format on the painter's device, and its line pitch.
GUILib::TextFormat DetailsFormat(const QPainter& painter, double* pitch)
{
    GUILib::TextFormat format;
    format.SetupFont(QStringLiteral("Tahoma"), 8, false, painter);
    format.textColour_ = Qt::black;
    format.backgroundMode_ = GUILib::TextFormat::kOpaque;
    format.alignment_ = GUILib::TextFormat::kAlignLeft | GUILib::TextFormat::kAlignTop;
    format.rotation_ = GUILib::TextFormat::kNoRotation;
    *pitch = 1.2 * QFontMetrics(format.CreateFont(), painter.device()).height();
    return format;
}

}  // namespace

int FitDetailsHeight(const CalibrationData& data, const KVI::UnitInfo& sourceUnit, const QPainter& painter)
{
    double pitch = 0;
    DetailsFormat(painter, &pitch);
    int y = static_cast<int>(std::trunc(pitch));
    for (size_t i = ReportDetailsLines(data, sourceUnit).size(); i > 0; --i) y = static_cast<int>(std::trunc(y + pitch));
    return y;
}

QRect DrawFitDetails(const CalibrationData& data, const KVI::UnitInfo& sourceUnit, QPainter& painter,
                     const QRect& rect)
{
    painter.save();
    double pitch = 0;
    const GUILib::TextFormat format = DetailsFormat(painter, &pitch);
    const int x = rect.left() + 4;
    int y = static_cast<int>(std::trunc(rect.top() + pitch));
    const int frameTop = y;
    for (const KVI::String& line : ReportDetailsLines(data, sourceUnit)) {
        format.DrawAt(painter, QPoint(x, y), KVI::ToQString(line));
        y = static_cast<int>(std::trunc(y + pitch));
    }

    // The outline as four strips one logical unit wide, so that it scales with the painter
    // like the texts do.
    const QRect frame(QPoint(rect.left(), frameTop), QPoint(rect.left() + rect.width() - 1, y - 1));
    painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), Qt::black);
    painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), Qt::black);
    painter.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), Qt::black);
    painter.fillRect(QRect(frame.right(), frame.top(), 1, frame.height()), Qt::black);
    painter.restore();
    return frame;
}

}  // namespace Tessar
