#include "controls/CSortListCtrl.h"

#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace {

TEST(ListSort, NumbersByValueTextsByTheirGb18030Bytes) {
    const std::vector<std::string_view> cells = {"12", "9", "abc", "-3", " 7x", "+9"};
    // Texts without digits count as 0; equal values keep their order either way.
    EXPECT_EQ(SortOrder(cells, SortKind::Numeric, true), (std::vector<int>{3, 2, 4, 1, 5, 0}));
    EXPECT_EQ(SortOrder(cells, SortKind::Numeric, false), (std::vector<int>{0, 1, 5, 4, 2, 3}));
    EXPECT_EQ(SortOrder(cells, SortKind::Text, true), (std::vector<int>{4, 5, 3, 0, 1, 2}));
    // Pinyin order: a, li, wang, zhang; a prefix comes first.
    const std::vector<std::string_view> names = {"张三", "李四", "王五", "阿明", "李"};
    EXPECT_EQ(SortOrder(names, SortKind::Text, true), (std::vector<int>{3, 4, 1, 2, 0}));
    EXPECT_EQ(SortOrder(names, SortKind::Text, false), (std::vector<int>{0, 2, 1, 4, 3}));
    // A cell without a number means none: below every number, either way.
    const std::vector<std::string_view> days = {"10", "", "9", "100", "0", " ", "-1"};
    EXPECT_EQ(SortOrder(days, SortKind::NumberOrNone, true),
              (std::vector<int>{6, 4, 2, 0, 3, 1, 5}));
    EXPECT_EQ(SortOrder(days, SortKind::NumberOrNone, false),
              (std::vector<int>{3, 0, 2, 4, 6, 1, 5}));
}

class SortList : public ::testing::Test {
protected:
    SortList() {
        list.InsertColumn("姓名", 80, SortKind::Text);
        list.InsertColumn("年龄", 60, SortKind::Numeric);
        list.InsertColumn("键", 0, SortKind::Text);
        list.SetColorKeyColumn(2);
        list.SetRows({{"张三", "12", "0"}, {"李四", "9", "1"}, {"阿明", "100", "2"}});
        list.SetRowBkColors({QColor(Qt::red), QColor(Qt::green)});
        list.resize(300, 200);
        list.show();
    }
    void ClickHeader(int column) {
        QHeaderView* header = list.horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    }
    // Names in display order, each with the first letter of its colour.
    std::string Shown() const {
        std::string shown;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            const QColor c = list.RowBkColor(row);
            shown += list.GetItemText(row, 0) +
                     (c == Qt::red     ? "r"
                      : c == Qt::green ? "g"
                                       : "") +
                     (c == Qt::blue ? "b " : " ");
        }
        return shown;
    }

    CSortListCtrl list;
};

TEST_F(SortList, HeaderClicksSortAndColoursAndSelectionStayWithTheirRows) {
    EXPECT_TRUE(list.isColumnHidden(2));
    list.SetSelectionMark(0); // 张三
    const std::pair<int, const char*> clicks[] = {
        {1, "李四g 张三r 阿明 "},
        {1, "阿明 张三r 李四g "},
        {0, "阿明 李四g 张三r "},
        {1, "李四g 张三r 阿明 "},
    };
    for (const auto& [column, expected] : clicks) {
        ClickHeader(column);
        EXPECT_EQ(Shown(), expected);
        EXPECT_EQ(list.GetItemText(list.GetSelectionMark(), 0), "张三");
    }
    list.SetRowBkColor(2, Qt::blue);
    EXPECT_EQ(Shown(), "李四g 张三r 阿明b ");
}

// Measured in the font it is drawn in (not in bold as Qt would), the header
// is as tall as Qt's own, with a sort indicator or without; its widths are
// the list's own.
TEST_F(SortList, HeaderIsAsTallAsQtsOwn) {
    QHeaderView stock(Qt::Horizontal);
    stock.setModel(list.model());
    EXPECT_EQ(list.horizontalHeader()->sizeHint().height(), stock.sizeHint().height());
    ClickHeader(0);
    stock.setSortIndicatorShown(true);
    EXPECT_EQ(list.horizontalHeader()->sizeHint().height(), stock.sizeHint().height());
}

TEST_F(SortList, AClickBelowTheRowsLetsGoOfTheSelection) {
    std::vector<int> marks;
    QObject::connect(&list, &CSortListCtrl::SelectionMarkChanged,
                     [&marks](int row) { marks.push_back(row); });
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(1, 0)).center());
    EXPECT_EQ(list.GetSelectionMark(), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      QPoint(10, list.viewport()->height() - 5));
    EXPECT_EQ(list.GetSelectionMark(), -1);
    EXPECT_EQ(marks, (std::vector<int>{1, -1}));
}

// Rows from a maker are made only as they are needed, and then behave as
// given rows do: sorting, colours by key, the selection.
TEST(SortListRowsMadeOnDemand, OnlyShownRowsAreMadeAndTheRestFollowWhenNeeded) {
    CSortListCtrl list;
    list.InsertColumns({{"姓名", 80, SortKind::Text}, {"号", 60, SortKind::Numeric}});
    std::vector<int> made;
    const int count = 2000;
    std::vector<int> keys(count);
    for (int i = 0; i < count; ++i)
        keys[i] = i;
    list.SetRows(std::move(keys), [&made](int i) {
        made.push_back(i);
        return CSortListCtrl::Row{"人" + std::to_string(i), std::to_string(i % 7)};
    });
    std::vector<QColor> colours(count);
    colours[1999] = Qt::red;
    list.SetRowBkColors(std::move(colours));
    list.resize(300, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QCoreApplication::processEvents();
    EXPECT_FALSE(made.empty());
    EXPECT_LT(made.size(), 100u);
    EXPECT_EQ(list.GetItemText(1500, 0), "人1500");

    list.SetSelectionMark(1999);
    list.SortByColumn(1); // ascending: the sevens' remainders, equal ones in their order
    EXPECT_EQ(made.size(), static_cast<std::size_t>(count)); // each row made once, kept
    EXPECT_EQ(std::set<int>(made.begin(), made.end()).size(), made.size());
    EXPECT_EQ(list.GetItemText(0, 0), "人0");
    EXPECT_EQ(list.GetItemText(1, 0), "人7");
    EXPECT_EQ(list.GetItemText(list.GetSelectionMark(), 0), "人1999");
    EXPECT_EQ(list.RowBkColor(list.GetSelectionMark()), QColor(Qt::red));
    EXPECT_EQ(list.GetItemText(count, 0), "");
}

} // namespace
