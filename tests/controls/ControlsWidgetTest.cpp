#include "controls/CHyperLink.h"

#include "ScriptedPrompter.h"

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
    auto blueRow = [&link](int segment) { // the most link-coloured pixels in one row
        const QImage image = link.grab().toImage();
        const QRect area = link.SegmentRect(segment);
        int widest = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            int count = 0;
            for (int x = area.left(); x <= area.right(); ++x)
                count += image.valid(x, y) && image.pixel(x, y) == qRgb(0, 0, 255);
            widest = std::max(widest, count);
        }
        return widest;
    };
    auto click = [&link](int segment) {
        QTest::mouseClick(&link, Qt::LeftButton, {}, link.SegmentRect(segment).center());
    };
    ASSERT_EQ(link.SegmentCount(), 3);
    EXPECT_EQ(blueRow(0), 0);
    EXPECT_GE(blueRow(1), link.SegmentRect(1).width() - 2); // the underline
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

} // namespace
