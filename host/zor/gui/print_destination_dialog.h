// Zor::PrintDestinationDialog: asks where a print goes: a printer (the printer dialog follows),
// a PDF file, or a print preview. The PDF choice needs a file name; OK stays disabled without one.
#pragma once

#include <QDialog>
#include <QString>

#include "interfaces/printing.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace Zor {

class PrintDestinationDialog : public QDialog {
public:
    struct Choice {
        PrintDestination destination = kPrintPrinter;
        QString pdfPath;
    };

    // [in] initial: the choice shown first (the previous one); printerAvailable: whether the
    // printer choice is offered (otherwise it is disabled and PDF is chosen instead).
    PrintDestinationDialog(const Choice& initial, bool printerAvailable, QWidget* parent = nullptr);

    Choice Chosen() const;

    QRadioButton* PrinterButton() const { return printer_; }
    QRadioButton* PdfButton() const { return pdf_; }
    QRadioButton* PreviewButton() const { return preview_; }
    QLineEdit* PathEdit() const { return path_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void UpdateState();
    void Browse();

    QRadioButton* printer_;
    QRadioButton* pdf_;
    QRadioButton* preview_;
    QLineEdit* path_;
    QPushButton* browse_;
    QPushButton* ok_;
};

}  // namespace Zor
