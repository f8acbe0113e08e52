// Qt's own texts in Chinese, a dialog driven by keyboard alone, and message boxes
// that show typed text as it is.

#include "app/CAboutDlg.h"
#include "app/QtTranslations.h"
#include "controls/CHyperLink.h"
#include "controls/CImageButton.h"
#include "platform/QtPrompter.h"

#include "ModalAnswer.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(QtTranslations, StandardButtonsAndContextMenusSpeakChinese) {
    ASSERT_TRUE(InstallQtChineseTranslations())
        << "Qt's zh_CN translations are missing (bash tools/deps.sh installs them)";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Cancel | QMessageBox::Save);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "取消");
    EXPECT_NE(box.button(QMessageBox::Save)->text().toStdString().find("保存"), std::string::npos);

    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    EXPECT_TRUE(texts.filter(QStringLiteral("剪切")).size() == 1 &&
                texts.filter(QStringLiteral("粘贴")).size() == 1)
        << texts.join(' ').toStdString();
    EXPECT_EQ(QLocale().language(), QLocale::Chinese);
}

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

// A message holding a name shows the name as it was typed, even one that
// looks like markup.
TEST(QtPrompter, MessagesShowTypedTextAsItIs) {
    const QString text = QString::fromUtf8("没有找到姓名中含有“<b>张</b><i>三</i>”的联络人。");
    int shownWidth = -1;
    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        if (const auto* label = box.findChild<QLabel*>("qt_msgbox_label"))
            shownWidth = label->sizeHint().width();
    });
    QtPrompter prompter;
    prompter.Tell(text.toStdString());
    QLabel plain;
    EXPECT_GE(shownWidth, plain.fontMetrics().horizontalAdvance(text)) << "the tags are shown too";
}

} // namespace
