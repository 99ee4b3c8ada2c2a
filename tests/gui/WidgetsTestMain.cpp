#include "gui/platform/Fonts.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The pixel checks count one pixel per point, which the offscreen platform gives; it also needs no display,
    // which matters when ctest lists the cases without the tests' environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    marrowfin::installFontSubstitutes();
    return RUN_ALL_TESTS();
}
