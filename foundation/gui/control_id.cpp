#include "foundation/gui/control_id.h"

#include <QLabel>
#include <QLayout>
#include <QVariant>
#include <QWidget>

namespace KVI {

void SetControlId(QWidget* control, int id)
{
    if (control) control->setProperty(kControlIdProperty, id);
}

int ControlId(const QWidget* control)
{
    if (!control) return -1;
    bool ok = false;
    const int id = control->property(kControlIdProperty).toInt(&ok);
    return ok ? id : -1;
}

QWidget* FindControl(const QWidget* dialog, int id)
{
    if (!dialog) return nullptr;
    for (QObject* child : dialog->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w) continue;
        // Top-level children (pop-ups, other dialogs) are not controls of this dialog.
        if (w->isWindow()) continue;
        if (ControlId(w) == id) return w;
        if (QWidget* found = FindControl(w, id)) return found;
    }
    return nullptr;
}

namespace {

// The layout (anywhere below root's layout) that manages w; null when none does.
QLayout* LayoutHolding(QLayout* root, QWidget* w)
{
    if (!root) return nullptr;
    for (int i = 0; i < root->count(); ++i) {
        QLayoutItem* item = root->itemAt(i);
        if (item->widget() == w) return root;
        if (QLayout* found = LayoutHolding(item->layout(), w)) return found;
    }
    return nullptr;
}

}  // namespace

void BindControl(QWidget* dialog, int id, QWidget* control)
{
    if (!control) return;
    QWidget* placeholder = FindControl(dialog, id);
    if (placeholder == control) placeholder = nullptr;
    if (!placeholder) {
        if (dialog && control->parentWidget() != dialog) control->setParent(dialog);
        SetControlId(control, id);
        return;
    }

    QWidget* parent = placeholder->parentWidget();
    if (control->parentWidget() != parent) control->setParent(parent);
    if (QLayout* layout = LayoutHolding(parent ? parent->layout() : nullptr, placeholder))
        delete layout->replaceWidget(placeholder, control, Qt::FindDirectChildrenOnly);
    else
        control->setGeometry(placeholder->geometry());
    control->stackUnder(placeholder);
    control->setObjectName(placeholder->objectName());
    control->setEnabled(placeholder->isEnabled());
    if (!placeholder->toolTip().isEmpty()) control->setToolTip(placeholder->toolTip());
    // Keep the template's tab order: control follows the placeholder, which then leaves the chain.
    QWidget::setTabOrder(placeholder, control);
    if (dialog) {
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (label->buddy() == placeholder) label->setBuddy(control);
    }
    // A control that the template hides stays hidden; one in a dialog already on screen is
    // shown in its place (a reparented widget is hidden until shown).
    const bool explicitlyHidden =
        placeholder->testAttribute(Qt::WA_WState_ExplicitShowHide) && placeholder->isHidden();
    if (explicitlyHidden)
        control->hide();
    else if (parent && parent->isVisible())
        control->show();
    SetControlId(control, id);
    delete placeholder;
}

}  // namespace KVI
