#pragma once
// Enters the lunar date 1980 二月三十 into a birth-date field the way a user
// does with the keyboard: the year typed over, the month and day picked.

#include "controls/CBirthDateEdit.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTest>

inline void EnterLunarFebruaryThirtieth1980(CBirthDateEdit& birth) {
    QSpinBox* year = birth.LunarYearEdit();
    year->setFocus();
    year->selectAll();
    QTest::keyClicks(year, "1980");
    QTest::keyClick(birth.LunarMonthCombo(), Qt::Key_Home);
    QTest::keyClick(birth.LunarMonthCombo(), Qt::Key_Down);
    QTest::keyClick(birth.LunarDayCombo(), Qt::Key_End);
}
