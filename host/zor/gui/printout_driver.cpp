#include "host/zor/gui/printout_driver.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include "platform/com_ptr.h"

namespace Zor {

void PrintoutDriver::PreparePrinter(IZORPrintout* printout, QPrinter& printer)
{
    int32_t layout = 0;
    if (SUCCEEDED(printout->GetLayout(&layout))) {
        if (layout == 1) printer.setPageOrientation(QPageLayout::Portrait);
        if (layout == 2) printer.setPageOrientation(QPageLayout::Landscape);
    }
    BSTR title = nullptr;
    if (SUCCEEDED(printout->GetTitle(&title)) && title)
        printer.setDocName(QString::fromUtf16(title, SysStringLen(title)));
    SysFreeString(title);

    platform::ComPtr<IZORPrintoutEx> ex;
    if (SUCCEEDED(printout->QueryInterface(IID_IZORPrintoutEx, reinterpret_cast<void**>(ex.Put()))) && ex) {
        int32_t width = 0;
        int32_t height = 0;
        // Sizes come in 0.01 mm.
        if (ex->GetPreferredPageSize(&width, &height) == S_OK && width > 0 && height > 0)
            printer.setPageSize(QPageSize(QSizeF(width / 100.0, height / 100.0), QPageSize::Millimeter));
    }
}

QRect PrintoutDriver::PageRect(const QPrinter& printer)
{
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    return QRect(QPoint(0, 0), paint.size());
}

HRESULT PrintoutDriver::Run(IZORPrintout* printout, QPainter& painter, QPrinter* printer, const QRect& page)
{
    const HostRect area{page.left(), page.top(), page.right() + 1, page.bottom() + 1};
    HRESULT hr = printout->BeginPrinting(&area, &painter, printer);
    if (FAILED(hr)) return hr;

    int32_t count = 0;
    hr = printout->GetPageCount(&count);
    if (SUCCEEDED(hr)) hr = printout->BeginDocument();
    if (SUCCEEDED(hr) && count > 0) hr = printout->SetPageRange(0, count - 1);
    for (int32_t index = 0; SUCCEEDED(hr) && index < count; ++index) {
        const HRESULT has = printout->HasPage(index);
        if (has != S_OK) {
            if (FAILED(has)) hr = has;
            break;
        }
        if (index > 0 && printer && !printer->newPage()) {
            hr = E_FAIL;
            break;
        }
        painter.save();
        hr = printout->PrintPage(index, &area);
        painter.restore();
    }
    // The printout may hold the painter until it hears the end, whatever happened before.
    const HRESULT endDocument = printout->EndDocument();
    const HRESULT end = printout->EndPrinting();
    if (SUCCEEDED(hr)) hr = FAILED(endDocument) ? endDocument : FAILED(end) ? end : S_OK;
    return hr;
}

}  // namespace Zor
