// Zor::PrintService: the print service (IZORPrintService, interfaces/printing.h). It opens
// the destination (the printer through the printer dialog, a PDF file, or the print preview,
// whose print button prints again through the printer dialog) and lets PrintoutDriver drive the
// printout on it. One per process, never freed; the user-interface thread only.
#pragma once

#include <atomic>

#include <QString>

#include "interfaces/printing.h"
#include "host/zor/gui/print_destination_dialog.h"

class QPrinter;
class QWidget;

namespace Zor {

class PrintService final : public IZORPrintService {
public:
    static PrintService* Instance();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT Print(IZORPrintout* printout, int32_t flags) override;
    HRESULT SetDestination(int32_t destination, const char16_t* path) override;

private:
    PrintService() = default;
    ~PrintService() = default;

    HRESULT PrintTo(IZORPrintout* printout, const PrintDestinationDialog::Choice& choice, QWidget* parent);
    // Prints on an opened printer (painter begun here). E_FAIL when the printer cannot be opened.
    static HRESULT PrintOn(IZORPrintout* printout, QPrinter& printer);
    static HRESULT Preview(IZORPrintout* printout, QPrinter& printer, QWidget* parent);

    std::atomic<int32_t> refs_{1};
    PrintDestination destination_ = kPrintAskUser;
    QString pdfPath_;
    // What the user chose last time, offered first next time.
    PrintDestinationDialog::Choice lastChoice_;
    bool busy_ = false;
};

}  // namespace Zor
