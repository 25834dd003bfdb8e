// main of the widget tests: a QApplication (offscreen in CTest), the dialog font substitutions,
// then GoogleTest. An object library, so this main is linked ahead of gtest_main's.
#include <gtest/gtest.h>

#include <QApplication>

#include "foundation/gui/font_substitutions.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    KVI::InstallFontSubstitutions();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
