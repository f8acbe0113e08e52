#include "views/CAvCalendar.h"

#include "FixedClock.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "TestFiles.h"
#include "controls/CHyperLink.h"
#include "controls/CImageButton.h"
#include "controls/TextContrast.h"
#include "views/CBalloonTip.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

const QColor kWhite(255, 255, 255), kRed(255, 0, 0), kBlue(0, 0, 255);

class CalendarViewTest : public ::testing::Test {
protected:
    CalendarViewTest() {
        db.Run("DELETE FROM Festival");
        db.Run("INSERT INTO Festival ([Class],GorN,[Month],[Day],FestivalName) VALUES "
               "(0,1,10,12,'休假日'),(2,1,3,2,'四个字的')");
        Profile("[Festival]\r\n24Fest=1\r\n");
        ReminderRecord person;
        person.name = "张三";
        person.calendar = "阳历";
        person.birth = DateTime(1980, 1, 23);
        person.birthdayThisYear = DateTime(2011, 1, 23);
        reminders.push_back(person);
        view = std::make_unique<CAvCalendar>(reminders, clock, prompter, db.Path());
        view->resize(700, 600);
        view->show();
        QApplication::processEvents();
    }
    void Profile(const std::string& text) { WriteBytes(db.Dir().Path() / "annivo.ini", text); }
    void Browse(int year, int month) {
        view->YearCombo()->setCurrentText(QString::number(year));
        view->MonthCombo()->setCurrentIndex(month - 1);
    }
    int Cell(int day) const {
        return DateTime(view->ShownYear(), view->ShownMonth(), 1).DayOfWeek() + day - 1;
    }
    // "number,text" with the colour role each draws in.
    std::string Day(int day, QPalette::ColorRole role = QPalette::WindowText) const {
        const QLabel* number = view->DayNumber(Cell(day));
        const QLabel* text = view->DayText(Cell(day));
        return (number->text() + "," + text->text() + " " + number->palette().color(role).name() +
                "," + text->palette().color(role).name())
            .toStdString();
    }
    void MoveMouseTo(QWidget* widget, QPoint offset = {5, 5}) {
        const QPoint global = widget->mapToGlobal(offset);
        QCursor::setPos(global);
        QMouseEvent move(QEvent::MouseMove, QPointF(offset), QPointF(global), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

    // The month shown, as the combos and the view's own numbers say it.
    std::string Shown() const {
        return (view->YearCombo()->currentText() + "-" + view->MonthCombo()->currentText())
                   .toStdString() +
               (view->ShownYear() == view->YearCombo()->currentText().toInt() &&
                        view->ShownMonth() == view->MonthCombo()->currentIndex() + 1
                    ? ""
                    : " (view differs)");
    }
    void Wheel(QWidget* over, int delta) {
        const QPointF at(5, 5);
        QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &wheel);
    }

    SeededDatabase db;
    ScopedEnv home{"ANNIVO_HOME", db.Dir().Path().string()};
    FixedClock clock{DateTime(2011, 1, 15, 9, 30)};
    ScriptedPrompter prompter;
    ReminderList reminders;
    std::unique_ptr<CAvCalendar> view;
};

TEST_F(CalendarViewTest, OpensOnTodayAndOffersEveryYearFrom1900To2100) {
    EXPECT_EQ(view->YearCombo()->count(), 201);
    EXPECT_EQ(view->YearCombo()->itemText(0) + view->YearCombo()->itemText(200), "19002100");
    EXPECT_EQ(view->YearCombo()->currentText() + "-" + view->MonthCombo()->currentText(), "2011-1");
    EXPECT_EQ(view->YearNameLabel()->text().toStdString(), "农历庚寅年[虎年]"); // still lunar 2010
    EXPECT_EQ(Day(15, QPalette::Window), "15,十二 #ff8000,#ff8000");            // today, a Saturday
    EXPECT_EQ(view->DayNumber(Cell(15))->font().weight(), QFont::Black);
    EXPECT_TRUE(view->MonthCombo()->hasFocus() || !QApplication::focusWidget());
}

// A dark desktop theme brings light text; on the calendar's fixed light
// colours it must stay dark enough to read.
TEST_F(CalendarViewTest, TextStaysReadableOnItsLightColoursUnderADarkTheme) {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    view->setPalette(dark);
    Browse(2011, 2);
    auto contrast = [](const QWidget* w) {
        const QColor t = w->palette().color(QPalette::WindowText);
        const QColor b = w->palette().color(QPalette::Window);
        return ContrastRatio({t.red(), t.green(), t.blue()}, {b.red(), b.green(), b.blue()});
    };
    for (int i = 0; i < CAvCalendar::kCells; ++i) {
        EXPECT_GE(contrast(view->DayNumber(i)), i % 7 == 0 || i % 7 == 6 ? 3.0 : 4.5) << i;
        EXPECT_GE(contrast(view->DayText(i)), 4.5) << i;
    }
    for (int r = 0; r < CAvCalendar::kRows; ++r)
        EXPECT_GE(contrast(view->WeekLabel(r)), 4.5) << r;
    EXPECT_GE(contrast(view->HintLine()), 4.5);
}

TEST_F(CalendarViewTest, RowsWithoutDaysAreEmptyAndWhite) {
    Browse(2015, 2); // starts on Sunday, 28 days: four rows
    for (int r = 0; r < CAvCalendar::kRows; ++r) {
        EXPECT_EQ(view->WeekLabel(r)->text(), QStringList({"06", "07", "08", "09", "", ""})[r]);
        EXPECT_EQ(view->WeekLabel(r)->palette().color(QPalette::Window),
                  r < 4 ? QColor(128, 255, 128) : kWhite);
    }
    for (int i = 28; i < CAvCalendar::kCells; ++i) {
        EXPECT_EQ(view->DayNumber(i)->text() + view->DayText(i)->text(), "");
        EXPECT_EQ(view->DayNumber(i)->palette().color(QPalette::Window), kWhite);
        EXPECT_TRUE(view->Tip()->ToolText(view->DayNumber(i)).isNull());
    }
    Browse(2011, 1); // starts on Saturday, 31 days: six rows
    EXPECT_EQ(view->WeekLabel(5)->text(), "06");
    EXPECT_EQ(view->DayNumber(6)->text(), "1");
    EXPECT_EQ(view->DayNumber(CAvCalendar::kCells - 6)->text(), "31");
}

TEST_F(CalendarViewTest, DayTextsAndColoursFollowTheFestivals) {
    Browse(2015, 2);
    EXPECT_EQ(Day(4), "4,立春 #000000,#0000ff"); // a solar term, in blue
    Browse(2011, 2);
    EXPECT_EQ(Day(3), "3,正月 #000000,#000000"); // lunar new year without festivals
    Browse(2011, 10);
    EXPECT_EQ(Day(12), "12,休假日 #ff0000,#ff0000"); // class 0 turns a Wednesday red
    Browse(2011, 3);
    EXPECT_EQ(Day(2), "2,四个.. #000000,#008000");
    EXPECT_EQ(view->Tip()->ToolText(view->DayText(Cell(2))).toStdString(),
              "公元2011年3月2日\n农历2011年1月28日\n节日:四个字的");
    Profile("[Festival]\r\n24Fest=0\r\n");
    Browse(2015, 2);
    EXPECT_EQ(Day(4), "4,十六 #000000,#000000");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(CalendarViewTest, BirthdayListShowsOnlyInItsMonthAndTodayReturns) {
    EXPECT_TRUE(view->BirthdayList()->isVisible());
    ASSERT_EQ(view->BirthdayList()->count(), 1);
    EXPECT_EQ(view->BirthdayList()->item(0)->text().toStdString(),
              "张三的今年生日是:阳历2011-1-23");
    Browse(2012, 1);
    EXPECT_EQ(view->BirthdayList()->item(0)->text().toStdString(),
              "张三的2012年生日是:阳历2012-1-23");
    Browse(1900, 12);
    EXPECT_FALSE(view->BirthdayList()->isVisible());
    QTest::mouseClick(view->TodayButton(), Qt::LeftButton);
    EXPECT_EQ(view->ShownYear() * 100 + view->ShownMonth(), 201101);
    EXPECT_EQ(view->YearCombo()->currentText() + "-" + view->MonthCombo()->currentText(), "2011-1");
    EXPECT_TRUE(view->BirthdayList()->isVisible());
}

TEST_F(CalendarViewTest, WideningMovesTheGridByHalfAndKeepsTheListAboveTheHintLine) {
    // Every control moves by half the widening, within a carried pixel at either end.
    const int x = view->DayNumber(0)->x(), todayX = view->TodayButton()->x();
    for (int widening : {101, 102, 2, 0, -51}) {
        view->resize(700 + widening, 700);
        QApplication::processEvents();
        EXPECT_LE(std::abs(2 * (view->DayNumber(0)->x() - x) - widening), 2) << widening;
        EXPECT_EQ(view->TodayButton()->x() - todayX, view->DayNumber(0)->x() - x);
    }
    const QListWidget* list = view->BirthdayList();
    EXPECT_EQ(list->width(), view->width());
    EXPECT_EQ(list->mapTo(view.get(), QPoint(0, list->height())).y(), view->HintLine()->y());
}

TEST_F(CalendarViewTest, TipShowsAfterTheDelayFollowsTheMouseAndNeverTakesTheFocus) {
    CBalloonTip* tip = view->Tip();
    tip->SetDelay(10);
    view->activateWindow();
    view->MonthCombo()->setFocus();
    QLabel* fifteenth = view->DayText(Cell(15));
    MoveMouseTo(fifteenth);
    EXPECT_TRUE(tip->IsShowPending());
    EXPECT_FALSE(tip->isVisible());
    EXPECT_EQ(tip->Text().toStdString(), "公元2011年1月15日\n农历2010年12月12日");
    QTRY_VERIFY(tip->isVisible());
    const BalloonShape shape = tip->Shape();
    EXPECT_EQ(tip->pos() + QPoint(shape.tail[1].x, shape.tail[1].y),
              fifteenth->mapToGlobal(QPoint(5, 5)));
    EXPECT_EQ(tip->size(), QSize(shape.width, shape.height));
    EXPECT_EQ(QApplication::focusWidget(), view->MonthCombo());
    EXPECT_FALSE(tip->isActiveWindow());

    // Another cell: the tip leaves the old spot and re-anchors with that day's text.
    QLabel* sixteenth = view->DayNumber(Cell(16));
    MoveMouseTo(sixteenth, {3, 4});
    EXPECT_FALSE(tip->isVisible());
    EXPECT_EQ(tip->Anchor(), sixteenth->mapToGlobal(QPoint(3, 4)));
    EXPECT_TRUE(tip->Text().startsWith(QString::fromUtf8("公元2011年1月16日")));
    QTRY_VERIFY(tip->isVisible());
    QTest::mousePress(sixteenth, Qt::RightButton, {}, QPoint(3, 4));
    EXPECT_FALSE(tip->isVisible());
    MoveMouseTo(sixteenth, {4, 4});
    QTRY_VERIFY(tip->isVisible());
    MoveMouseTo(view->YearNameLabel()); // not a tool: hides at once
    EXPECT_FALSE(tip->isVisible() || tip->IsShowPending());

    tip->RemoveTool(sixteenth);
    MoveMouseTo(sixteenth, {6, 6});
    EXPECT_FALSE(tip->IsShowPending());
    MoveMouseTo(view->TodayButton());
    EXPECT_EQ(tip->Text().toStdString(), "点击回到今天");
    QTRY_VERIFY(tip->isVisible());
    view->hide(); // another view takes the place
    EXPECT_FALSE(tip->isVisible() || tip->IsShowPending());
}

TEST_F(CalendarViewTest, ButtonsPageKeysAndTheWheelBrowseMonthByMonth) {
    QLabel* day = view->DayText(Cell(10));
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[&] { QTest::mouseClick(view->PreviousMonthButton(), Qt::LeftButton); }, "2010-12"},
        {[&] { QTest::mouseClick(view->NextMonthButton(), Qt::LeftButton); }, "2011-1"},
        {[&] { Wheel(view->BirthdayList()->viewport(), -120); }, "2011-1"}, // scrolls the list
        {[&] { QTest::keyClick(view->Grid(), Qt::Key_PageDown); }, "2011-2"},
        {[&] { QTest::keyClick(view->YearCombo(), Qt::Key_PageUp); }, "2011-1"},
        {[&] { Wheel(day, -120); }, "2011-2"}, // towards oneself: on in time
        {[&] { Wheel(view->MonthCombo(), 120); }, "2011-1"},
        {[&] { Wheel(day, 120); }, "2010-12"},
        {[&] { Wheel(day, -60); }, "2010-12"}, // half a notch of a fine wheel
        {[&] { Wheel(day, -60); }, "2011-1"},
    };
    for (const auto& [step, expected] : steps) {
        step();
        EXPECT_EQ(Shown(), expected);
    }
    Wheel(day, -120);
    // The grid, its tips and the year's name follow.
    EXPECT_TRUE(view->Tip()
                    ->ToolText(view->DayNumber(Cell(1)))
                    .startsWith(QString::fromUtf8("公元2011年2月1日\n")));
    EXPECT_EQ(view->YearNameLabel()->text().toStdString(), "农历辛卯年[兔年]");
    EXPECT_EQ(Day(3), "3,正月 #000000,#000000");
}

TEST_F(CalendarViewTest, DownInDecemberGoesOnToJanuaryAndTheEndsOfTheYearsStop) {
    QComboBox* month = view->MonthCombo();
    Browse(2011, 11);
    const std::pair<int, const char*> keys[] = {
        {Qt::Key_Down, "2011-12"}, {Qt::Key_Down, "2012-1"}, {Qt::Key_Down, "2012-2"},
        {Qt::Key_Up, "2012-1"},    {Qt::Key_Up, "2011-12"},
    };
    for (const auto& [key, expected] : keys) {
        QTest::keyClick(month, Qt::Key(key));
        EXPECT_EQ(Shown(), expected);
    }
    Browse(1900, 1);
    EXPECT_FALSE(view->PreviousMonthButton()->isEnabled());
    QTest::keyClick(month, Qt::Key_Up);
    QTest::keyClick(month, Qt::Key_PageUp);
    Wheel(view->DayText(Cell(10)), 120);
    EXPECT_EQ(Shown(), "1900-1");
    Browse(2100, 12);
    EXPECT_TRUE(view->PreviousMonthButton()->isEnabled());
    EXPECT_FALSE(view->NextMonthButton()->isEnabled());
    QTest::keyClick(month, Qt::Key_Down);
    QTest::keyClick(view->Grid(), Qt::Key_PageDown);
    EXPECT_EQ(Shown(), "2100-12");
    QTest::mouseClick(view->PreviousMonthButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(), "2100-11");
    EXPECT_TRUE(view->NextMonthButton()->isEnabled());
}

TEST_F(CalendarViewTest, TabGoesFromTheYearToTheMonthTheButtonsAndTheGrid) {
    view->activateWindow();
    view->YearCombo()->setFocus();
    std::vector<std::string> order;
    for (int i = 0; i < 6; ++i) {
        QWidget* focus = view->focusWidget();
        order.push_back(focus ? focus->objectName().toStdString() : "(none)");
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"yearCombo", "monthCombo", "previousMonthButton",
                                               "nextMonthButton", "todayButton", "grid"}));
}

} // namespace
