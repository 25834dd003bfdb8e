// Tessar::TessCopySelect: "Select Copy Format" (template 350, resources/ui/CopySelect.ui), the
// small modal choice of how the fit report goes to the clipboard: "Copy as image" (351) or
// "Copy as text" (352).
#pragma once

#include <QDialog>

class QRadioButton;

namespace Tessar {

class TessCopySelect : public QDialog {
public:
    // [in, out] asText: the caller's flag. The choice starts at "Copy as text" when it is true,
    // else at "Copy as image"; OK sets it to whether "Copy as text" is chosen. Escape and the
    // close box leave it as it was. It must outlive the dialog.
    TessCopySelect(QWidget* parent, bool& asText);

    void accept() override;

private:
    bool& asText_;
    QRadioButton* image_ = nullptr;
    QRadioButton* text_ = nullptr;
};

}  // namespace Tessar
