#include "controls/CBirthDateEdit.h"

#include "calendar/LunarBirthDate.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>

#include <algorithm>

namespace {

constexpr int kNoYear = 0; // the lunar year's "no date"
constexpr int kLastYear = 9999;

QString FromUtf8(const char* text) {
    return QString::fromUtf8(text);
}

BirthDate Today() {
    const QDate today = QDate::currentDate();
    return BirthDate(today.year(), today.month(), today.day());
}

} // namespace

CBirthDateEdit::CBirthDateEdit(QDateEdit* gregorianEdit)
    : QWidget(gregorianEdit->parentWidget()), m_Gregorian(gregorianEdit) {
    setObjectName(gregorianEdit->objectName() + "Entry");
    if (QLayout* layout = parentWidget() ? parentWidget()->layout() : nullptr)
        delete layout->replaceWidget(gregorianEdit, this);

    m_Year = new QSpinBox;
    m_Year->setObjectName("lunarYearEdit");
    m_Year->setRange(kNoYear, kLastYear);
    m_Year->setSpecialValueText(FromUtf8("(无日期)"));
    m_Year->setSuffix(FromUtf8("年"));
    m_Year->setAccelerated(true);
    m_Month = new QComboBox;
    m_Month->setObjectName("lunarMonthCombo");
    for (int month = 1; month <= 12; ++month)
        m_Month->addItem(FromUtf8(LunarMonthName(month)));
    m_Day = new QComboBox;
    m_Day->setObjectName("lunarDayCombo");
    for (int day = 1; day <= 30; ++day)
        m_Day->addItem(FromUtf8(LunarDayName(day)));
    // A long list drops down whole rather than scrolling past the 三十.
    m_Day->setMaxVisibleItems(30);

    auto* lunarPage = new QWidget;
    auto* lunarRow = new QHBoxLayout(lunarPage);
    lunarRow->setContentsMargins(0, 0, 0, 0);
    lunarRow->addWidget(m_Year);
    lunarRow->addWidget(m_Month);
    lunarRow->addWidget(m_Day);
    lunarRow->addStretch();

    m_Pages = new QStackedWidget;
    m_Pages->addWidget(gregorianEdit);
    m_Pages->addWidget(lunarPage);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_Pages);

    m_Equivalent = new QLabel(this);
    m_Equivalent->setObjectName("equivalentLabel");
    m_Equivalent->hide(); // until the dialog gives it a place
    // Room for the longest text, so that nothing moves as the date changes.
    const QFontMetrics metrics = m_Equivalent->fontMetrics();
    m_Equivalent->setMinimumWidth(std::max(metrics.horizontalAdvance(FromUtf8("阳历8888-88-88")),
                                           metrics.horizontalAdvance(FromUtf8("无对应阳历日期"))));
    m_Equivalent->setMinimumHeight(metrics.height());

    m_Year->installEventFilter(this);
    connect(m_Year, &QSpinBox::valueChanged, this, [this] { OnLunarEdited(); });
    connect(m_Month, &QComboBox::currentIndexChanged, this, [this] { OnLunarEdited(); });
    connect(m_Day, &QComboBox::currentIndexChanged, this, [this] { OnLunarEdited(); });

    setFocusPolicy(m_Gregorian->focusPolicy());
    SetDate(BirthDate(), false);
}

void CBirthDateEdit::SetDate(const BirthDate& date, bool lunar) {
    m_Lunar = lunar;
    m_Switched = false;
    m_Pages->setCurrentIndex(lunar ? 1 : 0);
    setFocusProxy(lunar ? static_cast<QWidget*>(m_Year) : m_Gregorian);
    // The other calendar's entry, out of sight, holds no stale date.
    ShowLunar(lunar ? date : BirthDate());
    ShowGregorian(lunar ? BirthDate() : date);
    UpdateEquivalent();
}

void CBirthDateEdit::SetLunar(bool lunar) {
    if (lunar == m_Lunar)
        return;
    const BirthDate shown = Date();
    const BirthDate next =
        m_Switched && shown == m_AfterSwitch ? m_BeforeSwitch : SwitchCalendar(shown, lunar);
    SetDate(next, lunar);
    m_BeforeSwitch = shown;
    m_AfterSwitch = Date();
    m_Switched = true;
}

BirthDate CBirthDateEdit::Date() const {
    if (!m_Lunar) {
        const QDate date = m_Gregorian->date();
        if (date <= m_Gregorian->minimumDate())
            return {};
        return BirthDate(date.year(), date.month(), date.day());
    }
    if (m_Year->value() == kNoYear)
        return {};
    return BirthDate(m_Year->value(), m_Month->currentIndex() + 1, m_Day->currentIndex() + 1);
}

QString CBirthDateEdit::Text() const {
    if (!m_Lunar)
        return m_Gregorian->text();
    if (m_Year->value() == kNoYear)
        return m_Year->specialValueText();
    return m_Year->text() + m_Month->currentText() + m_Day->currentText();
}

void CBirthDateEdit::ShowGregorian(const BirthDate& date) {
    QDate shown = m_Gregorian->minimumDate();
    if (date.IsValid()) {
        // A lunar 30th kept on switching shows as the month's last day.
        const QDate first(date.Year(), date.Month(), 1);
        const QDate day(date.Year(), date.Month(), std::min(date.Day(), first.daysInMonth()));
        if (day > m_Gregorian->minimumDate() && day <= m_Gregorian->maximumDate())
            shown = day;
    }
    m_Gregorian->setDate(shown);
}

void CBirthDateEdit::ShowLunar(const BirthDate& date) {
    const QSignalBlocker year(m_Year), month(m_Month), day(m_Day);
    const bool dated = date.IsValid();
    m_Year->setValue(dated ? date.Year() : kNoYear);
    m_Month->setCurrentIndex(dated ? date.Month() - 1 : -1);
    m_Day->setCurrentIndex(dated ? std::min(date.Day(), 30) - 1 : -1);
    m_Month->setEnabled(dated);
    m_Day->setEnabled(dated);
}

void CBirthDateEdit::OnLunarEdited() {
    if (m_Year->value() != kNoYear && (m_Month->currentIndex() < 0 || m_Day->currentIndex() < 0)) {
        // A year typed over "no date": month and day start at today's.
        const BirthDate today = LunarOfGregorian(Today());
        const QSignalBlocker month(m_Month), day(m_Day);
        m_Month->setCurrentIndex(today.IsValid() ? today.Month() - 1 : 0);
        m_Day->setCurrentIndex(today.IsValid() ? today.Day() - 1 : 0);
    } else if (m_Year->value() == kNoYear) {
        const QSignalBlocker month(m_Month), day(m_Day);
        m_Month->setCurrentIndex(-1);
        m_Day->setCurrentIndex(-1);
    }
    m_Month->setEnabled(m_Year->value() != kNoYear);
    m_Day->setEnabled(m_Year->value() != kNoYear);
    UpdateEquivalent();
}

void CBirthDateEdit::UpdateEquivalent() {
    m_Equivalent->setText(m_Lunar ? QString::fromStdString(GregorianEquivalentText(Date()))
                                  : QString());
}

bool CBirthDateEdit::eventFilter(QObject* watched, QEvent* event) {
    // From "no date" the arrows start at today's lunar date, not in year 1.
    if (watched == m_Year && m_Year->value() == kNoYear && IsDateStepEvent(event)) {
        const BirthDate today = LunarOfGregorian(Today());
        ShowLunar(today.IsValid() ? today : Today());
        UpdateEquivalent();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool IsDateStepEvent(const QEvent* event) {
    if (event->type() == QEvent::Wheel)
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}
