#include "controls/CColorToolBar.h"
#include "controls/CHyperLink.h"
#include "controls/CImageButton.h"
#include "controls/ResourceImages.h"

#include "ScriptedPrompter.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QColor kBlack(0, 0, 0), kBlue(0, 0, 255), kPurple(128, 0, 128), kOlive(125, 125, 0);

class HyperLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        link.SetOpener([this](const QUrl& url) {
            opened.push_back(url.toString());
            return openerWorks;
        });
        link.SetPrompter(&prompter);
        link.setText(QString::fromUtf8("欢迎 [url=http://example.com/bbs]到论坛来[/url] 看看"));
        link.resize(400, 24);
        link.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&link));
    }
    // Pixels of the colour in the segment's rectangle.
    int Count(int segment, QColor color) {
        const QImage image = link.grab().toImage();
        const QRect area = link.SegmentRect(segment);
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += image.valid(x, y) && image.pixelColor(x, y).rgb() == color.rgb();
        return count;
    }
    void Click(QPoint at) { QTest::mouseClick(&link, Qt::LeftButton, {}, at); }

    CHyperLink link;
    ScriptedPrompter prompter;
    std::vector<QString> opened;
    bool openerWorks = true;
};

TEST_F(HyperLinkTest, OnlyTheLinkIsBlueReactsToTheMouseAndStaysVisitedUntilNewText) {
    ASSERT_EQ(link.SegmentCount(), 3);
    EXPECT_EQ(link.PlainText(), QString::fromUtf8("欢迎 到论坛来 看看"));
    EXPECT_GT(Count(0, kBlack), 0);
    EXPECT_EQ(Count(0, kBlue), 0);
    EXPECT_GE(Count(1, kBlue), link.SegmentRect(1).width() - 2); // at least the underline
    Click(link.SegmentRect(2).center());
    EXPECT_TRUE(opened.empty());

    QTest::mouseMove(&link, link.SegmentRect(1).center());
    EXPECT_TRUE(link.IsUnderMouse(1));
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_GT(Count(1, kOlive), 0);
    Click(link.SegmentRect(1).center());
    ASSERT_EQ(opened, std::vector<QString>{"http://example.com/bbs"});
    EXPECT_TRUE(link.IsVisited(1) && prompter.asked.empty());
    EXPECT_GT(Count(1, kPurple), 0); // wins over the mouse that is still there
    QTest::mouseMove(&link, link.SegmentRect(0).center());
    EXPECT_NE(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Count(1, kOlive), 0);

    link.setText(link.text()); // even the same text starts afresh
    EXPECT_FALSE(link.IsVisited(1));
    EXPECT_EQ(Count(1, kPurple), 0);
    openerWorks = false;
    Click(link.SegmentRect(1).center());
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text + prompter.asked[0].caption,
              "提供的超级链接或者制定的文件无法执行 Qilora生日提醒 2011贺岁版");
    EXPECT_TRUE(link.IsVisited(1));
}

TEST_F(HyperLinkTest, EmptyLinksAndTextSetThroughTheLabel) {
    link.setText("[url=A][/url]");
    EXPECT_TRUE(link.SegmentRect(0).isEmpty());
    Click(QPoint(0, 5));
    EXPECT_TRUE(opened.empty());

    link.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    static_cast<QLabel&>(link).setText("[url]http://example.com/[/url]"); // bypassing ours
    Click(QPoint(link.width() - 3, link.height() / 2));
    EXPECT_EQ(opened, std::vector<QString>{"http://example.com/"});
}

TEST(ImageButton, DrawsFrameAndPictureAndShiftsThemWhenPressed) {
    QWidget window;
    CImageButton button(QString::fromUtf8("确定"), &window), plain(button.text(), &window);
    button.SetImage(kBitmapConfirm, 18, 18, 3);
    plain.SetImage(0, 18, 18, 3);
    button.setGeometry(0, 0, 90, 26);
    plain.setGeometry(0, 30, 90, 26);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QImage up = button.grab().toImage();
    EXPECT_EQ(up.pixelColor(0, 0), QColor(255, 255, 255));
    const int captionWidth = button.fontMetrics().horizontalAdvance(button.text());
    const int left = (90 - 3 - 18 - captionWidth) / 2;
    EXPECT_EQ(up.pixelColor(left + 9, 4 + 3), QColor(0x4c, 0xaf, 0x6a)); // the green disc

    // Without a picture the caption stays where it was.
    const QRect caption(left + 21, 2, captionWidth, 22);
    EXPECT_EQ(plain.grab().toImage().copy(caption), up.copy(caption));

    button.setDown(true);
    const QImage down = button.grab().toImage();
    EXPECT_EQ(down.pixelColor(0, 0), QColor(0, 0, 0));
    const QRect group(left, 3, 21 + captionWidth, 20);
    EXPECT_EQ(down.copy(group.translated(1, 1)), up.copy(group));
    EXPECT_NE(down.copy(group), up.copy(group));
}

TEST(ColorToolBar, CutsOneStripIntoTheButtonsPictures) {
    CColorToolBar bar;
    std::vector<QAction*> buttons;
    for (int i = 0; i < 4; ++i) {
        buttons.push_back(bar.addAction(QString::number(i)));
        if (i == 2)
            bar.addSeparator();
    }
    ASSERT_TRUE(bar.SetTrueColorImages(24, kBitmapToolbar, kBitmapToolbar, kBitmapToolbar));
    buttons.push_back(bar.addAction("added later"));
    EXPECT_EQ(bar.ImageCount(), 5);
    EXPECT_EQ(bar.iconSize(), QSize(24, 24));
    const auto pictures = CutImageStrip(RenderBitmap(kBitmapToolbar, {120, 24}), 24);
    ASSERT_EQ(pictures.size(), 5u);
    EXPECT_NE(pictures[0].toImage(), pictures[1].toImage());
    for (int i = 0; i < 5; ++i)
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled})
            EXPECT_EQ(buttons[i]->icon().pixmap(24, mode).toImage(), pictures[i].toImage())
                << "button " << i << " mode " << mode;
    EXPECT_FALSE(bar.SetTrueColorImages(24, 999, kBitmapToolbar, 0));
    EXPECT_FALSE(bar.SetTrueColorImages(0, kBitmapToolbar, kBitmapToolbar, 0));

    // On a white strip white goes transparent; a leftover narrower than a picture is dropped.
    QImage strip(50, 10, QImage::Format_RGB32);
    strip.fill(Qt::white);
    strip.setPixel(3, 3, qRgb(250, 250, 250));
    const auto cut = CutImageStrip(strip, 24);
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(qAlpha(cut[0].toImage().pixel(0, 0)), 0);
    EXPECT_EQ(cut[0].toImage().pixelColor(3, 3), QColor(250, 250, 250));

    // Every other picture is built in too.
    for (int id : {kBitmapExit, kBitmapUpdate})
        EXPECT_FALSE(RenderBitmap(id, BitmapSize(id)).isNull()) << id;
    EXPECT_TRUE(RenderBitmap(999, {18, 18}).isNull());
    for (int id : {kIconProgram, kIconLocked})
        EXPECT_FALSE(ResourceIcon(id).pixmap(32).isNull()) << id;
}

} // namespace
