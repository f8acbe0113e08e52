#include "controls/CHyperLink.h"
#include "controls/CImageButton.h"
#include "controls/TextContrast.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

std::string AccessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name).toStdString() : "(none)";
}

void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// A link label between two fields, as in a form.
class KeyboardAccess : public ::testing::Test {
protected:
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    CHyperLink* link = new CHyperLink(&window);
    QLineEdit* after = new QLineEdit(&window);
    std::vector<QString> opened;

    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(link);
        layout->addWidget(after);
        link->SetOpener([this](const QUrl& url) {
            opened.push_back(url.toString());
            return true;
        });
        link->setText(QString::fromUtf8(
            "访问 [url=http://a.example/]主页[/url] 或 [url]http://b.example/[/url]"));
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        before->setFocus(Qt::OtherFocusReason);
    }
};

TEST_F(KeyboardAccess, TabVisitsEachLinkAndEnterOrSpaceOpensIt) {
    EXPECT_EQ(AccessibleName(link), "访问 主页 或 http://b.example/");
    PressKey(Qt::Key_Tab);
    ASSERT_TRUE(link->hasFocus());
    EXPECT_EQ(link->FocusedLink(), 1);
    PressKey(Qt::Key_Return);
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(link->FocusedLink(), 3);
    PressKey(Qt::Key_Space);
    EXPECT_EQ(opened, (std::vector<QString>{"http://a.example/", "http://b.example/"}));
    EXPECT_TRUE(link->IsVisited(1) && link->IsVisited(3));
    PressKey(Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
    // Back again: the last link first.
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(link->hasFocus());
    EXPECT_EQ(link->FocusedLink(), 3);
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(link->FocusedLink(), 1);
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(before->hasFocus());
    EXPECT_EQ(opened.size(), 2u) << "Tab never opens a link";
    // Without a link the label is no stop on the way.
    link->setText(QString::fromUtf8("只是[b]文字[/b]"));
    EXPECT_EQ(AccessibleName(link), "只是[b]文字[/b]");
    PressKey(Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
}

TEST_F(KeyboardAccess, FocusIsDrawnOnLinksAndImageButtons) {
    auto* button = new CImageButton(QString::fromUtf8("确定(&O)"), &window);
    window.layout()->addWidget(button);
    button->show();
    EXPECT_EQ(AccessibleName(button), "确定(O)");
    const QImage unfocusedLink = link->grab().toImage();
    const QImage unfocusedButton = button->grab().toImage();
    PressKey(Qt::Key_Tab);
    ASSERT_TRUE(link->hasFocus());
    EXPECT_NE(link->grab().toImage(), unfocusedLink);
    for (int i = 0; i < 3; ++i)
        PressKey(Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus());
    EXPECT_NE(button->grab().toImage(), unfocusedButton);
}

TEST_F(KeyboardAccess, LinksStayReadableUnderADarkTheme) {
    const auto contrastOf = [this](int segment) {
        const QColor text = link->SegmentColor(segment);
        const QColor back = link->palette().color(link->backgroundRole());
        return ContrastRatio({text.red(), text.green(), text.blue()},
                             {back.red(), back.green(), back.blue()});
    };
    EXPECT_EQ(link->SegmentColor(1), QColor(0, 0, 255)) << "the light theme keeps the colours";
    QPalette dark = link->palette();
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    link->setPalette(dark);
    PressKey(Qt::Key_Tab);
    PressKey(Qt::Key_Return); // visited: purple
    for (int segment = 0; segment < link->SegmentCount(); ++segment)
        EXPECT_GE(contrastOf(segment), kReadableContrast) << segment;
}

TEST(TextContrast, TextIsKeptWhenReadableElseMovedJustFarEnough) {
    const TextRgb white{255, 255, 255}, black{0, 0, 0}, dark{0x2b, 0x2b, 0x2b},
        light{0xef, 0xef, 0xef}, blue{0, 0, 255};
    EXPECT_NEAR(ContrastRatio(white, black), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(blue, white), 8.59, 0.01);
    // Text, background, kept as it is.
    const std::tuple<TextRgb, TextRgb, bool> cases[] = {{blue, light, true},
                                                        {black, white, true},
                                                        {{230, 230, 230}, white, false},
                                                        {black, dark, false},
                                                        {blue, dark, false},
                                                        {{125, 125, 0}, light, false},
                                                        {white, {128, 128, 128}, false}};
    for (const auto& [text, background, kept] : cases) {
        const TextRgb readable = ReadableTextColor(text, background);
        SCOPED_TRACE(testing::Message() << text.red << "," << text.green << "," << text.blue
                                        << " on " << background.red);
        EXPECT_GE(ContrastRatio(readable, background), kReadableContrast);
        EXPECT_EQ(readable == text, kept);
    }
    const TextRgb link = ReadableTextColor(blue, dark);
    EXPECT_TRUE(link.blue == 255 && link.red < 200) << "still a link colour, not white";
}

} // namespace
