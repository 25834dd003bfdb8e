// Zor::PrintoutDriver: runs a printout (IZORPrintout, interfaces/printing.h) on an open
// painter: begin, page count, begin document, page range, then has page / print page for every
// page, end document, end. Knows nothing of dialogs or destinations; the print service opens the
// printer or the preview and hands the painter over.
#pragma once

#include <QRect>

#include "interfaces/printing.h"

class QPainter;
class QPrinter;

namespace Zor {

class PrintoutDriver {
public:
    // Gives the printer what the printout asks for before the painter opens on it: the page
    // orientation (layout 1 portrait, 2 landscape), the job's name (the title) and, from
    // IZORPrintoutEx, a preferred page size.
    static void PreparePrinter(IZORPrintout* printout, QPrinter& printer);

    // Prints every page. [in] painter: active on printer (or on a preview page of it); printer:
    // passed to the printout, and asked for a new page between pages; page: the printable area
    // in device pixels. S_OK; otherwise the failure of the first printout slot that failed
    // (after a successful begin, end document and end are still called). A printout whose page
    // count is negative prints nothing; pages beyond the count are never asked for.
    static HRESULT Run(IZORPrintout* printout, QPainter& painter, QPrinter* printer, const QRect& page);

    // The printable area of a printer's page, in its device pixels, with its origin at (0, 0) as
    // a painter on the printer has it.
    static QRect PageRect(const QPrinter& printer);
};

}  // namespace Zor
