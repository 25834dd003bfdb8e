// Controls of a dialog template are known by their numeric ids: every control carries its id as
// the dynamic property "controlId", and code finds controls by that id. A wrapper class (an edit
// that validates, the units control, the error mark) binds to a template control by taking its
// place.
#pragma once

class QWidget;

namespace KVI {

inline constexpr char kControlIdProperty[] = "controlId";

// Gives a control its id.
void SetControlId(QWidget* control, int id);
// The control's id; -1 when it has none.
int ControlId(const QWidget* control);

// The first descendant of dialog (depth first, in child order) whose id is id; null when none.
QWidget* FindControl(const QWidget* dialog, int id);
template <class T>
T* FindControl(const QWidget* dialog, int id)
{
    return dynamic_cast<T*>(FindControl(dialog, id));
}

// Binds control to the dialog's control with the id: when dialog has such a control (other than
// control itself), control takes its place (its layout slot or geometry, parent, object name,
// visibility, enabled state, tool tip, tab order and the labels whose buddy it was) and that
// control is deleted. Without one, control just becomes a child of dialog (null dialog: it keeps
// its parent). In every case control gets the id.
void BindControl(QWidget* dialog, int id, QWidget* control);

}  // namespace KVI
