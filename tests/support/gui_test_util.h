// Helpers of the widget tests: waiting for a condition with the event loop running, finding
// visible top-level windows of a type and acting on them when they show, writing pictures
// where a person can look at them, and reading a PDF's properties.
#pragma once

#include <functional>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace TestSupport {

// Runs the event loop until pred holds or timeoutMs pass; returns pred's last answer.
inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 2000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs) return false;
        QTest::qWait(10);
    }
    return true;
}

// Visible top-level widgets of type T.
template <class T>
std::vector<T*> VisibleWindows()
{
    std::vector<T*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = dynamic_cast<T*>(w); t && t->isVisible()) found.push_back(t);
    return found;
}

// Where tests write their pictures: $TESSAR_TEST_OUTPUT (set by CTest), else the current folder.
inline QString TestOutputPath(const QString& fileName)
{
    // ctest names the folder; a test run by hand writes to the same one, build/test-output
    // beside the tests' bin folder, never into the folder it was started from.
    const QString besideTests = QCoreApplication::instance()
                                    ? QCoreApplication::applicationDirPath() + QStringLiteral("/../test-output")
                                    : QStringLiteral("test-output");
    const QString dir = qEnvironmentVariable("TESSAR_TEST_OUTPUT", besideTests);
    QDir().mkpath(dir);
    return QDir(dir).filePath(fileName);
}

// One picture of several top-level windows as they lie on the screen (a dialog with its
// pop-ups): each grabbed and drawn at its global position, on white, a shaped window only
// within its mask.
inline QImage GrabWindows(const std::vector<QWidget*>& windows)
{
    QRect all;
    for (QWidget* w : windows) all |= QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    QImage picture(all.size(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    for (QWidget* w : windows) {
        const QPoint at = w->mapToGlobal(QPoint(0, 0)) - all.topLeft();
        p.setClipping(!w->mask().isEmpty());
        if (!w->mask().isEmpty()) p.setClipRegion(w->mask().translated(at));
        p.drawPixmap(at, w->grab());
    }
    return picture;
}

// Answers the next modal dialog of type T: from now on, every 10 ms of the event loop (the
// dialog's own loop once it runs) looks for it as the active modal widget, and when it is shown
// calls answer once with it, exposed. answer must close the dialog. Set it up just before the
// event that opens the dialog; it never blocks. It gives up after timeoutMs without a dialog.
template <class T>
void AnswerNextModal(std::function<void(T*)> answer, int timeoutMs = 10000)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, timeoutMs, answer = std::move(answer)] {
        auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
        const bool found = dialog && dialog->isVisible();
        if (!found && clock.elapsed() < timeoutMs) return;
        poll->stop();
        poll->deleteLater();
        if (found && QTest::qWaitForWindowExposed(dialog)) answer(dialog);
    });
    poll->start();
}

// Runs action on the first visible top-level window of type T once one shows (polling, so it
// works from inside the window's own modal loop).
template <class T>
void WhenShown(std::function<void(T*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        const auto windows = VisibleWindows<T>();
        if (windows.empty()) return;
        timer->stop();
        timer->deleteLater();
        action(windows.front());
    });
    timer->start();
}

// The value of one of pdfinfo's "Key: value" lines for a PDF file; empty when it has none.
inline QString PdfInfo(const QString& file, const QString& key)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {file});
    if (!process.waitForFinished(20000)) return QString();
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char(':'))) return line.mid(key.size() + 1).trimmed();
    return QString();
}

}  // namespace TestSupport
