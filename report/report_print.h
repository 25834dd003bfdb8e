// Printing the fit report through the host: the report's data-access object leads, by the
// printing walk of interfaces/printing.h, to the host's print service, which is handed a
// TessReportPrintout of the report (one landscape page, titled with the report's title).
#pragma once

namespace Tessar {

class TessReportDialog;

// The text shown when the host offers no printing: the data-access object is missing or has no
// printing face, or a step of the walk yields nothing.
inline constexpr char16_t kPrintingNotAvailable[] = u"Printing is not available.";
// The text shown when the print service fails (not when the user cancels).
inline constexpr char16_t kPrintFailed[] = u"The report could not be printed.";

// Prints the report. While a print of this module runs (the print service may run event loops,
// so the user can press Print again), a further call does nothing. Problems are told in a
// message box captioned "Tessar".
void PrintReport(TessReportDialog& report);

// Whether a print of this module is running.
bool ReportPrintRunning();

}  // namespace Tessar
