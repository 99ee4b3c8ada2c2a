#include "gui/ui/InfoView.h"

#include "Printing.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(InfoView, ShowsTheBuildsVersionAndFollowsItsSize)
{
    const QString previous = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(u"2.5.1"_s);
    InfoView view;
    QCoreApplication::setApplicationVersion(previous);
    EXPECT_EQ(view.versionLbl()->text(), u"Version 2.5.1"_s);

    for (const QSize size : {QSize(375, 667), QSize(768, 1024)}) {
        SCOPED_TRACE(size.width());
        view.resize(size);
        view.show();
        const QRect done = view.doneBtn()->geometry();
        EXPECT_TRUE(view.rect().contains(done));
        EXPECT_GT(done.x(), size.width() / 2) << "Done stays at the top right";
        EXPECT_LT(done.y(), 50);
        const QRect version = view.versionLbl()->geometry();
        EXPECT_TRUE(view.rect().contains(version));
        EXPECT_GT(version.y(), size.height() - 60) << "the version stays at the bottom";
        for (const QLabel* label : view.findChildren<QLabel*>())
            EXPECT_TRUE(view.rect().contains(label->geometry())) << label->text().toStdString();
    }
}

} // namespace
} // namespace marrowfin
