#include "gui/ui/InfoView.h"

#include "Printing.h"

#include <QCoreApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(InfoView, ShowsTheBuildsVersion)
{
    const QString previous = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(u"2.5.1"_s);
    InfoView view;
    QCoreApplication::setApplicationVersion(previous);
    EXPECT_EQ(view.versionLbl()->text(), u"Version 2.5.1"_s);
}

} // namespace
} // namespace marrowfin
