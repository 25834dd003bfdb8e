// Reading the text of any control into a KVI::String.
#pragma once

#include "foundation/kvi_string.h"

class QWidget;

namespace KVI {

// The control's text as a new string: an edit's text, a combo box's current text, a button's
// or label's caption, a text editor's plain text; for any other widget its window title. The
// text ends at its first null character, as a text read into a buffer does. Null gives the
// empty string.
String GetControlText(const QWidget* control);

}  // namespace KVI
