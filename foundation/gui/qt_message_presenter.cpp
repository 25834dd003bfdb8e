#include "foundation/gui/qt_message_presenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <cstdio>

#include "foundation/message_box.h"

namespace KVI {
namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::Critical;
}

void Present(const MessageBoxRequest& m)
{
    const QString caption = QString::fromUtf16(m.caption.c_str(), m.caption.Length());
    const QString text = QString::fromUtf16(m.text.c_str(), m.text.Length());
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
        return;
    }
    QMessageBox box(ToQtIcon(m.icon), caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace

void InstallQtMessagePresenter()
{
    SetMessagePresenter(&Present);
}

}  // namespace KVI
