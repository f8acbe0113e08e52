#include "views/CAvAddressList.h"

#include "controls/ByteLimitValidator.h"
#include "controls/CBirthDateEdit.h"
#include "controls/CHyperLink.h"
#include "controls/FrameCommands.h"
#include "controls/QtText.h"
#include "exchange/VCardExchange.h"
#include "platform/Prompter.h"
#include "platform/TrimSpace.h"
#include "ui_CAvAddressList.h"
#include "views/AddressBook.h"

#include <QBoxLayout>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>
#include <limits>

namespace {

// The date field's lowest value stands for "no birth date"; real dates start
// the day after, early enough for any date a row can hold.
const QDate kNoDate(1, 1, 1);

void ShowChoice(QComboBox* combo, const ListChoice& choice) {
    combo->clear();
    for (std::size_t i = 0; i < choice.labels.size(); ++i)
        combo->addItem(Q(choice.labels[i]), Q(choice.values[i]));
    combo->setCurrentIndex(static_cast<int>(choice.selected));
}

// The calendar list goes before the date it decides how to enter, and the
// date's Gregorian day after it, where the row has them side by side.
void PlaceBirthEntry(QComboBox* calendar, CBirthDateEdit* entry) {
    QLabel* equivalent = entry->EquivalentLabel();
    QWidget* parent = entry->parentWidget();
    const auto rows = parent ? parent->findChildren<QBoxLayout*>() : QList<QBoxLayout*>();
    // Kept apart from the fields on either side.
    const int gap = equivalent->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (QBoxLayout* row : rows) {
        if (row->indexOf(entry) < 0)
            continue;
        if (row->indexOf(calendar) >= 0) {
            row->removeWidget(calendar);
            row->insertWidget(row->indexOf(entry), calendar);
            row->insertSpacing(row->indexOf(entry), gap / 2);
        }
        row->insertWidget(row->indexOf(entry) + 1, equivalent);
        equivalent->setIndent(gap / 2);
        row->insertSpacing(row->indexOf(equivalent) + 1, gap);
        equivalent->show();
        return;
    }
}

} // namespace

CAvAddressList::CAvAddressList(Prompter& prompter, std::function<void()> peopleChanged,
                               QWidget* parent)
    : CMainView(kViewAddressBook, QString::fromUtf8(kAddressBookHint), parent),
      m_Ui(std::make_unique<Ui::CAvAddressList>()), m_Prompter(prompter),
      m_PeopleChanged(std::move(peopleChanged)) {
    auto* content = new QWidget;
    m_Ui->setupUi(content);
    SetContent(content);
    Ui::CAvAddressList& ui = *m_Ui;

    HintLine()->setAutoFillBackground(true);
    QPalette hint = HintLine()->palette();
    hint.setColor(QPalette::Window, QColor(255, 128, 255));
    hint.setColor(QPalette::WindowText, Qt::black);
    HintLine()->setPalette(hint);

    const std::vector<QLineEdit*> edits = TextEdits();
    for (std::size_t i = 0; i < edits.size(); ++i) {
        // The validators limit typing; a longer stored text (QQ/MSN has no
        // limit) must come back whole, past QLineEdit's own 32767.
        edits[i]->setMaxLength(std::numeric_limits<int>::max());
        if (const std::size_t limit = ContactTextLimit(static_cast<ContactText>(i)))
            edits[i]->setValidator(new ByteLimitValidator(limit, edits[i]));
    }
    // Wide enough for a full address; the tree takes what is left.
    const QFontMetrics metrics = fontMetrics();
    ui.nameEdit->setMinimumWidth(metrics.horizontalAdvance(QString(16, QChar(0x4E00))));
    ui.contactTree->setMinimumWidth(metrics.horizontalAdvance(QString(10, QChar(0x4E00))));
    ui.birthEdit->setDateRange(kNoDate, QDate(9999, 12, 31));
    ui.birthEdit->setSpecialValueText(QString::fromUtf8("(无日期)"));
    // A digit's room more than the style gives, so that no date touches the arrow.
    ui.birthEdit->setMinimumWidth(ui.birthEdit->sizeHint().width() +
                                  metrics.horizontalAdvance(QLatin1Char('0')));
    // From "no date" the arrows and the calendar start at today, not in year 1.
    ui.birthEdit->installEventFilter(this);
    ui.birthEdit->calendarWidget()->installEventFilter(this);
    m_Birth = new CBirthDateEdit(ui.birthEdit);
    PlaceBirthEntry(ui.calendarCombo, m_Birth);
    ui.birthLabel->setBuddy(m_Birth);
    setTabOrder(ui.nameEdit, ui.calendarCombo);
    setTabOrder(ui.calendarCombo, ui.birthEdit);
    setTabOrder(ui.birthEdit, m_Birth->LunarYearEdit());
    setTabOrder(m_Birth->LunarYearEdit(), m_Birth->LunarMonthCombo());
    setTabOrder(m_Birth->LunarMonthCombo(), m_Birth->LunarDayCombo());
    setTabOrder(m_Birth->LunarDayCombo(), ui.remindCheck);
    connect(ui.calendarCombo, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_ShowingBirth)
            m_Birth->SetLunar(S(m_Ui->calendarCombo->currentData().toString()) == "阴历");
    });
    // The search box shows its hint, or a name of a few characters, whole.
    ui.searchEdit->setMinimumWidth(metrics.horizontalAdvance(ui.searchEdit->placeholderText()) +
                                   ui.searchEdit->sizeHint().height());
    // Room for a group from outside the four when a contact brings one.
    ui.groupCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // Enter on a button presses it, as in a dialog.
    for (QPushButton* button :
         {ui.searchButton, ui.addButton, ui.clearButton, ui.deleteButton, ui.updateButton,
          ui.previousButton, ui.nextButton, ui.importCardsButton, ui.exportCardsButton})
        button->setAutoDefault(true);

    connect(ui.contactTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
    connect(ui.searchButton, &QPushButton::clicked, this, &CAvAddressList::Search);
    connect(ui.addButton, &QPushButton::clicked, this, &CAvAddressList::Add);
    connect(ui.clearButton, &QPushButton::clicked, this, &CAvAddressList::Clear);
    connect(ui.updateButton, &QPushButton::clicked, this, &CAvAddressList::Update);
    connect(ui.deleteButton, &QPushButton::clicked, this, &CAvAddressList::Delete);
    connect(ui.previousButton, &QPushButton::clicked, this, &CAvAddressList::Previous);
    connect(ui.nextButton, &QPushButton::clicked, this, &CAvAddressList::Next);
    connect(ui.importCardsButton, &QPushButton::clicked, this, &CAvAddressList::ImportCards);
    connect(ui.exportCardsButton, &QPushButton::clicked, this,
            [this] { RunVCardExport(m_Prompter); });

    // Initial update: every person in the tree, and a blank form ready for a
    // new contact.
    FillTree();
    ShowContact();
    setFocusProxy(ui.nameEdit);
}

CAvAddressList::~CAvAddressList() = default;

void CAvAddressList::ImportCards() {
    if (!RunVCardImport(m_Prompter))
        return;
    Refresh();
    // The contact on show may have had empty fields filled: an 更新 of the
    // old form would empty them again.
    if (!m_CurrentName.empty() && !m_CurrentIsGroup)
        ShowContact();
    if (m_PeopleChanged)
        m_PeopleChanged();
}

std::vector<QLineEdit*> CAvAddressList::TextEdits() const {
    const Ui::CAvAddressList& ui = *m_Ui;
    // In ContactText order.
    return {ui.nameEdit,     ui.mobileEdit,     ui.emailEdit,    ui.qqEdit,
            ui.companyEdit,  ui.departmentEdit, ui.positionEdit, ui.compTelEdit,
            ui.compAddrEdit, ui.faxEdit,        ui.homeTelEdit,  ui.homeAddrEdit};
}

ContactForm CAvAddressList::Form() const {
    const Ui::CAvAddressList& ui = *m_Ui;
    ContactForm form;
    const std::vector<QLineEdit*> edits = TextEdits();
    for (std::size_t i = 0; i < edits.size(); ++i)
        form.texts[i] = S(edits[i]->text());
    // A date the user left as it was shown is the stored one, time of day
    // included, even where the field cannot show it.
    const BirthDate birth = m_Birth->Date();
    form.birth = birth == m_ShownBirth ? m_Shown.birth : birth;
    form.calendar = S(ui.calendarCombo->currentData().toString());
    form.remind = ui.remindCheck->isChecked();
    form.group = S(ui.groupCombo->currentData().toString());
    return form;
}

void CAvAddressList::FillTree() {
    QTreeWidget* tree = m_Ui->contactTree;
    std::optional<std::vector<ContactGroup>> groups = LoadContactTree(m_Prompter);
    if (!groups)
        return;
    // Refilling is not the user choosing a node.
    const QSignalBlocker blocker(tree);
    tree->clear();
    m_Tree = std::move(*groups);
    QList<QTreeWidgetItem*> top;
    top.reserve(static_cast<qsizetype>(m_Tree.size()));
    for (const ContactGroup& group : m_Tree) {
        // Reminders added in the reminder editor have no group.
        auto* node = new QTreeWidgetItem(
            QStringList(group.group.empty() ? QString::fromUtf8(kNoGroupName) : Q(group.group)));
        QList<QTreeWidgetItem*> children;
        children.reserve(static_cast<qsizetype>(group.names.size()));
        for (const std::string& name : group.names)
            children.append(new QTreeWidgetItem(QStringList(Q(name))));
        node->addChildren(children);
        top.append(node);
    }
    tree->addTopLevelItems(top);
}

void CAvAddressList::Refresh() {
    FillTree();
    if (m_CurrentName.empty())
        return;
    std::optional<ContactNode> node;
    if (!m_CurrentIsGroup) {
        node = FindContactNode(m_Tree, m_CurrentName);
    } else {
        for (std::size_t g = 0; g < m_Tree.size(); ++g)
            if (m_Tree[g].group == m_CurrentName)
                node = ContactNode{static_cast<int>(g), -1};
    }
    QTreeWidgetItem* item = node ? ItemOf(*node) : nullptr;
    if (item == nullptr)
        return;
    if (QTreeWidgetItem* parent = item->parent())
        parent->setExpanded(true);
    // Selecting it again is not the user choosing it: the form stays as it is.
    const QSignalBlocker blocker(m_Ui->contactTree);
    m_Ui->contactTree->setCurrentItem(item);
}

void CAvAddressList::OnCurrentItemChanged(QTreeWidgetItem* current) {
    const std::optional<ContactNode> node = NodeOf(current);
    m_CurrentIsGroup = node && node->child < 0;
    if (!node)
        m_CurrentName.clear();
    else if (m_CurrentIsGroup)
        m_CurrentName = m_Tree[static_cast<std::size_t>(node->group)].group;
    else
        m_CurrentName = S(current->text(0));
    ShowContact();
}

void CAvAddressList::ShowContact() {
    ContactLookup lookup;
    // A group node is never a contact, even where a person bears its name.
    if (!m_CurrentName.empty() && !m_CurrentIsGroup)
        lookup = LookUpContact(m_CurrentName, m_Prompter);
    if (lookup.result == LookupResult::Failed)
        return;
    if (lookup.result == LookupResult::NotFound) {
        // A group node: the next new contact goes into that group.
        ClearForm(m_CurrentIsGroup ? m_CurrentName : std::string());
        return;
    }
    ShowForm(lookup.form);
}

void CAvAddressList::ShowForm(const ContactForm& form) {
    Ui::CAvAddressList& ui = *m_Ui;
    ShowChoice(ui.groupCombo, ChooseGroup(form.group));
    m_ShowingBirth = true;
    ShowChoice(ui.calendarCombo, ChooseCalendar(form.calendar));
    const std::vector<QLineEdit*> edits = TextEdits();
    for (std::size_t i = 0; i < edits.size(); ++i) {
        edits[i]->setText(Q(form.texts[i]));
        edits[i]->setCursorPosition(0); // a long address shows its beginning
    }
    ui.remindCheck->setChecked(form.remind);
    m_Shown = form;
    ShowBirth(form.birth, form.calendar);
    SetContactShown(true);
}

void CAvAddressList::ClearForm(const std::string& group) {
    Ui::CAvAddressList& ui = *m_Ui;
    for (QLineEdit* edit : TextEdits())
        edit->clear();
    ShowChoice(ui.groupCombo, ChooseGroup(group));
    m_ShowingBirth = true;
    ShowChoice(ui.calendarCombo, ChooseCalendar(CalendarEntries().front()));
    ui.remindCheck->setChecked(true);
    m_Shown = ContactForm();
    ShowBirth(m_Shown.birth, CalendarEntries().front());
    SetContactShown(false);
}

void CAvAddressList::ShowBirth(const BirthDate& birth, const std::string& calendar) {
    // A date the field cannot hold shows as none; Form() still keeps it.
    m_Birth->SetDate(birth, calendar == "阴历");
    m_ShownBirth = m_Birth->Date();
    m_ShowingBirth = false;
}

void CAvAddressList::SetContactShown(bool shown) {
    m_Ui->updateButton->setEnabled(shown);
    m_Ui->deleteButton->setEnabled(shown);
}

std::optional<ContactNode> CAvAddressList::NodeOf(QTreeWidgetItem* item) const {
    if (item == nullptr)
        return std::nullopt;
    const QTreeWidget* tree = m_Ui->contactTree;
    if (QTreeWidgetItem* parent = item->parent())
        return ContactNode{tree->indexOfTopLevelItem(parent), parent->indexOfChild(item)};
    return ContactNode{tree->indexOfTopLevelItem(item), -1};
}

QTreeWidgetItem* CAvAddressList::ItemOf(const ContactNode& node) const {
    QTreeWidgetItem* group = m_Ui->contactTree->topLevelItem(node.group);
    if (group == nullptr || node.child < 0)
        return group;
    return group->child(node.child);
}

void CAvAddressList::SelectNode(const std::optional<ContactNode>& node) {
    QTreeWidget* tree = m_Ui->contactTree;
    QTreeWidgetItem* item = node ? ItemOf(*node) : nullptr;
    if (item == nullptr) {
        tree->clearSelection();
        if (tree->currentItem() != nullptr)
            tree->setCurrentItem(nullptr);
        else
            OnCurrentItemChanged(nullptr);
        return;
    }
    if (QTreeWidgetItem* parent = item->parent())
        parent->setExpanded(true);
    if (tree->currentItem() == item)
        OnCurrentItemChanged(item); // show it again, as read now
    else
        tree->setCurrentItem(item);
    item->setSelected(true);
    tree->scrollToItem(item);
}

void CAvAddressList::RefillAndSelect(const std::string& name) {
    FillTree();
    QTreeWidget* tree = m_Ui->contactTree;
    if (QTreeWidgetItem* first = tree->topLevelItem(0))
        first->setExpanded(false);
    SelectNode(FindContactNode(m_Tree, name));
}

void CAvAddressList::Add() {
    const ContactForm form = Form();
    const WriteOutcome outcome = AddContact(form, m_Prompter);
    if (outcome == WriteOutcome::Refused && form.Name().empty())
        m_Ui->nameEdit->setFocus();
    ShowWritten(outcome, form.Name());
}

void CAvAddressList::Update() {
    const ContactForm form = Form();
    const WriteOutcome outcome = UpdateContact(form, m_Shown, m_Prompter);
    if (outcome == WriteOutcome::Refused)
        m_Ui->nameEdit->setFocus();
    ShowWritten(outcome, form.Name());
}

void CAvAddressList::ShowWritten(WriteOutcome outcome, const std::string& name) {
    if (outcome != WriteOutcome::Written)
        return;
    RefillAndSelect(name);
    if (m_PeopleChanged)
        m_PeopleChanged();
}

void CAvAddressList::Delete() {
    const std::string name = m_Shown.Name();
    if (DeleteContact(name, m_Prompter) != WriteOutcome::Written)
        return;
    QTreeWidget* tree = m_Ui->contactTree;
    // The node goes; its group stays until the tree is filled again. The
    // neighbour below it, else above it, else its group takes the selection.
    std::optional<ContactNode> neighbour;
    if (const std::optional<ContactNode> node = NodeOf(tree->currentItem()); node) {
        const QSignalBlocker blocker(tree);
        QTreeWidgetItem* item = tree->currentItem();
        if (node->child >= 0) {
            std::vector<std::string>& names = m_Tree[static_cast<std::size_t>(node->group)].names;
            names.erase(names.begin() + node->child);
            const int left = static_cast<int>(names.size());
            neighbour = left == 0 ? ContactNode{node->group, -1}
                                  : ContactNode{node->group, std::min(node->child, left - 1)};
        } else {
            m_Tree.erase(m_Tree.begin() + node->group);
            if (!m_Tree.empty())
                neighbour =
                    ContactNode{std::min(node->group, static_cast<int>(m_Tree.size()) - 1), -1};
        }
        delete item;
    }
    SelectNode(neighbour);
    tree->setFocus();
    if (m_PeopleChanged)
        m_PeopleChanged();
}

void CAvAddressList::Previous() {
    QTreeWidget* tree = m_Ui->contactTree;
    const std::optional<ContactNode> from = NodeOf(tree->currentItem());
    std::optional<ContactNode> to;
    if (from)
        to = PreviousContactNode(m_Tree, *from);
    else if (!m_Tree.empty()) // nothing selected: start from the bottom
        to = ContactNode{static_cast<int>(m_Tree.size()) - 1,
                         static_cast<int>(m_Tree.back().names.size()) - 1};
    SelectNode(to);
    tree->setFocus();
}

void CAvAddressList::Next() {
    QTreeWidget* tree = m_Ui->contactTree;
    const std::optional<ContactNode> from = NodeOf(tree->currentItem());
    std::optional<ContactNode> to;
    if (from)
        to = NextContactNode(m_Tree, *from);
    else if (!m_Tree.empty()) // nothing selected: start from the top
        to = ContactNode{0, -1};
    SelectNode(to);
    tree->setFocus();
}

void CAvAddressList::Search() {
    QTreeWidget* tree = m_Ui->contactTree;
    QLineEdit* searchEdit = m_Ui->searchEdit;
    const std::string text = S(searchEdit->text());
    if (TrimSpace(text).empty()) {
        m_Prompter.Tell("请输入要搜索的姓名或姓名中的字。");
        searchEdit->setFocus();
        return;
    }
    const std::vector<ContactNode> found = SearchContactNodes(m_Tree, text);
    // 搜索 again for the same text goes on to the next contact found.
    std::size_t next = 0;
    if (const std::optional<ContactNode> current = NodeOf(tree->currentItem());
        current && text == m_SearchedText) {
        const auto at = std::find(found.begin(), found.end(), *current);
        if (at != found.end())
            next = static_cast<std::size_t>(at - found.begin() + 1) % found.size();
    }
    m_SearchedText = text;
    if (QTreeWidgetItem* first = tree->topLevelItem(0))
        first->setExpanded(false);
    if (found.empty()) {
        SelectNode(std::nullopt);
        m_Prompter.Tell(NoContactFoundText(text));
        searchEdit->setFocus();
        searchEdit->selectAll();
        return;
    }
    // Every contact found is in sight, the chosen one selected.
    for (const ContactNode& node : found)
        tree->topLevelItem(node.group)->setExpanded(true);
    SelectNode(found[next]);
    if (found.size() > 1)
        HintLine()->setText(
            QString::fromUtf8("找到 %1 个联络人，再按“搜索”看下一个。").arg(found.size()));
    tree->setFocus();
}

void CAvAddressList::Clear() {
    const std::optional<ContactNode> node = NodeOf(m_Ui->contactTree->currentItem());
    if (node && node->child < 0)
        ShowContact(); // the group node stays chosen, and its group with it
    else
        SelectNode(std::nullopt);
    m_Ui->nameEdit->setFocus();
}

void CAvAddressList::showEvent(QShowEvent* event) {
    CMainView::showEvent(event);
    if (event->spontaneous())
        return;
    // The reminder editor, the list and an import change people while
    // another view is shown: show them as they are now. A new contact being
    // typed stays as it is.
    if (m_ShownBefore) {
        const std::string shown = m_Shown.Name();
        FillTree();
        if (!shown.empty()) {
            const std::optional<ContactNode> node = FindContactNode(m_Tree, shown);
            SelectNode(node);
        }
    }
    m_ShownBefore = true;
    if (m_Shown.Name().empty())
        m_Ui->nameEdit->setFocus();
    else
        m_Ui->contactTree->setFocus();
}

void CAvAddressList::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        CMainView::keyPressEvent(event);
        return;
    }
    const QWidget* focus = focusWidget();
    if (focus == m_Ui->searchEdit)
        Search();
    else if (focus == m_Ui->contactTree)
        m_Ui->nameEdit->setFocus(); // from the list to the details
    else if (m_Ui->updateButton->isEnabled())
        Update();
    else
        Add();
}

bool CAvAddressList::eventFilter(QObject* watched, QEvent* event) {
    QDateEdit* edit = m_Ui->birthEdit;
    if (edit->date() != kNoDate)
        return CMainView::eventFilter(watched, event);
    const QDate today = QDate::currentDate();
    if (watched == edit->calendarWidget() && event->type() == QEvent::Show) {
        // The calendar opens on this month; the date stays none until one is clicked.
        edit->calendarWidget()->setCurrentPage(today.year(), today.month());
    } else if (watched == edit) {
        // Typing a date over "no date" starts with today's, its year selected.
        if (event->type() == QEvent::KeyPress) {
            const QString typed = static_cast<QKeyEvent*>(event)->text();
            if (typed.size() == 1 && typed.at(0).isDigit()) {
                edit->setDate(today);
                edit->setSelectedSection(QDateTimeEdit::YearSection);
                return false;
            }
        }
        if (IsDateStepEvent(event)) {
            edit->setDate(today);
            return true;
        }
    }
    return CMainView::eventFilter(watched, event);
}
