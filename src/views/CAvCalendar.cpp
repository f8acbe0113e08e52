#include "views/CAvCalendar.h"

#include "controls/CHyperLink.h"
#include "controls/CImageButton.h"
#include "controls/FrameCommands.h"
#include "platform/Clock.h"
#include "views/CBalloonTip.h"
#include "views/MonthStep.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPainter>
#include <QResizeEvent>
#include <QShowEvent>
#include <QWheelEvent>

#include <algorithm>

namespace {

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

const QColor kWhite(255, 255, 255);
const QColor kPink(255, 128, 192);        // header row
const QColor kLightGreen(128, 255, 128);  // week number of a used row
const QColor kOrange(255, 128, 0);        // today
const QColor kLightYellow(255, 255, 187); // a day of the month
const QColor kRed(255, 0, 0);
const QColor kViolet(255, 128, 255); // hint line
// Every background above is light, so plain text on them is dark whatever the
// desktop's theme says (a dark theme's light text would vanish on them).
const QColor kPlainText(0, 0, 0);

// Text colour of a day's text by the month sheet's colour code.
QColor CodeColour(int code, const QColor& plain) {
    switch (code) {
    case 1: return kRed;
    case 2: return QColor(0, 0, 255);
    case 3: return QColor(0, 128, 0);
    case 4: return QColor(0, 0, 0);
    default: return plain;
    }
}

// Changing a palette repaints; the month changes many labels, most of which
// keep their colours.
void Paint(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    if (widget->autoFillBackground() && palette.color(QPalette::Window) == background &&
        palette.color(QPalette::WindowText) == text)
        return;
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

constexpr int kMargin = 8;
constexpr int kGap = 2;
constexpr int kGridFrame = 3; // the grid's focus frame, round the cells

// The days' place in the focus chain: the day labels take no focus, so this
// frame behind them does, and shows it round the grid.
class MonthGrid final : public QWidget {
public:
    explicit MonthGrid(QWidget* parent) : QWidget(parent) {
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(QString::fromUtf8("日期"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!hasFocus())
            return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};

} // namespace

CAvCalendar::CAvCalendar(const ReminderList& reminders, const Clock& clock, Prompter& prompter,
                         const std::string& connectionString, QWidget* parent)
    : CMainView(kViewCalendar, QString::fromUtf8("日历主界面，可以查看周别、阴阳历、节日。"),
                parent),
      m_Reminders(reminders), m_Clock(clock), m_Sheet(clock, prompter, connectionString) {
    m_Sheet.TakeBirthdaysFrom(&m_Reminders);
    // Times New Roman where it is installed, else its metric-compatible twin.
    m_DayNumberFont.setFamilies({"Times New Roman", "Liberation Serif"});
    m_DayNumberFont.setStyleHint(QFont::Serif);
    m_DayNumberFont.setPixelSize(16);
    m_DayNumberFont.setWeight(QFont::Black);
    m_TipFont.setFamilies({"SimSun", QString::fromUtf8("宋体"), "Noto Serif CJK SC"});
    m_TipFont.setPointSize(11);

    Paint(this, kWhite, kPlainText);
    layout()->setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(0);
    Paint(HintLine(), kViolet, kPlainText);

    CreateControls();
    LayOutControls();
    OnInitialUpdate();
}

CAvCalendar::~CAvCalendar() = default;

void CAvCalendar::CreateControls() {
    m_Form = new QWidget;
    auto label = [this](const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), m_Form);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    label("公元")->setObjectName("era");
    m_YearCombo = new QComboBox(m_Form);
    m_YearCombo->setObjectName("yearCombo");
    label("年")->setObjectName("yearUnit");
    m_MonthCombo = new QComboBox(m_Form);
    m_MonthCombo->setObjectName("monthCombo");
    label("月")->setObjectName("monthUnit");
    m_PreviousButton = new CImageButton(QString::fromUtf8("上月"), m_Form);
    m_PreviousButton->setObjectName("previousMonthButton");
    m_NextButton = new CImageButton(QString::fromUtf8("下月"), m_Form);
    m_NextButton->setObjectName("nextMonthButton");
    m_YearName = label("");
    m_YearName->setObjectName("yearName");
    m_YearName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_TodayButton = new CImageButton(QString::fromUtf8("今天"), m_Form);
    m_TodayButton->setObjectName("todayButton");
    m_Grid = new MonthGrid(m_Form); // first, so that every cell lies above it
    m_Grid->setObjectName("grid");

    const char* headers[] = {"周", "日", "一", "二", "三", "四", "五", "六"};
    for (int c = 0; c < 8; ++c) {
        m_Headers[c] = label(headers[c]);
        Paint(m_Headers[c], kPink, kPlainText);
    }
    for (int r = 0; r < kRows; ++r)
        m_Weeks[r] = label("");
    for (int i = 0; i < kCells; ++i) {
        m_DayNumbers[i] = label("");
        m_DayNumbers[i]->setFont(m_DayNumberFont);
        m_DayTexts[i] = label("");
    }
    m_BirthdayList = new QListWidget(m_Form);
    m_BirthdayList->setObjectName("birthdayList");
    m_BirthdayList->hide();

    m_Tip = new CBalloonTip(this);
    m_Tip->SetFont(m_TipFont);
    m_Tip->AddTool(m_PreviousButton, QString::fromUtf8("上一个月（PageUp）"));
    m_Tip->AddTool(m_NextButton, QString::fromUtf8("下一个月（PageDown）"));

    SetContent(m_Form);
    setFocusProxy(m_MonthCombo);
    QWidget* const chain[] = {m_YearCombo,   m_MonthCombo, m_PreviousButton, m_NextButton,
                              m_TodayButton, m_Grid,       m_BirthdayList};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);

    connect(m_YearCombo, &QComboBox::currentIndexChanged, this, &CAvCalendar::OnYearChanged);
    connect(m_MonthCombo, &QComboBox::currentIndexChanged, this, &CAvCalendar::OnMonthChanged);
    connect(m_TodayButton, &QPushButton::clicked, this, &CAvCalendar::OnInitialUpdate);
    connect(m_PreviousButton, &QPushButton::clicked, this, [this] { MoveMonth(-1); });
    connect(m_NextButton, &QPushButton::clicked, this, [this] { MoveMonth(1); });

    // The tip follows the mouse over every control of the view.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child == m_Tip)
            continue;
        child->setMouseTracking(true);
        child->installEventFilter(this);
    }
    setMouseTracking(true);
}

void CAvCalendar::LayOutControls() {
    const QFontMetrics metrics(font());
    const QFontMetrics dayMetrics(m_DayNumberFont);
    auto advance = [&](const char* text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text));
    };
    const int cellWidth =
        std::max({advance("十二月"), advance("四个.."), dayMetrics.horizontalAdvance("31")}) + 12;
    const int weekWidth = std::max(advance("周"), advance("00")) + 14;
    const int numberHeight = dayMetrics.height() + 2;
    const int textHeight = metrics.height() + 4;
    const int headerHeight = metrics.height() + 6;

    m_YearCombo->addItem(QString::number(kLastCalendarYear)); // sized for its widest item
    m_MonthCombo->addItem("12");
    const int rowHeight = std::max({m_YearCombo->sizeHint().height(),
                                    m_TodayButton->sizeHint().height(), metrics.height() + 8});
    auto place = [&](QWidget* widget, int x, int y, int width, int height) {
        m_Placed.emplace_back(widget, QRect(x, y, width, height));
    };

    // The top row, left to right.
    int x = kMargin;
    auto placeInRow = [&](QWidget* widget, int width) {
        place(widget, x, kMargin, width, rowHeight);
        x += width + 4;
    };
    placeInRow(m_Form->findChild<QLabel*>("era"), advance("公元") + 2);
    placeInRow(m_YearCombo, m_YearCombo->sizeHint().width() + 6);
    placeInRow(m_Form->findChild<QLabel*>("yearUnit"), advance("年") + 2);
    placeInRow(m_MonthCombo, m_MonthCombo->sizeHint().width() + 6);
    placeInRow(m_Form->findChild<QLabel*>("monthUnit"), advance("月") + 2);
    // Small buttons, so that the row stays close to the grid's width.
    const int stepWidth = advance("上月") + 24;
    placeInRow(m_PreviousButton, stepWidth);
    placeInRow(m_NextButton, stepWidth);
    const int nameX = x + 6;
    const int nameWidth = advance("农历戊戌年[狗年]") + 8;
    const int buttonWidth = std::max(m_TodayButton->sizeHint().width(), advance("今天") + 24);
    const int topRowWidth = nameX + nameWidth + 8 + buttonWidth + kMargin;
    m_YearCombo->clear();
    m_MonthCombo->clear();

    // The grid: a header row, then six weeks of a day number over a day text.
    const std::size_t gridFirst = m_Placed.size();
    const int gridLeft = kMargin;
    const int headerTop = kMargin + rowHeight + 10;
    const int columnLeft = gridLeft + weekWidth + kGap;
    place(m_Headers[0], gridLeft, headerTop, weekWidth, headerHeight);
    for (int c = 1; c < 8; ++c)
        place(m_Headers[c], columnLeft + (c - 1) * (cellWidth + kGap), headerTop, cellWidth,
              headerHeight);
    const int firstRowTop = headerTop + headerHeight + kGap;
    const int rowPitch = numberHeight + textHeight + kGap;
    for (int r = 0; r < kRows; ++r)
        place(m_Weeks[r], gridLeft, firstRowTop + r * rowPitch, weekWidth,
              numberHeight + textHeight);
    for (int i = 0; i < kCells; ++i) {
        const int cellLeft = columnLeft + (i % 7) * (cellWidth + kGap);
        const int cellTop = firstRowTop + (i / 7) * rowPitch;
        place(m_DayNumbers[i], cellLeft, cellTop, cellWidth, numberHeight);
        place(m_DayTexts[i], cellLeft, cellTop + numberHeight, cellWidth, textHeight);
    }
    const int gridRight = columnLeft + 7 * (cellWidth + kGap) - kGap;
    const int gridBottom = firstRowTop + kRows * rowPitch - kGap;
    place(m_Grid, gridLeft - kGridFrame, headerTop - kGridFrame,
          gridRight - gridLeft + 2 * kGridFrame, gridBottom - headerTop + 2 * kGridFrame);

    const int formWidth = std::max(gridRight + kMargin, topRowWidth);
    // Under a wider top row the grid sits in the middle.
    const int gridShift = (formWidth - (gridRight + kMargin)) / 2;
    for (std::size_t i = gridFirst; i < m_Placed.size(); ++i)
        m_Placed[i].second.translate(gridShift, 0);
    place(m_YearName, nameX, kMargin, nameWidth, rowHeight);
    place(m_TodayButton, formWidth - kMargin - buttonWidth, kMargin, buttonWidth, rowHeight);
    m_ListHeight = metrics.height() * 4 + 8;
    m_FormSize = QSize(formWidth, firstRowTop + kRows * rowPitch + kMargin + m_ListHeight);
    m_Form->setMinimumSize(m_FormSize);
    m_Shift = HalfWidthShift(formWidth);
    m_Offset = 0;
    for (const auto& [widget, rect] : m_Placed)
        widget->setGeometry(rect);
    OnFormResized(formWidth, m_FormSize.height());
}

void CAvCalendar::OnFormResized(int width, int height) {
    m_Offset += m_Shift.Next(width);
    for (const auto& [widget, rect] : m_Placed)
        widget->move(rect.x() + m_Offset, rect.y());
    m_BirthdayList->setGeometry(0, height - m_ListHeight, width, m_ListHeight);
}

void CAvCalendar::FillCombos() {
    const DateTime now = m_Clock.Now();
    m_Year = std::clamp(now.Year(), kFirstCalendarYear, kLastCalendarYear);
    m_Month = now.Month();
    m_Day = now.Day();
    m_Filling = true;
    m_YearCombo->clear();
    for (int year = kFirstCalendarYear; year <= kLastCalendarYear; ++year)
        m_YearCombo->addItem(QString::number(year));
    m_YearCombo->setCurrentIndex(m_Year - kFirstCalendarYear);
    m_MonthCombo->clear();
    for (int month = 1; month <= 12; ++month)
        m_MonthCombo->addItem(QString::number(month));
    m_MonthCombo->setCurrentIndex(m_Month - 1);
    m_Filling = false;
}

void CAvCalendar::OnInitialUpdate() {
    FillCombos();
    m_Tip->AddTool(m_TodayButton, QString::fromUtf8("点击回到今天"));
    Refresh();
}

void CAvCalendar::OnYearChanged(int index) {
    if (m_Filling || index < 0)
        return;
    m_Year = m_YearCombo->itemText(index).toInt();
    Refresh();
}

void CAvCalendar::OnMonthChanged(int index) {
    if (m_Filling || index < 0)
        return;
    m_Month = index + 1;
    Refresh();
}

bool CAvCalendar::MoveMonth(int delta) {
    const std::optional<YearMonth> to =
        StepMonth({m_Year, m_Month}, delta, kFirstCalendarYear, kLastCalendarYear);
    if (!to)
        return false;
    m_Filling = true; // one refresh for year and month together
    m_YearCombo->setCurrentIndex(to->year - kFirstCalendarYear);
    m_MonthCombo->setCurrentIndex(to->month - 1);
    m_Filling = false;
    m_Year = to->year;
    m_Month = to->month;
    Refresh();
    return true;
}

void CAvCalendar::EnableMonthButtons() {
    auto canMove = [this](int delta) {
        return StepMonth({m_Year, m_Month}, delta, kFirstCalendarYear, kLastCalendarYear)
            .has_value();
    };
    m_PreviousButton->setEnabled(canMove(-1));
    m_NextButton->setEnabled(canMove(1));
}

void CAvCalendar::Refresh() {
    EnableMonthButtons();
    m_Sheet.FillMonth(m_Year, m_Month);
    m_Sheet.FillCellTexts(m_Year, m_Month);

    const CLunarCalendar calendar;
    // Today's day of the shown month; past the month's end it runs on into the next.
    const CalendarDate lunarYear = calendar.GregorianToLunar({m_Year, m_Month, m_Day, 0, 0, 0});
    m_YearName->setText(Q(calendar.GanZhiYearText(lunarYear.year)));

    const QColor plain = kPlainText;
    for (int i = 0; i < kCells; ++i) {
        QLabel* number = m_DayNumbers[i];
        QLabel* text = m_DayTexts[i];
        const CalendarDate& day = m_Sheet.GregorianCells()[i];
        if (!day.valid) {
            number->clear();
            text->clear();
            Paint(number, kWhite, plain);
            Paint(text, kWhite, plain);
            m_Tip->RemoveTool(number);
            m_Tip->RemoveTool(text);
            continue;
        }
        const bool today = m_Sheet.TodayMarks()[i] == 1;
        number->setText(QString::number(day.day));
        Paint(number, today ? kOrange : kLightYellow, m_Sheet.RedMarks()[i] == 1 ? kRed : plain);
        text->setText(Q(m_Sheet.Labels()[i]));
        Paint(text, today ? kOrange : kWhite, CodeColour(m_Sheet.ColourCodes()[i], plain));
        const QString tip = Q(DayTipText(day, m_Sheet.LunarCells()[i], m_Sheet.FestivalTexts()[i]));
        m_Tip->AddTool(number, tip);
        m_Tip->AddTool(text, tip);
    }
    for (int r = 0; r < kRows; ++r) {
        const int week = m_Sheet.WeekNumbers()[r];
        m_Weeks[r]->setText(Q(WeekNumberText(week)));
        Paint(m_Weeks[r], week != 0 ? kLightGreen : kWhite, plain);
    }

    m_BirthdayList->clear();
    for (const std::string& line :
         BirthdayListLines(m_Reminders, m_Year, m_Month, m_Clock.Now().Year()))
        m_BirthdayList->addItem(Q(line));
    m_BirthdayList->setVisible(m_BirthdayList->count() > 0);
}

bool CAvCalendar::OnNavigationEvent(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != window()) // a combo box's open list
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        if (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) {
            MoveMonth(key->key() == Qt::Key_PageUp ? -1 : 1);
            return true;
        }
        // Down in December goes on to January of the next year; Up in January
        // back to December of the year before.
        const int last = key->key() == Qt::Key_Down ? 11 : key->key() == Qt::Key_Up ? 0 : -1;
        if (widget == m_MonthCombo && last >= 0 && m_MonthCombo->currentIndex() == last) {
            MoveMonth(last == 11 ? 1 : -1);
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint at = widget->mapTo(this, wheel->position().toPoint());
        // The year list and the birthday list scroll as their own.
        for (QWidget* own :
             {static_cast<QWidget*>(m_YearCombo), static_cast<QWidget*>(m_BirthdayList)})
            if (own->isVisible() && own->rect().contains(own->mapFrom(this, at)))
                return false;
        m_WheelRest += wheel->angleDelta().y();
        const int steps = m_WheelRest / 120; // one notch of a wheel; touchpads add up smaller turns
        m_WheelRest -= steps * 120;
        if (steps != 0)
            MoveMonth(-steps); // turning the wheel away goes back in time, as in a list
        return true;
    }
    return false;
}

bool CAvCalendar::eventFilter(QObject* watched, QEvent* event) {
    m_Tip->RelayEvent(watched, event);
    if (OnNavigationEvent(watched, event))
        return true;
    if (watched == m_Form && event->type() == QEvent::Resize) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        OnFormResized(size.width(), size.height());
    }
    return CMainView::eventFilter(watched, event);
}

void CAvCalendar::showEvent(QShowEvent* event) {
    CMainView::showEvent(event);
    // Browsing months is what the view is for.
    if (!event->spontaneous())
        m_MonthCombo->setFocus();
    // Reminders may have changed while another view was shown.
    if (!event->spontaneous() && m_ShownBefore)
        Refresh();
    m_ShownBefore = true;
}

void CAvCalendar::hideEvent(QHideEvent* event) {
    m_Tip->HideTip(); // another view took the place
    CMainView::hideEvent(event);
}
