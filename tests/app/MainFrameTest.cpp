#include "app/CMainFrame.h"

#include <QApplication>
#include <gtest/gtest.h>

TEST(MainFrame, OpensWithTheProgramTitle) {
    int argc = 1;
    char name[] = "annivo_app_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    CMainFrame frame;
    frame.show();
    EXPECT_EQ(frame.windowTitle(), QString::fromUtf8("Qilora生日提醒 2011贺岁版"));
    EXPECT_TRUE(frame.isVisible());
}
