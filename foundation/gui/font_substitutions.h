// The dialog fonts of the templates ("MS Shell Dlg", "MS Shell Dlg 2", "Tahoma") are requested by
// name everywhere; this maps them to DejaVu Sans, which every machine that builds the system has,
// so text metrics are the same on every machine.
#pragma once

namespace KVI {

// Installs the substitutions for the process. Call once a QGuiApplication exists (the module
// calls it at start-up, tests in their main); later calls do nothing.
void InstallFontSubstitutions();

// The family that the substitutions map the dialog fonts to.
inline constexpr const char kDialogFontSubstitute[] = "DejaVu Sans";

}  // namespace KVI
