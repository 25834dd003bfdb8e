#include "report/tess_copy_select.h"

#include <QPushButton>
#include <QRadioButton>

#include "foundation/gui/control_id.h"
#include "ui_CopySelect.h"

namespace Tessar {
namespace {

constexpr int kAsImageId = 351;
constexpr int kAsTextId = 352;
constexpr int kOkId = 1;

}  // namespace

TessCopySelect::TessCopySelect(QWidget* parent, bool& asText) : QDialog(parent), asText_(asText)
{
    Ui::CopySelect form;
    form.setupUi(this);
    image_ = KVI::FindControl<QRadioButton>(this, kAsImageId);
    text_ = KVI::FindControl<QRadioButton>(this, kAsTextId);
    (asText_ ? text_ : image_)->setChecked(true);
    connect(KVI::FindControl<QPushButton>(this, kOkId), &QPushButton::clicked, this, &TessCopySelect::accept);
}

void TessCopySelect::accept()
{
    asText_ = text_->isChecked();
    QDialog::accept();
}

}  // namespace Tessar
