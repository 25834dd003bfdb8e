// KVIControls::MenuCombo: a drop-down list whose items look and behave like a menu: real items
// are indented, separators (empty items) draw a grey line and headings (separators with text) a
// bold underlined title. Separators cannot be chosen with the mouse or the arrow keys, and the
// owner sees the selection as a logical index that counts only real items.
//
// The combo box draws its items itself (the open list through an item delegate, the selection
// field in paintEvent), through the virtual DrawItem, which derived controls refine.
#pragma once

#include <cstdint>
#include <vector>

#include <QComboBox>
#include <QFont>
#include <QRect>
#include <QString>

class QFontMetrics;

namespace KVIControls {

class MenuCombo : public QComboBox {
public:
    static constexpr int kControlId = 101;

    // Binds to the dialog's control id (see control_id.h).
    explicit MenuCombo(QWidget* dialog, int id = kControlId);

    // Appends an empty item and records it as a separator; a non-empty text makes a heading.
    // Returns its list index.
    int AddSeparator(const QString& heading = QString());
    // Inserts a real item at a list index (-1 or past the end: appends); separators after it
    // move along. Returns the list index.
    int InsertItem(const QString& text, int index = -1);
    // Appends a real item. Returns the list index.
    int AddItem(const QString& text) { return InsertItem(text, -1); }
    // Deletes the item at a list index; separators after it move along. False when there is no
    // such item.
    bool DeleteItem(int index);
    // Removes every item and separator.
    void ClearItems();

    bool IsSeparator(int index) const;
    const std::vector<int>& Separators() const { return separators_; }

    // The logical index of the selection: the list index minus the separators before it
    // (real items count from 0); -1 when nothing (or a separator) is selected.
    int GetSelection() const;
    // Selects the n-th real item and returns its list index; when there is none, selects
    // nothing and returns -1.
    int SetSelection(int n);
    // The list index of the n-th real item; -1 when there is none.
    int ListIndexOf(int n) const;

    // The item font: "MS Shell Dlg 2" with a cell height of 10 points at the widget's vertical
    // resolution (12 points for Chinese and Japanese user interfaces); bold and underlined for
    // separators and headings.
    QFont ItemFont(bool separator) const;
    // The height of an item: text height + leading + 2 of its font.
    int ItemHeight(int index) const;
    // The text a real item shows in a cell of the given width: two spaces and the item text,
    // cut with an ellipsis when too wide.
    static QString ItemDisplayText(const QString& text, const QFontMetrics& fm, int width);

    // What DrawItem is asked to draw.
    struct ItemDraw {
        QRect rect;
        int index = -1;           // list index
        bool selected = false;
        bool focused = false;     // draw a focus rectangle when also selected
        bool selectionField = false;  // the closed combo box's field rather than the list
    };
    // Draws one item: a real item on the highlight colours when selected (else the window
    // colours) with its indented text; a heading in bold on the window colours; a separator as
    // a light grey line from left + 2 to right - 2 at the vertical middle.
    virtual void DrawItem(QPainter& painter, const ItemDraw& item) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The open list's filter: arrow keys skip separators, clicks on a separator are swallowed.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Fills the item's background and returns the text colour, as the selection state asks.
    QColor FillItemBackground(QPainter& painter, const ItemDraw& item) const;
    // Draws the focus rectangle of an item that is both selected and focused.
    void DrawFocus(QPainter& painter, const ItemDraw& item) const;

private:
    bool HandleListKey(int key);
    int SeparatorsBefore(int index) const;

    std::vector<int> separators_;  // sorted list indexes
};

}  // namespace KVIControls
