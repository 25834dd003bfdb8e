#include "host/zor/gui/print_destination_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace Zor {

PrintDestinationDialog::PrintDestinationDialog(const Choice& initial, bool printerAvailable, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Print"));
    printer_ = new QRadioButton(tr("&Printer"), this);
    pdf_ = new QRadioButton(tr("PDF &file:"), this);
    preview_ = new QRadioButton(tr("Print pre&view"), this);
    path_ = new QLineEdit(initial.pdfPath, this);
    path_->setMinimumWidth(260);
    browse_ = new QPushButton(tr("&Browse..."), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);

    auto* grid = new QGridLayout;
    grid->addWidget(printer_, 0, 0, 1, 3);
    grid->addWidget(pdf_, 1, 0);
    grid->addWidget(path_, 1, 1);
    grid->addWidget(browse_, 1, 2);
    grid->addWidget(preview_, 2, 0, 1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    printer_->setEnabled(printerAvailable);
    PrintDestination start = initial.destination;
    if (start == kPrintPrinter && !printerAvailable) start = kPrintPdfFile;
    (start == kPrintPdfFile ? pdf_ : start == kPrintPreview ? preview_ : printer_)->setChecked(true);

    for (QRadioButton* b : {printer_, pdf_, preview_}) connect(b, &QRadioButton::toggled, this, [this] { UpdateState(); });
    connect(path_, &QLineEdit::textChanged, this, [this] { UpdateState(); });
    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateState();
}

PrintDestinationDialog::Choice PrintDestinationDialog::Chosen() const
{
    Choice choice;
    choice.destination = pdf_->isChecked() ? kPrintPdfFile : preview_->isChecked() ? kPrintPreview : kPrintPrinter;
    choice.pdfPath = path_->text().trimmed();
    return choice;
}

void PrintDestinationDialog::UpdateState()
{
    path_->setEnabled(pdf_->isChecked());
    browse_->setEnabled(pdf_->isChecked());
    const bool any = printer_->isChecked() || pdf_->isChecked() || preview_->isChecked();
    ok_->setEnabled(any && (!pdf_->isChecked() || !path_->text().trimmed().isEmpty()));
}

void PrintDestinationDialog::Browse()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Print to PDF File"), path_->text(),
                                                      tr("PDF files (*.pdf)"));
    if (file.isEmpty()) return;
    path_->setText(file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ? file : file + QStringLiteral(".pdf"));
}

}  // namespace Zor
