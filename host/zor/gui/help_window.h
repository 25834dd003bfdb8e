// Zor::HelpWindow: the window of the help service. Shows the HTML pages of a help book (a folder
// of the help resources, ":/help/<book>/") with back, forward and contents buttons; links between
// pages of the book are followed inside the window, other links open outside.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace Zor {

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The resource folder of a book ("TessarHelp" -> ":/help/TessarHelp/"), matched without
    // regard to case; empty when there is no such book.
    static QString BookFolder(const QString& helpKey);
    // The page of a topic in a book folder ("ts_setup" -> ".../ts_setup.html"), matched without
    // regard to case; empty when the book has no such page.
    static QString TopicPage(const QString& bookFolder, const QString& topic);

    // Shows a page (a resource path); the contents button then leads to its book's index.
    void ShowPage(const QString& page);

    // The page shown and its first heading (the title of the page).
    QUrl CurrentPage() const;
    QString CurrentHeading() const;
    QTextBrowser* Browser() const { return browser_; }

private:
    void UpdateTitle();

    QTextBrowser* browser_;
    QToolButton* back_;
    QToolButton* forward_;
    QToolButton* contents_;
    QString book_;
};

}  // namespace Zor
