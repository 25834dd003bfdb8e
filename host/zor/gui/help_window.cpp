#include "host/zor/gui/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace Zor {

namespace {

const QString kHelpRoot = QStringLiteral(":/help");

// The entry of a folder whose name equals name without regard to case.
QString FindEntry(const QString& folder, const QString& name, QDir::Filters filters)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) return QString();
    const QStringList entries = QDir(folder).entryList(filters);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return QDir(folder).filePath(entry);
    return QString();
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("Help"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    back_ = new QToolButton(this);
    back_->setText(tr("Back"));
    forward_ = new QToolButton(this);
    forward_->setText(tr("Forward"));
    contents_ = new QToolButton(this);
    contents_->setText(tr("Contents"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addWidget(contents_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(contents_, &QToolButton::clicked, this, [this] {
        if (!book_.isEmpty()) ShowPage(QDir(book_).filePath(QStringLiteral("index.html")));
    });
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { UpdateTitle(); });
    resize(560, 480);
}

QString HelpWindow::BookFolder(const QString& helpKey)
{
    return FindEntry(kHelpRoot, helpKey, QDir::Dirs | QDir::NoDotAndDotDot);
}

QString HelpWindow::TopicPage(const QString& bookFolder, const QString& topic)
{
    if (bookFolder.isEmpty()) return QString();
    return FindEntry(bookFolder, topic + QStringLiteral(".html"), QDir::Files);
}

void HelpWindow::ShowPage(const QString& page)
{
    book_ = QFileInfo(page).path();
    browser_->setSource(QUrl(QStringLiteral("qrc") + page));
}

QUrl HelpWindow::CurrentPage() const { return browser_->source(); }

QString HelpWindow::CurrentHeading() const
{
    // The first block that is a heading; pages are written with one h1 at the top.
    for (QTextBlock block = browser_->document()->begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0) return block.text();
    return QString();
}

void HelpWindow::UpdateTitle()
{
    const QString heading = CurrentHeading();
    setWindowTitle(heading.isEmpty() ? tr("Help") : tr("Help - %1").arg(heading));
}

}  // namespace Zor
