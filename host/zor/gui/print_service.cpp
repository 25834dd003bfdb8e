#include "host/zor/gui/print_service.h"

#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "host/zor/gui/printout_driver.h"
#include "platform/com_ptr.h"

namespace Zor {

PrintService* PrintService::Instance()
{
    static PrintService* const service = new PrintService();
    return service;
}

HRESULT PrintService::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IZORPrintService) {
        *out = static_cast<IZORPrintService*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t PrintService::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }
uint32_t PrintService::Release() { return uint32_t(refs_.fetch_sub(1) - 1); }

HRESULT PrintService::SetDestination(int32_t destination, const char16_t* path)
{
    if (destination < kPrintAskUser || destination > kPrintPreview) return E_INVALIDARG;
    const QString file = path ? QString::fromUtf16(path) : QString();
    if (destination == kPrintPdfFile && file.trimmed().isEmpty()) return E_INVALIDARG;
    destination_ = static_cast<PrintDestination>(destination);
    pdfPath_ = destination == kPrintPdfFile ? file : QString();
    return S_OK;
}

HRESULT PrintService::Print(IZORPrintout* printout, int32_t flags)
{
    if (!printout) return E_POINTER;
    const bool widgets = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    if (!widgets) return E_FAIL;
    // The preview and the dialogs run event loops in which the user could ask to print again.
    if (busy_) return E_UNEXPECTED;
    busy_ = true;
    const platform::ComPtr<IZORPrintout> hold(printout);
    QWidget* parent = QApplication::activeWindow();

    HRESULT hr = S_OK;
    PrintDestinationDialog::Choice choice{destination_, pdfPath_};
    if (destination_ == kPrintAskUser) {
        if (!(flags & 1)) {
            hr = E_ABORT;
        } else {
            PrintDestinationDialog dialog(lastChoice_, !QPrinterInfo::availablePrinterNames().isEmpty(), parent);
            if (dialog.exec() != QDialog::Accepted) {
                hr = S_FALSE;
            } else {
                choice = dialog.Chosen();
                lastChoice_ = choice;
            }
        }
    }
    if (hr == S_OK) hr = PrintTo(printout, choice, parent);
    busy_ = false;
    return hr;
}

HRESULT PrintService::PrintTo(IZORPrintout* printout, const PrintDestinationDialog::Choice& choice, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    PrintoutDriver::PreparePrinter(printout, printer);
    switch (choice.destination) {
    case kPrintPdfFile:
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(choice.pdfPath);
        return PrintOn(printout, printer);
    case kPrintPreview:
        return Preview(printout, printer, parent);
    case kPrintPrinter:
        if (destination_ == kPrintPrinter) {
            // Set by the caller: the system's default printer, no dialog.
            const QPrinterInfo info = QPrinterInfo::defaultPrinter();
            if (info.isNull()) return E_FAIL;
            printer.setPrinterName(info.printerName());
        } else {
            QPrintDialog dialog(&printer, parent);
            if (dialog.exec() != QDialog::Accepted) return S_FALSE;
        }
        return PrintOn(printout, printer);
    default:
        return E_INVALIDARG;
    }
}

HRESULT PrintService::PrintOn(IZORPrintout* printout, QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) return E_FAIL;
    const HRESULT hr = PrintoutDriver::Run(printout, painter, &printer, PrintoutDriver::PageRect(printer));
    if (!painter.end() && SUCCEEDED(hr)) return E_FAIL;
    return hr;
}

HRESULT PrintService::Preview(IZORPrintout* printout, QPrinter& printer, QWidget* parent)
{
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(printer.docName().isEmpty() ? QObject::tr("Print Preview")
                                                      : QObject::tr("Print Preview - %1").arg(printer.docName()));
    HRESULT hr = S_OK;
    // The preview asks for the pages whenever it needs them again (zoom, page set-up) and once
    // more when its print button sends them to the printer it then opens.
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        QPainter painter;
        if (!painter.begin(target)) {
            hr = E_FAIL;
            return;
        }
        const HRESULT run = PrintoutDriver::Run(printout, painter, target, PrintoutDriver::PageRect(*target));
        if (FAILED(run)) hr = run;
    });
    dialog.exec();
    return hr;
}

}  // namespace Zor
