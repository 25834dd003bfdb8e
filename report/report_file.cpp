#include "report/report_file.h"

#include <memory>

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

#include "foundation/gui/font_substitutions.h"
#include "foundation/gui/qt_string.h"
#include "platform/com_ptr.h"
#include "report/report_clipboard.h"
#include "report/tess_report_dialog.h"
#include "report/zor_printout.h"

namespace Tessar {
namespace {

// The widgets application the report needs: the running one, or an off-screen one made for the
// life of this object when the process has none (a batch host).
class ReportApplication {
public:
    ReportApplication()
    {
        if (QCoreApplication::instance()) {
            ready_ = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
            return;
        }
        own_ = std::make_unique<QApplication>(argc_, argv_);
        KVI::InstallFontSubstitutions();
        ready_ = true;
    }
    ReportApplication(const ReportApplication&) = delete;
    ReportApplication& operator=(const ReportApplication&) = delete;

    bool Ready() const { return ready_; }

private:
    // The application's command line: it keeps (and rearranges) these for its lifetime.
    char name_[7] = "tessar";
    char option_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {name_, option_, platform_, nullptr};
    int argc_ = 3;
    std::unique_ptr<QApplication> own_;
    bool ready_ = false;
};

HRESULT WritePng(const TessReportDialog& report, const QString& file)
{
    return ReportImage(report).save(file, "PNG") ? S_OK : E_FAIL;
}

// The page as the host's print service prints it: the printout on a landscape page, drawn into
// the page's printable area.
HRESULT WritePdf(TessReportDialog& report, const QString& file)
{
    const auto printout = platform::ComPtr<TessReportPrintout>::Adopt(
        new TessReportPrintout(nullptr, report.Title(), &report));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(KVI::ToQString(report.Title()));
    QPainter painter;
    if (!painter.begin(&printer)) return E_FAIL;
    const QSize area = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    const HostRect page{0, 0, area.width(), area.height()};
    HRESULT hr = printout->BeginPrinting(&page, &painter, &printer);
    int32_t pages = 0;
    if (SUCCEEDED(hr)) hr = printout->GetPageCount(&pages);
    for (int32_t index = 0; SUCCEEDED(hr) && printout->HasPage(index) == S_OK; ++index) {
        if (index > 0 && !printer.newPage()) hr = E_FAIL;
        if (SUCCEEDED(hr)) hr = printout->PrintPage(index, &page);
    }
    printout->EndPrinting();
    if (!painter.end() && SUCCEEDED(hr)) hr = E_FAIL;
    return hr;
}

}  // namespace

HRESULT RenderReportFile(const CalibrationData& data, const KVI::UnitInfo& sourceUnit, const KVI::String& path,
                         int32_t flags)
{
    const QString file = KVI::ToQString(path);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (flags != 0 || (suffix != QLatin1String("png") && suffix != QLatin1String("pdf"))) return E_INVALIDARG;
    const ReportApplication application;
    if (!application.Ready()) return E_FAIL;

    CalibrationData record = data;
    TessReportDialog report(nullptr, data.channel_, nullptr, sourceUnit, 0, 0, record);
    // Laid out as on the screen, but never shown there.
    report.setAttribute(Qt::WA_DontShowOnScreen);
    report.show();
    const HRESULT hr = suffix == QLatin1String("png") ? WritePng(report, file) : WritePdf(report, file);
    report.hide();
    return hr;
}

}  // namespace Tessar
