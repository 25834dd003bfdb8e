#include "report/report_print.h"

#include "interfaces/printing.h"
#include "foundation/message_box.h"
#include "platform/com_ptr.h"
#include "report/tess_report_dialog.h"
#include "report/zor_printout.h"
#include "resources/string_ids.h"

namespace Tessar {
namespace {

bool& RunningFlag()
{
    static bool running = false;
    return running;
}

// Raises the flag for the life of the object.
class RunningPrint {
public:
    RunningPrint() { RunningFlag() = true; }
    ~RunningPrint() { RunningFlag() = false; }
    RunningPrint(const RunningPrint&) = delete;
    RunningPrint& operator=(const RunningPrint&) = delete;
};

void Tell(const char16_t* text)
{
    KVI::ShowMessage(KVI::String(KVI::ThisModule(), StringId::kCalcName), KVI::String(text), KVI::MessageIcon::Stop);
}

}  // namespace

bool ReportPrintRunning() { return RunningFlag(); }

void PrintReport(TessReportDialog& report)
{
    if (RunningFlag()) return;

    platform::ComPtr<IZORPrinting> printing;
    platform::ComPtr<IZORHostFrame> frame;
    platform::ComPtr<IZORPrintService> service;
    IUnknown* access = report.DataAccess();
    const bool walked = access && SUCCEEDED(access->QueryInterface(IID_IZORPrinting, printing.PutVoid())) &&
                        printing && SUCCEEDED(printing->GetFrame(frame.Put())) && frame &&
                        SUCCEEDED(frame->GetPrintService(service.Put())) && service;
    if (!walked) {
        Tell(kPrintingNotAvailable);
        return;
    }

    const platform::ComPtr<TessReportPrintout> printout =
        platform::ComPtr<TessReportPrintout>::Adopt(new TessReportPrintout(printing.Get(), report.Title(), &report));
    HRESULT hr = S_OK;
    {
        const RunningPrint running;
        hr = service->Print(printout.Get(), 1);
    }
    if (FAILED(hr)) Tell(kPrintFailed);
}

}  // namespace Tessar
