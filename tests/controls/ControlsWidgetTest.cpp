#include "controls/CColorToolBar.h"
#include "controls/CHyperLink.h"
#include "controls/ResourceImages.h"

#include "ScriptedPrompter.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(HyperLink, OnlyTheLinkIsBlueAndOpensAndStaysVisitedUntilNewText) {
    CHyperLink link;
    ScriptedPrompter prompter;
    std::vector<QString> opened;
    bool openerWorks = true;
    link.SetOpener([&](const QUrl& url) {
        opened.push_back(url.toString());
        return openerWorks;
    });
    link.SetPrompter(&prompter);
    link.setText(QString::fromUtf8("欢迎 [url=http://example.com/bbs]到论坛来[/url] 看看"));
    link.resize(400, 24);
    link.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&link));
    auto blue = [&link](int segment) { // pixels of the link colour in the segment
        const QImage image = link.grab().toImage();
        const QRect area = link.SegmentRect(segment);
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += image.valid(x, y) && image.pixel(x, y) == qRgb(0, 0, 255);
        return count;
    };
    auto click = [&link](int segment) {
        QTest::mouseClick(&link, Qt::LeftButton, {}, link.SegmentRect(segment).center());
    };
    ASSERT_EQ(link.SegmentCount(), 3);
    EXPECT_EQ(blue(0), 0);
    EXPECT_GE(blue(1), link.SegmentRect(1).width() - 2); // at least the underline
    click(2);
    EXPECT_TRUE(opened.empty());
    click(1);
    EXPECT_EQ(opened, std::vector<QString>{"http://example.com/bbs"});
    EXPECT_TRUE(link.IsVisited(1) && prompter.asked.empty());

    link.setText(link.text()); // even the same text starts afresh
    EXPECT_FALSE(link.IsVisited(1));
    openerWorks = false;
    click(1);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text + prompter.asked[0].caption,
              "提供的超级链接或者制定的文件无法执行 Qilora生日提醒 2011贺岁版");

    static_cast<QLabel&>(link).setText("[url]http://example.com/[/url]"); // bypassing ours
    click(0);
    EXPECT_EQ(opened.back(), "http://example.com/");
}

TEST(ColorToolBar, CutsOneStripIntoTheButtonsPictures) {
    CColorToolBar bar;
    std::vector<QAction*> buttons;
    for (int i = 0; i < 4; ++i) {
        buttons.push_back(bar.addAction(QString::number(i)));
        if (i == 2)
            bar.addSeparator(); // separators take no picture
    }
    ASSERT_TRUE(bar.SetTrueColorImages(24, kBitmapToolbar, kBitmapToolbar, kBitmapToolbar));
    buttons.push_back(bar.addAction("added later"));
    const auto pictures = CutImageStrip(RenderBitmap(kBitmapToolbar, {120, 24}), 24);
    ASSERT_EQ(pictures.size(), 5u);
    EXPECT_NE(pictures[0].toImage(), pictures[1].toImage());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(buttons[i]->icon().pixmap(24).toImage(), pictures[i].toImage()) << i;
    EXPECT_FALSE(bar.SetTrueColorImages(24, 999, kBitmapToolbar, 0));
}

} // namespace
