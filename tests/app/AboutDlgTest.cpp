#include "app/CAboutDlg.h"
#include "controls/CHyperLink.h"
#include "controls/CImageButton.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(AboutDlg, EnterConfirmsAndTabThenEnterOpensTheLink) {
    CAboutDlg about;
    int opened = 0;
    about.Link()->SetOpener([&opened](const QUrl&) { return ++opened, true; });
    about.show();
    about.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    EXPECT_EQ(QApplication::focusWidget(), about.OkButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), about.Link());
    QTest::keyClick(about.Link(), Qt::Key_Return);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(about.isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
