#include "app/QtTranslations.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
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

} // namespace
