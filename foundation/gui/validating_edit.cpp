#include "foundation/gui/validating_edit.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "foundation/gui/control_id.h"

namespace KVI {
namespace {

// White space as the C library's wide classification sees it in the classic locale.
bool IsCSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || (u >= u'\t' && u <= u'\r');
}

bool IsDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The index just past a base-10 integer at the start of text (after white space and a sign),
// or 0 when there is none: where a wide strtol with base 10 would stop.
qsizetype EndOfInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    const qsizetype digits = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i > digits ? i : 0;
}

}  // namespace

ValidatingEdit::ValidatingEdit(QWidget* dialog, int id) : QLineEdit(dialog)
{
    setMaxLength(kTextLimit);
    BindControl(dialog, id, this);
}

IntEdit::IntEdit(QWidget* dialog) : ValidatingEdit(dialog, kControlId)
{
    // Digits only, and any number of them: the range is the dialog's to enforce, so a typed 9
    // reaches it and is clamped there instead of being refused keystroke by keystroke.
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

bool IntEdit::IsValidText(const QString& text)
{
    const QStringView read = QStringView(text).left(kReadLimit);
    const qsizetype end = EndOfInteger(read);
    // Stopping at the end of what was read is not enough: the number must also end the whole
    // text, so trailing characters and numbers longer than the read limit are refused.
    return end > 0 && end == text.size();
}

bool IntEdit::IsValid() const
{
    return IsValidText(text());
}

bool IntEdit::IsInRange() const
{
    if (!IsValid()) return false;
    bool ok = false;
    const qlonglong value = text().trimmed().toLongLong(&ok);
    return ok && value >= kMinimum && value <= kMaximum;
}

}  // namespace KVI
