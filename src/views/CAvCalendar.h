#pragma once

// The Qt base first: moc reads the standard headers the core ones bring in
// and trips over them when it meets them before Qt's own.
#include "controls/CMainView.h"

#include "calendar/CMonthSheet.h"
#include "storage/ReminderRecord.h"
#include "views/CalendarTexts.h"

#include <QColor>
#include <QFont>

#include <array>
#include <string>

class CBalloonTip;
class CImageButton;
class Clock;
class Prompter;
class QComboBox;
class QLabel;
class QListWidget;

// The month calendar view: one Gregorian month as six weeks of seven days,
// Sunday first, with week numbers, each day's number and, under it, its
// festivals or its lunar day; a balloon tip per day with its full dates and
// festivals; the year's sexagenary name; and the people whose birthday in the
// shown year falls in the month.
class CAvCalendar : public CMainView {
    Q_OBJECT
public:
    static constexpr int kCells = CMonthSheet::kCells;
    static constexpr int kRows = CMonthSheet::kRows;

    // `reminders` (the main frame's list) outlives the view; the birthdays
    // shown come from it.
    CAvCalendar(const ReminderList& reminders, const Clock& clock, Prompter& prompter,
                const std::string& connectionString, QWidget* parent = nullptr);
    ~CAvCalendar() override;

    // Back to today's month; the today button runs it too.
    void OnInitialUpdate();
    // Fills the grid, the year's name and the birthday list for the shown month.
    void Refresh() override;
    // Shows the month `delta` months away (上月, 下月, PageUp, PageDown, the
    // wheel), across the turn of the year; false at the ends of the years offered.
    bool MoveMonth(int delta);

    int ShownYear() const { return m_Year; }
    int ShownMonth() const { return m_Month; }
    const CMonthSheet& Sheet() const { return m_Sheet; }

    QComboBox* YearCombo() const { return m_YearCombo; }
    QComboBox* MonthCombo() const { return m_MonthCombo; }
    CImageButton* TodayButton() const { return m_TodayButton; }
    CImageButton* PreviousMonthButton() const { return m_PreviousButton; }
    CImageButton* NextMonthButton() const { return m_NextButton; }
    QWidget* Grid() const { return m_Grid; } // takes the focus for the days
    QLabel* YearNameLabel() const { return m_YearName; }
    QLabel* HeaderLabel(int column) const { return m_Headers[column]; } // 0 = 周
    QLabel* WeekLabel(int row) const { return m_Weeks[row]; }
    QLabel* DayNumber(int cell) const { return m_DayNumbers[cell]; }
    QLabel* DayText(int cell) const { return m_DayTexts[cell]; }
    QListWidget* BirthdayList() const { return m_BirthdayList; }
    CBalloonTip* Tip() const { return m_Tip; }
    const QFont& DayNumberFont() const { return m_DayNumberFont; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateControls();
    void LayOutControls();
    void OnFormResized(int width, int height);
    void FillCombos();
    void OnYearChanged(int index);
    void OnMonthChanged(int index);
    bool OnNavigationEvent(QObject* watched, QEvent* event);
    void EnableMonthButtons();

    const ReminderList& m_Reminders;
    const Clock& m_Clock;
    CMonthSheet m_Sheet;
    int m_Year = 0;
    int m_Month = 0;
    int m_Day = 0;
    bool m_Filling = false; // the combos are being refilled: no refresh per item

    QWidget* m_Form = nullptr;
    QComboBox* m_YearCombo = nullptr;
    QComboBox* m_MonthCombo = nullptr;
    CImageButton* m_TodayButton = nullptr;
    CImageButton* m_PreviousButton = nullptr;
    CImageButton* m_NextButton = nullptr;
    QWidget* m_Grid = nullptr;
    int m_WheelRest = 0; // wheel turns not yet a whole month
    QLabel* m_YearName = nullptr;
    std::array<QLabel*, 8> m_Headers{};
    std::array<QLabel*, kRows> m_Weeks{};
    std::array<QLabel*, kCells> m_DayNumbers{};
    std::array<QLabel*, kCells> m_DayTexts{};
    QListWidget* m_BirthdayList = nullptr;
    CBalloonTip* m_Tip = nullptr;
    QFont m_DayNumberFont;
    QFont m_TipFont;

    // Where each control sits for the form's own width; resizing moves the
    // whole set sideways by the shift.
    std::vector<std::pair<QWidget*, QRect>> m_Placed;
    QSize m_FormSize;
    HalfWidthShift m_Shift{0};
    int m_Offset = 0;
    int m_ListHeight = 0;
    bool m_ShownBefore = false;
};
