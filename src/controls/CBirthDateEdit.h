#pragma once

#include <QWidget>

// Qt's headers first: moc cannot read <compare> before them.
#include "platform/BirthDate.h"

class QComboBox;
class QEvent;
class QDateEdit;
class QLabel;
class QSpinBox;
class QStackedWidget;

// A birth date in the calendar the person's birthday is kept in: a date
// editor for 阳历, and for 阴历 the year with the lunar month (正月 … 腊月)
// and day (初一 … 三十), every one of them selectable in any year, with the
// Gregorian day of that date in a label the dialog places. "No date" is the
// date editor's minimum, and the year's lowest value in the lunar entry.
//
// Switching the calendar converts the date shown; a date the other calendar
// has not is kept as it is. Switching back before anything else changed
// gives the date as it was, so trying the other calendar changes nothing.
class CBirthDateEdit : public QWidget {
    Q_OBJECT
public:
    // Takes the place of `gregorianEdit` in its layout and keeps it as the
    // Gregorian entry; its minimum date stands for no date.
    explicit CBirthDateEdit(QDateEdit* gregorianEdit);

    // Shows a date as it is (no conversion); the time of day is not shown.
    void SetDate(const BirthDate& date, bool lunar);
    // Switches the calendar, converting the date shown.
    void SetLunar(bool lunar);
    bool IsLunar() const { return m_Lunar; }
    // The date shown, at midnight; no date for none.
    BirthDate Date() const;
    // What the entry shows: "1980-03-16", "1980年二月三十" or "(无日期)".
    QString Text() const;

    QDateEdit* GregorianEdit() const { return m_Gregorian; }
    QSpinBox* LunarYearEdit() const { return m_Year; }
    QComboBox* LunarMonthCombo() const { return m_Month; }
    QComboBox* LunarDayCombo() const { return m_Day; }
    // Not in the widget's own layout: the dialog puts it where it has room.
    QLabel* EquivalentLabel() const { return m_Equivalent; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowGregorian(const BirthDate& date);
    void ShowLunar(const BirthDate& date);
    void OnLunarEdited();
    void UpdateEquivalent();

    QDateEdit* m_Gregorian;
    QSpinBox* m_Year;
    QComboBox* m_Month;
    QComboBox* m_Day;
    QLabel* m_Equivalent;
    QStackedWidget* m_Pages;
    bool m_Lunar = false;
    bool m_Showing = false;
    // The last switch, to undo it when the user switches back untouched.
    BirthDate m_BeforeSwitch;
    BirthDate m_AfterSwitch;
    bool m_Switched = false;
};

// A wheel turn or an arrow or page key: what steps the value of a date field.
bool IsDateStepEvent(const QEvent* event);
