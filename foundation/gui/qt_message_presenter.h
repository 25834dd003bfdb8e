// The message-box presenter of the windowing layer: a QMessageBox with the caption, the icon and
// an OK button, modal to the active window. Without a QApplication (batch use, no display) the
// message goes to standard error.
#pragma once

namespace KVI {

// Installs the presenter for the process (idempotent).
void InstallQtMessagePresenter();

}  // namespace KVI
