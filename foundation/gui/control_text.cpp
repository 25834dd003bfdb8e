#include "foundation/gui/control_text.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "foundation/gui/qt_string.h"

namespace KVI {
namespace {

QString RawText(const QWidget* control)
{
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(control)) return plain->toPlainText();
    if (auto* rich = qobject_cast<const QTextEdit*>(control)) return rich->toPlainText();
    return control->windowTitle();
}

}  // namespace

String GetControlText(const QWidget* control)
{
    if (!control) return String();
    QString text = RawText(control);
    // A window text read into a buffer stops at the first null; keep that rule, so text with
    // an embedded null reads the same here as anywhere else in the system.
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0) text.truncate(nul);
    return FromQString(text);
}

}  // namespace KVI
