// Edit fields that know whether their text is valid.
//
// A ValidatingEdit binds to the dialog control with its id (taking its place, see
// control_id.h) or, created by a template as a promoted widget, is that control.
#pragma once

#include <QLineEdit>
#include <QString>

namespace KVI {

class ValidatingEdit : public QLineEdit {
public:
    static constexpr int kTextLimit = 255;

    // [in] dialog: the dialog (or simply the parent); id: the control id to bind to.
    ValidatingEdit(QWidget* dialog, int id);

    // Whether the text is a valid value of this field.
    virtual bool IsValid() const = 0;
};

// The decimal-places field (control 207): digits only while typing, no range while typing (a
// value beyond the range is clamped by the dialog when it validates), IsValid for a whole number.
class IntEdit : public ValidatingEdit {
public:
    static constexpr int kControlId = 207;
    // The range the dialog applies when it validates its controls.
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 6;
    // How much of the text IsValid reads (a 30-character buffer with its terminator).
    static constexpr int kReadLimit = 29;

    explicit IntEdit(QWidget* dialog = nullptr);

    // True when the first 29 characters of the text read as a base-10 integer that ends exactly
    // at the end of the whole text: leading white space and a sign are allowed, at least one
    // digit is needed, nothing may follow. " 2" and "12" are valid; "2 ", "1e3", "" and "abc"
    // are not, nor is a number longer than 29 characters.
    bool IsValid() const override;
    static bool IsValidText(const QString& text);

    // Whether the text is valid and its value lies in kMinimum..kMaximum.
    bool IsInRange() const;
};

}  // namespace KVI
