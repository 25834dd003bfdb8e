#include "foundation/gui/font_substitutions.h"

#include <QFont>
#include <QString>

namespace KVI {

void InstallFontSubstitutions()
{
    // A function-local static: thread-safe, and the table is filled exactly once.
    static const bool installed = [] {
        for (const char* family : {"MS Shell Dlg", "MS Shell Dlg 2", "Tahoma"})
            QFont::insertSubstitution(QString::fromLatin1(family), QString::fromLatin1(kDialogFontSubstitute));
        return true;
    }();
    (void)installed;
}

}  // namespace KVI
