#include "host/velogram/block_properties_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "host/velogram/time_text.h"

namespace Velogram {

BlockPropertiesDialog::BlockPropertiesDialog(QWidget* parent, int32_t block, int64_t samples, double seconds)
    : QDialog(parent), interval_(seconds)
{
    setWindowTitle(tr("Block %1 Properties").arg(block + 1));
    auto* form = new QFormLayout;
    form->addRow(tr("Samples:"), new QLabel(QString::number(samples), this));
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("sampleInterval"));
    edit_->setPlaceholderText(tr("none"));
    if (seconds > 0) edit_->setText(QString::fromStdString(FormatSampleInterval(seconds)));
    form->addRow(tr("Sample &interval:"), edit_);
    rate_ = new QLabel(this);
    form->addRow(QString(), rate_);
    auto* hint = new QLabel(tr("An interval such as 1 ms, or a rate such as 1 kHz; empty for none (samples are "
                               "then only numbered)."),
                            this);
    hint->setWordWrap(true);
    hint->setEnabled(false);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->setWordWrap(true);
    problem_->hide();
    everyBlock_ = new QCheckBox(tr("For &every block"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &BlockPropertiesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BlockPropertiesDialog::reject);
    connect(edit_, &QLineEdit::textChanged, this, [this] { ShowRate(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(problem_);
    layout->addWidget(everyBlock_);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    ShowRate();
}

bool BlockPropertiesDialog::ForEveryBlock() const { return everyBlock_->isChecked(); }

void BlockPropertiesDialog::ShowRate()
{
    const std::optional<double> seconds = ParseSampleInterval(edit_->text().toStdString());
    rate_->setText(seconds ? tr("a rate of %1").arg(QString::fromStdString(FormatSampleRate(*seconds))) : QString());
}

void BlockPropertiesDialog::accept()
{
    const QString text = edit_->text().trimmed();
    if (text.isEmpty()) {
        interval_ = 0;
        QDialog::accept();
        return;
    }
    const std::optional<double> seconds = ParseSampleInterval(text.toStdString());
    if (!seconds) {
        problem_->setText(tr("\"%1\" is no sample interval: type a time such as 1 ms or 250 \u00B5s, or a rate such "
                             "as 1 kHz, between 1 ps and a billion seconds.")
                              .arg(text));
        problem_->show();
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    interval_ = *seconds;
    QDialog::accept();
}

}  // namespace Velogram
