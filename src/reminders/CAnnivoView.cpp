#include "reminders/CAnnivoView.h"

#include "controls/CHyperLink.h"
#include "controls/CSortListCtrl.h"
#include "controls/FrameCommands.h"
#include "controls/QtText.h"
#include "platform/Clock.h"
#include "reminders/CReminderDlg.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderEditor.h"
#include "reminders/ReminderListRows.h"

#include <QKeyEvent>
#include <QMenu>

#include <memory>
#include <utility>
#include <vector>

CAnnivoView::CAnnivoView(ReminderList& reminders, const Clock& clock, Prompter& prompter,
                         std::function<void()> restartTimer, QWidget* parent)
    : CMainView(kViewReminderList, QString::fromUtf8("生日提醒主界面，可以新增、修改、删除提醒。"),
                parent),
      m_Reminders(reminders), m_Clock(clock), m_Prompter(prompter),
      m_RestartTimer(std::move(restartTimer)), m_List(new CSortListCtrl) {
    m_List->setObjectName("reminderList");
    // Widths fit the texts of this font: at least the classic pixel widths,
    // wider where the font needs it.
    const QFontMetrics metrics = m_List->fontMetrics();
    const int pad = metrics.horizontalAdvance(QStringLiteral("00"));
    const int word = metrics.horizontalAdvance(QString::fromUtf8("阴阳历")) + pad;
    const int date = metrics.horizontalAdvance(QStringLiteral("0000-00-00")) + pad;
    const struct {
        const char* header;
        int width;
        SortKind kind = SortKind::Text;
    } columns[kReminderColumnCount] = {
        {"编号", 0},
        {"状态", std::max(37, metrics.horizontalAdvance(QString::fromUtf8("状态")) + 2 * pad)},
        {"姓名", std::max(65, metrics.horizontalAdvance(QString::fromUtf8("欧阳某某某")) + pad)},
        {"提前", std::max(37, metrics.horizontalAdvance(QString::fromUtf8("提前")) + 2 * pad)},
        {"阴阳历", std::max(48, word)},
        {"出生日期", std::max(72, date)},
        {"今年生日", std::max(72, date)},
        {"今年生日", 0},
        // Days sort as numbers (9 before 10); people without a birthday go last.
        {"距生日", metrics.horizontalAdvance(QString::fromUtf8("距生日")) + 2 * pad,
         SortKind::NumberOrNone},
    };
    std::vector<CSortListCtrl::NewColumn> added;
    for (const auto& column : columns)
        added.push_back({QString::fromUtf8(column.header), column.width, column.kind});
    m_List->InsertColumns(added);
    m_List->SetColorKeyColumn(kReminderColourKeyColumn);
    m_List->SetStretchColumn(kColumnName);
    // Enter opens the row as 修改 does, Delete asks as 删除 does.
    m_List->installEventFilter(this);
    connect(m_List, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            RunCommand(kCmdModify);
    });
    m_List->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_List, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const std::unique_ptr<QMenu> menu = MakeContextMenu();
        if (QAction* chosen = menu->exec(m_List->viewport()->mapToGlobal(at)))
            RunCommand(chosen->data().toInt());
    });
    connect(m_List, &CSortListCtrl::SelectionMarkChanged, this, &CAnnivoView::SelectionChanged);
    SetContent(m_List);

    HintLine()->setAutoFillBackground(true);
    QPalette hint = HintLine()->palette();
    hint.setColor(QPalette::Window, QColor(255, 128, 255));
    hint.setColor(QPalette::WindowText, Qt::black);
    HintLine()->setPalette(hint);

    FillRows();
    setFocusProxy(m_List);
}

CAnnivoView::~CAnnivoView() = default;

void CAnnivoView::Reload() {
    LoadReminderList(m_Reminders, m_Clock, m_Prompter);
    Refresh();
}

void CAnnivoView::OfferRows(std::shared_ptr<const std::vector<ShownReminder>> rows,
                            const DateTime& madeAt) {
    m_OfferedRows = std::move(rows);
    m_OfferedAt = madeAt;
}

void CAnnivoView::Refresh() {
    m_OfferedRows.reset(); // the records they were made from have changed
    // A hidden list is filled when it is shown (showEvent). At start-up the
    // rows of every person would otherwise be built twice: once before the
    // window appears and again as it does.
    if (isVisible())
        FillRows();
    if (m_RestartTimer)
        m_RestartTimer();
}

void CAnnivoView::showEvent(QShowEvent* event) {
    // The reminder check changes states while another view is shown.
    FillRows();
    CMainView::showEvent(event);
}

void CAnnivoView::FillRows() {
    // Rows offered for this very second are what would be made now; made at
    // another second, a state, colour or count of days may have moved on.
    const DateTime now = m_Clock.Now();
    std::shared_ptr<const std::vector<ShownReminder>> shown = std::exchange(m_OfferedRows, nullptr);
    if (!shown || m_OfferedAt != now) {
        SortByBirthdayThisYear(m_Reminders);
        // The texts of a row are made when it is first shown: of 10,000
        // people a window shows a few dozen.
        shown =
            std::make_shared<const std::vector<ShownReminder>>(ShownReminders(m_Reminders, now));
    }
    std::vector<int> keys;
    keys.reserve(shown->size());
    std::vector<QColor> colours(shown->size()); // by position, which numbers the rows from 0
    for (const ShownReminder& row : *shown) {
        keys.push_back(row.position);
        colours.at(static_cast<std::size_t>(row.position)) =
            QColor(row.colour.red, row.colour.green, row.colour.blue);
    }
    m_List->SetRows(std::move(keys), [shown](int i) {
        std::array<std::string, kReminderColumnCount> cells = ReminderCells((*shown)[i]);
        return CSortListCtrl::Row(std::make_move_iterator(cells.begin()),
                                  std::make_move_iterator(cells.end()));
    });
    m_List->SetRowBkColors(std::move(colours));
}

bool CAnnivoView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_List && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && HasSelection()) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                return RunCommand(kCmdModify);
            if (key->key() == Qt::Key_Delete)
                return RunCommand(kCmdDelete);
        }
    }
    return CMainView::eventFilter(watched, event);
}

bool CAnnivoView::HasSelection() const {
    return m_List->GetSelectionMark() >= 0;
}

std::string CAnnivoView::SelectedText(int column) const {
    return m_List->GetItemText(m_List->GetSelectionMark(), column);
}

std::unique_ptr<QMenu> CAnnivoView::MakeContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const bool selected = HasSelection();
    const std::string toggle = ToggleCaption(selected ? SelectedText(kColumnState) : "");
    for (auto [id, caption] : {std::pair<int, std::string>{kCmdNewReminder, "新增提醒(&N)"},
                               {kCmdModify, "修改(&M)"},
                               {kCmdDelete, "删除(&D)"},
                               {kCmdEnable, toggle}}) {
        QAction* action = menu->addAction(Q(caption));
        action->setData(id);
        action->setEnabled(id == kCmdNewReminder || selected);
    }
    return menu;
}

bool CAnnivoView::RunCommand(int commandId) {
    switch (commandId) {
    case kCmdNewReminder: AddReminder(); return true;
    case kCmdModify: EditReminder(); return true;
    case kCmdDelete: DeleteSelected(); return true;
    case kCmdEnable: ToggleSelected(); return true;
    default: return false;
    }
}

void CAnnivoView::AddReminder() {
    CReminderDlg dialog(NewReminderForm(m_Clock.Now()), m_Prompter, window());
    dialog.SetLinkOpener(m_LinkOpener);
    if (dialog.exec() == QDialog::Accepted) {
        Reload();
        emit PeopleEdited();
    }
}

void CAnnivoView::EditReminder() {
    if (!HasSelection())
        return;
    const int id = static_cast<int>(LeadingInteger(SelectedText(kColumnId)));
    ReminderForm form = EditReminderForm(id, SelectedText(kColumnName), SelectedText(kColumnState),
                                         SelectedText(kColumnCalendar) == "阴历",
                                         BirthFromListText(SelectedText(kColumnBirth)), m_Prompter);
    CReminderDlg dialog(std::move(form), m_Prompter, window());
    dialog.SetLinkOpener(m_LinkOpener);
    if (dialog.exec() == QDialog::Accepted) {
        Reload();
        emit PeopleEdited();
    }
}

void CAnnivoView::DeleteSelected() {
    if (!HasSelection())
        return;
    if (DeleteReminder(SelectedText(kColumnId), SelectedText(kColumnName), m_Prompter)) {
        Reload();
        emit PeopleEdited();
    }
}

void CAnnivoView::ToggleSelected() {
    if (!HasSelection())
        return;
    const int row = m_List->GetSelectionMark();
    ToggleReminder(static_cast<int>(LeadingInteger(SelectedText(kColumnId))),
                   SelectedText(kColumnState), m_Prompter);
    Reload();
    emit PeopleEdited();
    m_List->SetSelectionMark(row);
}
