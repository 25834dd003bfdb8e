#include "foundation/gui/menu_combo.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "foundation/gui/control_id.h"

namespace KVIControls {
namespace {

const QColor kSeparatorLine(192, 192, 192);

// Draws the open list's items through the combo box, so the list and the selection field
// look alike and derived controls refine both in one place.
class MenuComboDelegate : public QStyledItemDelegate {
public:
    explicit MenuComboDelegate(MenuCombo* combo) : QStyledItemDelegate(combo), combo_(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        MenuCombo::ItemDraw item;
        item.rect = option.rect;
        item.index = index.row();
        item.selected = option.state & QStyle::State_Selected;
        item.focused = option.state & QStyle::State_HasFocus;
        painter->save();
        combo_->DrawItem(*painter, item);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        const QFontMetrics fm(combo_->ItemFont(combo_->IsSeparator(index.row())));
        const QString text = index.data(Qt::DisplayRole).toString();
        return QSize(fm.horizontalAdvance(QStringLiteral("  ") + text) + 4, combo_->ItemHeight(index.row()));
    }

private:
    MenuCombo* combo_;
};

}  // namespace

MenuCombo::MenuCombo(QWidget* dialog, int id) : QComboBox(dialog)
{
    KVI::BindControl(dialog, id, this);
    setEditable(false);
    setItemDelegate(new MenuComboDelegate(this));
    // Installed after the list's own container filter, so this one sees events first.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

int MenuCombo::SeparatorsBefore(int index) const
{
    return int(std::lower_bound(separators_.begin(), separators_.end(), index) - separators_.begin());
}

bool MenuCombo::IsSeparator(int index) const
{
    return std::binary_search(separators_.begin(), separators_.end(), index);
}

int MenuCombo::InsertItem(const QString& text, int index)
{
    if (index < 0 || index > count()) index = count();
    const int selected = currentIndex();
    insertItem(index, text);
    for (int& s : separators_)
        if (s >= index) ++s;
    // A combo box without a selection keeps none: the owner selects what it means to show.
    if (selected < 0) setCurrentIndex(-1);
    return index;
}

int MenuCombo::AddSeparator(const QString& heading)
{
    const int index = InsertItem(heading, -1);
    separators_.push_back(index);
    // Disabled items are skipped by the closed combo box's own keys and wheel as well.
    if (auto* items = qobject_cast<QStandardItemModel*>(model())) {
        if (QStandardItem* item = items->item(index))
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
    }
    setItemData(index, QStringLiteral("separator"), Qt::AccessibleDescriptionRole);
    return index;
}

bool MenuCombo::DeleteItem(int index)
{
    if (index < 0 || index >= count()) return false;
    const bool wasSelected = currentIndex() == index;
    removeItem(index);
    separators_.erase(std::remove(separators_.begin(), separators_.end(), index), separators_.end());
    for (int& s : separators_)
        if (s > index) --s;
    if (wasSelected) setCurrentIndex(-1);
    return true;
}

void MenuCombo::ClearItems()
{
    clear();
    separators_.clear();
}

int MenuCombo::GetSelection() const
{
    const int index = currentIndex();
    if (index < 0 || IsSeparator(index)) return -1;
    return index - SeparatorsBefore(index);
}

int MenuCombo::ListIndexOf(int n) const
{
    if (n < 0) return -1;
    for (int index = 0; index < count(); ++index) {
        if (IsSeparator(index)) continue;
        if (n-- == 0) return index;
    }
    return -1;
}

int MenuCombo::SetSelection(int n)
{
    const int index = ListIndexOf(n);
    setCurrentIndex(index);
    return index;
}

QFont MenuCombo::ItemFont(bool separator) const
{
    const QLocale::Language language = QLocale().language();
    const int points = (language == QLocale::Chinese || language == QLocale::Japanese) ? 12 : 10;
    // A cell height (ascent + descent) of that many points on this widget's device; Qt sizes
    // fonts by their em, so the em is scaled down until the cell fits.
    const int cell = (points * logicalDpiY() + 36) / 72;
    QFont f(QStringLiteral("MS Shell Dlg 2"));
    f.setPixelSize(cell);
    const int measured = QFontMetrics(f).height();
    if (measured > cell) f.setPixelSize(std::max(1, (cell * cell + measured / 2) / measured));
    f.setBold(separator);
    f.setUnderline(separator);
    return f;
}

int MenuCombo::ItemHeight(int index) const
{
    const QFontMetrics fm(ItemFont(IsSeparator(index)));
    return fm.height() + std::max(0, fm.leading()) + 2;
}

QString MenuCombo::ItemDisplayText(const QString& text, const QFontMetrics& fm, int width)
{
    return fm.elidedText(QStringLiteral("  ") + text, Qt::ElideRight, width);
}

QColor MenuCombo::FillItemBackground(QPainter& painter, const ItemDraw& item) const
{
    const QPalette& pal = palette();
    const bool highlight = item.selected && !IsSeparator(item.index);
    painter.fillRect(item.rect, pal.color(highlight ? QPalette::Highlight : QPalette::Base));
    return pal.color(highlight ? QPalette::HighlightedText : QPalette::Text);
}

void MenuCombo::DrawFocus(QPainter& painter, const ItemDraw& item) const
{
    if (!item.selected || !item.focused) return;
    QStyleOptionFocusRect focus;
    focus.rect = item.rect;
    focus.palette = palette();
    focus.backgroundColor = palette().color(QPalette::Highlight);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

void MenuCombo::DrawItem(QPainter& painter, const ItemDraw& item) const
{
    const QColor textColour = FillItemBackground(painter, item);
    const QString text = itemText(item.index);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

    if (!IsSeparator(item.index)) {
        const QFont font = ItemFont(false);
        painter.setFont(font);
        painter.setPen(textColour);
        painter.drawText(item.rect, flags, ItemDisplayText(text, QFontMetrics(font), item.rect.width()));
        DrawFocus(painter, item);
    } else if (!text.isEmpty()) {
        const QFont font = ItemFont(true);
        painter.setFont(font);
        painter.setPen(textColour);
        painter.drawText(item.rect, flags, QFontMetrics(font).elidedText(text, Qt::ElideRight, item.rect.width()));
    } else {
        const int y = item.rect.top() + item.rect.height() / 2;
        painter.setPen(QPen(kSeparatorLine, 1));
        painter.drawLine(item.rect.left() + 2, y, item.rect.right() - 2, y);
    }
}

void MenuCombo::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0) return;

    ItemDraw item;
    item.rect = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    item.index = currentIndex();
    item.selected = hasFocus();
    item.focused = hasFocus();
    item.selectionField = true;
    painter.save();
    DrawItem(painter, item);
    painter.restore();
}

bool MenuCombo::HandleListKey(int key)
{
    const int step = (key == Qt::Key_Down || key == Qt::Key_Right) ? 1 : -1;
    QAbstractItemView* list = view();
    int target = list->currentIndex().isValid() ? list->currentIndex().row() + step : (step > 0 ? 0 : count() - 1);
    while (target >= 0 && target < count() && IsSeparator(target)) target += step;
    // With no real item in that direction the key is swallowed and the selection stays.
    if (target < 0 || target >= count()) return true;
    const QModelIndex index = model()->index(target, modelColumn(), rootModelIndex());
    list->setCurrentIndex(index);
    list->scrollTo(index);
    return true;
}

bool MenuCombo::eventFilter(QObject* watched, QEvent* event)
{
    QAbstractItemView* list = view();
    if (watched == list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Left ||
                           key->key() == Qt::Key_Right;
        // Alt+Down closes the list; leave it to the combo box.
        if (arrow && !(key->modifiers() & Qt::AltModifier)) return HandleListKey(key->key());
    }
    if (watched == list->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QModelIndex under = list->indexAt(mouse->position().toPoint());
            // A separator can never be chosen: the click does nothing and the list stays open.
            if (under.isValid() && IsSeparator(under.row())) return true;
            break;
        }
        default: break;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

}  // namespace KVIControls
