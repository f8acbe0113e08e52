#include "views/CFestivalDlg.h"

#include "controls/ByteLimitValidator.h"
#include "controls/QtText.h"
#include "controls/ResourceImages.h"
#include "ui_CFestivalDlg.h"
#include "views/FestivalEditor.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

// Selects the entry that reads exactly `text` ("1" is not "10"); a text the
// box does not offer leaves its selection as it is, so it is never empty.
void SelectText(QComboBox* combo, const std::string& text) {
    const int index = combo->findText(Q(text), Qt::MatchExactly);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

} // namespace

CFestivalDlg::CFestivalDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::CFestivalDlg>()), m_Prompter(prompter) {
    m_Ui->setupUi(this);
    Ui::CFestivalDlg& ui = *m_Ui;
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ui.addButton->SetImage(kBitmapConfirm, 18, 18, 0);
    ui.updateButton->SetImage(kBitmapUpdate, 18, 18, 3);
    ui.deleteButton->SetImage(kBitmapExit, 18, 18, 0);
    ui.okButton->SetImage(kBitmapConfirm, 18, 18, 3);
    ui.cancelButton->SetImage(kBitmapExit, 18, 18, 3);
    ui.okButton->setDefault(true);

    ui.nameEdit->setValidator(new ByteLimitValidator(kFestivalNameLimit, ui.nameEdit));
    ui.nameEdit->setMinimumWidth(
        fontMetrics().horizontalAdvance(QString::fromUtf8("一二三四五六七八九十")) + 12);
    // Every box starts on its first entry: no row is ever stored without a
    // class, a calendar, a month or a day.
    ui.calendarCombo->addItems({QString::fromUtf8("阴历"), QString::fromUtf8("阳历")});
    for (int month = 1; month <= 12; ++month)
        ui.monthCombo->addItem(QString::number(month));
    for (int day = 1; day <= 31; ++day)
        ui.dayCombo->addItem(QString::number(day));
    for (const char* label : kFestivalClassLabels)
        ui.classCombo->addItem(QString::fromUtf8(label));
    for (QComboBox* combo : {ui.calendarCombo, ui.monthCombo, ui.dayCombo, ui.classCombo}) {
        combo->setCurrentIndex(0);
        combo->installEventFilter(this);
    }
    ui.nameEdit->installEventFilter(this);

    const FestivalOptions options = ReadFestivalOptions();
    ui.solarTermsCheck->setChecked(options.solarTerms);
    ui.birthdaysCheck->setChecked(options.birthdays);

    CSortListCtrl& list = *ui.festivalList;
    list.InsertColumn(QString::fromUtf8("编号"), 0, SortKind::Numeric);
    list.InsertColumn(QString::fromUtf8("类别"), 80, SortKind::Text);
    list.InsertColumn(QString::fromUtf8("节日名称"), 65, SortKind::Text);
    list.InsertColumn(QString::fromUtf8("阴阳历"), 48, SortKind::Text);
    list.InsertColumn(QString::fromUtf8("月"), 35, SortKind::Numeric);
    list.InsertColumn(QString::fromUtf8("日"), 35, SortKind::Numeric);
    // Long names take what width the list has beyond the fixed columns.
    list.horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    list.horizontalHeader()->setMinimumSectionSize(35);
    list.setMinimumWidth(80 + 65 + 48 + 35 + 35 + list.verticalScrollBar()->sizeHint().width() +
                         2 * list.frameWidth() + 40);
    list.setMinimumHeight(fontMetrics().height() * 16);

    connect(&list, &CSortListCtrl::SelectionMarkChanged, this, &CFestivalDlg::ShowRow);
    // A click on the selected row brings its stored values back into the fields.
    connect(&list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { ShowRow(index.row()); });
    connect(ui.nameEdit, &QLineEdit::textChanged, this, &CFestivalDlg::UpdateButtons);
    connect(ui.addButton, &QPushButton::clicked, this, &CFestivalDlg::OnAdd);
    connect(ui.updateButton, &QPushButton::clicked, this, &CFestivalDlg::OnUpdate);
    connect(ui.deleteButton, &QPushButton::clicked, this, &CFestivalDlg::OnDelete);
    connect(ui.okButton, &QPushButton::clicked, this, &CFestivalDlg::accept);
    connect(ui.cancelButton, &QPushButton::clicked, this, &CFestivalDlg::reject);

    FillList();
    UpdateButtons();
    ui.nameEdit->setFocus();
}

CFestivalDlg::~CFestivalDlg() = default;

FestivalForm CFestivalDlg::Form() const {
    const Ui::CFestivalDlg& ui = *m_Ui;
    FestivalForm form;
    form.name = ui.nameEdit->text().toStdString();
    form.festivalClass = ui.classCombo->currentIndex();
    form.calendar = ui.calendarCombo->currentIndex();
    form.month = ui.monthCombo->currentIndex() + 1;
    form.day = ui.dayCombo->currentIndex() + 1;
    return form;
}

void CFestivalDlg::FillList() {
    std::optional<std::vector<FestivalRow>> rows = ReadFestivalList(m_Prompter);
    if (!rows)
        return;
    std::vector<CSortListCtrl::Row> texts;
    texts.reserve(rows->size());
    for (const FestivalRow& row : *rows)
        texts.push_back(FestivalListTexts(row));
    m_Ui->festivalList->SetRows(std::move(texts)); // selects nothing
}

void CFestivalDlg::ShowRow(int row) {
    const CSortListCtrl& list = *m_Ui->festivalList;
    if (row < 0 || row >= list.GetItemCount()) {
        m_CurrentKey = 0;
        m_StoredName.clear();
        UpdateButtons();
        return;
    }
    m_CurrentKey = static_cast<int>(LeadingInteger(list.GetItemText(row, 0)));
    m_StoredName = list.GetItemText(row, 2);
    m_Ui->nameEdit->setText(Q(m_StoredName));
    m_Ui->nameEdit->setCursorPosition(0); // a long name shows its beginning
    SelectText(m_Ui->calendarCombo, list.GetItemText(row, 3));
    SelectText(m_Ui->monthCombo, list.GetItemText(row, 4));
    SelectText(m_Ui->dayCombo, list.GetItemText(row, 5));
    SelectText(m_Ui->classCombo, list.GetItemText(row, 1));
    UpdateButtons();
}

void CFestivalDlg::SelectKey(int key) {
    const CSortListCtrl& list = *m_Ui->festivalList;
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (LeadingInteger(list.GetItemText(row, 0)) == key) {
            m_Ui->festivalList->SetSelectionMark(row);
            return;
        }
}

void CFestivalDlg::UpdateButtons() {
    const bool named = !m_Ui->nameEdit->text().isEmpty();
    const bool selected = m_CurrentKey != 0;
    m_Ui->addButton->setEnabled(named);
    m_Ui->updateButton->setEnabled(named && selected);
    m_Ui->deleteButton->setEnabled(selected);
}

void CFestivalDlg::OnAdd() {
    if (!m_Ui->addButton->isEnabled() || !AddFestival(Form(), m_Prompter))
        return;
    FillList();
    // The new row has the highest key: show where it went.
    int newest = 0;
    const CSortListCtrl& list = *m_Ui->festivalList;
    for (int row = 0; row < list.GetItemCount(); ++row)
        newest = std::max(newest, static_cast<int>(LeadingInteger(list.GetItemText(row, 0))));
    SelectKey(newest);
}

void CFestivalDlg::OnUpdate() {
    if (!m_Ui->updateButton->isEnabled())
        return;
    const int key = m_CurrentKey;
    if (!UpdateFestival(key, m_StoredName, Form(), m_Prompter))
        return;
    FillList();
    SelectKey(key);
}

void CFestivalDlg::OnDelete() {
    if (!m_Ui->deleteButton->isEnabled() || !DeleteFestival(m_CurrentKey, m_Prompter))
        return;
    FillList();
    ShowRow(-1); // the row is gone: nothing left to update or delete
}

void CFestivalDlg::accept() {
    FestivalOptions options;
    options.solarTerms = m_Ui->solarTermsCheck->isChecked();
    options.birthdays = m_Ui->birthdaysCheck->isChecked();
    if (WriteFestivalOptions(options, m_Prompter))
        QDialog::accept();
}

bool CFestivalDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the editing fields means the festival typed there, not 确认.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            OnAdd();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
