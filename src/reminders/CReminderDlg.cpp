#include "reminders/CReminderDlg.h"

#include "controls/ByteLimitValidator.h"
#include "controls/CBirthDateEdit.h"
#include "controls/QtText.h"
#include "controls/ResourceImages.h"
#include "reminders/ReminderEditor.h"
#include "settings/Globals.h"
#include "ui_CReminderDlg.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>

#include <algorithm>

namespace {

// A blessing wrapped into short lines for its radio button.
QString Wrapped(const char* blessing, int perLine) {
    const QString text = QString::fromUtf8(blessing).trimmed();
    QString wrapped;
    for (int i = 0; i < text.size(); i += perLine) {
        if (i > 0)
            wrapped += '\n';
        // A closing mark is not left alone on the last line.
        if (text.size() - i - perLine == 1 && text.back().isPunct()) {
            wrapped += text.mid(i);
            break;
        }
        wrapped += text.mid(i, perLine);
    }
    return wrapped;
}

// The date editor's minimum stands for "no date" and shows as such: a row
// may be stored without a birth date, and any other date could be taken
// for the person's. The earliest date the editor can hold.
const QDate kNoDate(100, 1, 1);
const QDate kLatestBirth(2099, 12, 31);

QDate ToQDate(const BirthDate& date) {
    if (!date.IsValid())
        return kNoDate;
    const QDate shown(date.Year(), date.Month(), std::min(date.Day(), 28));
    return shown > kNoDate ? shown : kNoDate;
}

} // namespace

CReminderDlg::CReminderDlg(ReminderForm form, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::CReminderDlg>()),
      m_Form(std::make_unique<ReminderForm>(std::move(form))), m_Prompter(prompter),
      m_LinkOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    m_Ui->setupUi(this);
    Ui::CReminderDlg& ui = *m_Ui;
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ui.okButton->SetImage(kBitmapConfirm, 18, 18, 3);
    ui.cancelButton->SetImage(kBitmapExit, 18, 18, 3);
    ui.okButton->setDefault(true);
    ui.nameEdit->setValidator(new ByteLimitValidator(kNameLimit, ui.nameEdit));
    ui.mobileEdit->setValidator(new ByteLimitValidator(kMobileLimit, ui.mobileEdit));
    ui.birthEdit->setMinimumDate(kNoDate);
    // A later stored date is shown as it is, not as the last one offered.
    ui.birthEdit->setMaximumDate(std::max(kLatestBirth, ToQDate(m_Form->birth)));
    ui.birthEdit->setSpecialValueText(QString::fromUtf8("(无日期)"));
    ui.birthEdit->installEventFilter(this);
    ui.birthEdit->calendarWidget()->installEventFilter(this);
    m_Birth = new CBirthDateEdit(ui.birthEdit);
    // The Gregorian day of a lunar date goes under it, where the column has room.
    ui.personGrid->addWidget(m_Birth->EquivalentLabel(), 3, 1);
    m_Birth->EquivalentLabel()->show();
    setTabOrder(ui.lunarRadio, ui.birthEdit);
    setTabOrder(ui.birthEdit, m_Birth->LunarYearEdit());
    setTabOrder(m_Birth->LunarYearEdit(), m_Birth->LunarMonthCombo());
    setTabOrder(m_Birth->LunarMonthCombo(), m_Birth->LunarDayCombo());
    setTabOrder(m_Birth->LunarDayCombo(), ui.mobileEdit);
    setTabOrder(ui.mobileEdit, ui.emailEdit);
    const int fieldWidth =
        fontMetrics().horizontalAdvance(QString::fromUtf8("一二三四五六七八九十"));
    ui.nameEdit->setMinimumWidth(fieldWidth);
    ui.emailEdit->setMinimumWidth(fieldWidth);
    // The body takes whatever height the blessings panel adds beside it.
    ui.contentEdit->setMinimumHeight(fontMetrics().lineSpacing() * 5 + 10);

    QRadioButton* blessings[] = {ui.blessing1Radio, ui.blessing2Radio, ui.blessing3Radio,
                                 ui.blessing4Radio, ui.blessing5Radio, ui.blessing6Radio};
    for (std::size_t i = 0; i < std::size(kBlessings); ++i) {
        blessings[i]->setText(Wrapped(kBlessings[i], 16));
        connect(blessings[i], &QRadioButton::clicked, this,
                [this, i] { m_Ui->contentEdit->setPlainText(QString::fromUtf8(kBlessings[i])); });
    }

    connect(ui.nameEdit, &QLineEdit::textChanged, this,
            [this](const QString& name) { m_Ui->okButton->setEnabled(!name.isEmpty()); });
    connect(ui.lunarRadio, &QRadioButton::toggled, this, [this](bool lunar) {
        if (!m_Showing)
            m_Birth->SetLunar(lunar);
    });
    connect(ui.noMusicRadio, &QRadioButton::clicked, this,
            [this] { OnMusicChosen(MusicChoice::None); });
    connect(ui.builtInMusicRadio, &QRadioButton::clicked, this,
            [this] { OnMusicChosen(MusicChoice::BuiltIn); });
    connect(ui.ownMusicRadio, &QRadioButton::clicked, this,
            [this] { OnMusicChosen(MusicChoice::OwnFile); });
    connect(ui.blessingOnRadio, &QRadioButton::clicked, this,
            [this] { OnBlessingSwitched(BlessingChoice::On); });
    connect(ui.blessingOffRadio, &QRadioButton::clicked, this,
            [this] { OnBlessingSwitched(BlessingChoice::Off); });
    connect(ui.blessingsButton, &QPushButton::clicked, this, &CReminderDlg::ToggleBlessingsPanel);
    connect(ui.moreButton, &QPushButton::clicked, this, [this] {
        if (m_LinkOpener)
            m_LinkOpener(QUrl(Q(g_UrlPath + "bbs/problem.asp?boardid=5&problemID=8")));
    });
    connect(ui.okButton, &QPushButton::clicked, this, &CReminderDlg::accept);
    connect(ui.cancelButton, &QPushButton::clicked, this, &CReminderDlg::reject);

    if (m_Form->editMode) {
        setWindowTitle(QString::fromUtf8("修改提醒"));
        ui.okButton->setText(QString::fromUtf8("确定"));
    }
    ShowForm();
    // Opens narrow: the blessings stay out of the way until asked for.
    ui.dividerLine->hide();
    ui.blessingsPanel->hide();
    ui.nameEdit->setFocus();
}

CReminderDlg::~CReminderDlg() = default;

void CReminderDlg::ShowForm() {
    Ui::CReminderDlg& ui = *m_Ui;
    m_Showing = true;
    ui.nameEdit->setText(Q(m_Form->name));
    ui.nameEdit->setCursorPosition(0); // long values show their beginning
    ui.okButton->setEnabled(!m_Form->name.empty());
    ui.stateCombo->setCurrentIndex(m_Form->stateIndex);
    const bool lunar = m_Form->calendar == CalendarChoice::Lunar;
    (lunar ? ui.lunarRadio : ui.gregorianRadio)->setChecked(true);
    m_Birth->SetDate(m_Form->birth, lunar);
    m_ShownBirth = m_Birth->Date();
    ui.mobileEdit->setText(Q(m_Form->mobile));
    ui.mobileEdit->setCursorPosition(0);
    ui.emailEdit->setText(Q(m_Form->email));
    ui.emailEdit->setCursorPosition(0);
    MusicRadio(m_Form->music)->setChecked(true);
    ui.soundPathEdit->setText(Q(m_Form->soundPath));
    ui.soundPathEdit->setCursorPosition(0);
    ui.aheadCombo->setCurrentIndex(m_Form->aheadDays);
    const bool blessingOn = m_Form->blessing == BlessingChoice::On;
    (blessingOn ? ui.blessingOnRadio : ui.blessingOffRadio)->setChecked(true);
    ui.titleEdit->setText(Q(m_Form->title));
    ui.titleEdit->setCursorPosition(0);
    ui.titleEdit->setReadOnly(!blessingOn);
    ui.contentEdit->setPlainText(Q(m_Form->content));
    m_Showing = false;
}

ReminderForm CReminderDlg::Form() const {
    const Ui::CReminderDlg& ui = *m_Ui;
    ReminderForm form = *m_Form;
    form.name = S(ui.nameEdit->text());
    form.stateIndex = ui.stateCombo->currentIndex();
    form.calendar = ui.lunarRadio->isChecked() ? CalendarChoice::Lunar : CalendarChoice::Gregorian;
    // The stored value (with its time of day) stays unless another date is shown.
    const BirthDate birth = m_Birth->Date();
    form.birthChanged = birth != m_ShownBirth;
    if (form.birthChanged)
        form.birth = birth;
    form.mobile = S(ui.mobileEdit->text());
    form.email = S(ui.emailEdit->text());
    form.soundPath = S(ui.soundPathEdit->text());
    form.music = MusicChoiceFor(form.soundPath);
    form.aheadDays = ui.aheadCombo->currentIndex();
    form.blessing = ui.blessingOnRadio->isChecked() ? BlessingChoice::On : BlessingChoice::Off;
    form.title = S(ui.titleEdit->text());
    form.content = S(ui.contentEdit->toPlainText());
    return form;
}

QRadioButton* CReminderDlg::MusicRadio(MusicChoice choice) const {
    switch (choice) {
    case MusicChoice::BuiltIn: return m_Ui->builtInMusicRadio;
    case MusicChoice::OwnFile: return m_Ui->ownMusicRadio;
    case MusicChoice::None: break;
    }
    return m_Ui->noMusicRadio;
}

void CReminderDlg::OnMusicChosen(MusicChoice choice) {
    ReminderForm form = Form();
    if (choice == MusicChoice::OwnFile)
        ChooseMusicFile(form, m_Prompter); // Cancel keeps the previous choice
    else
        ChooseMusic(form, choice);
    MusicRadio(form.music)->setChecked(true);
    m_Ui->soundPathEdit->setText(Q(form.soundPath));
    m_Ui->soundPathEdit->setCursorPosition(0);
}

void CReminderDlg::OnBlessingSwitched(BlessingChoice choice) {
    ReminderForm form = Form();
    if (choice == BlessingChoice::On)
        SwitchBlessingOn(form, ReadUserNickname(m_Prompter));
    else
        SwitchBlessingOff(form);
    m_Ui->titleEdit->setText(Q(form.title));
    m_Ui->titleEdit->setCursorPosition(0);
    m_Ui->titleEdit->setReadOnly(choice == BlessingChoice::Off);
    m_Ui->contentEdit->setPlainText(Q(form.content));
}

bool CReminderDlg::BlessingsShown() const {
    return m_Ui->blessingsPanel->isVisibleTo(this);
}

void CReminderDlg::ToggleBlessingsPanel() {
    const bool show = !BlessingsShown();
    m_Ui->dividerLine->setVisible(show);
    m_Ui->blessingsPanel->setVisible(show);
    m_Ui->blessingsButton->setText(QString::fromUtf8(show ? "祝福语<<" : "祝福语>>"));
}

bool CReminderDlg::eventFilter(QObject* watched, QEvent* event) {
    QDateEdit* birthEdit = m_Ui->birthEdit;
    if (birthEdit->date() == kNoDate) {
        // Picking a date starts from today, not from the placeholder's year.
        if (watched == birthEdit && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                key == Qt::Key_PageDown) {
                birthEdit->setDate(QDate::currentDate());
                return true;
            }
        } else if (watched == birthEdit->calendarWidget() && event->type() == QEvent::Show) {
            const QDate today = QDate::currentDate();
            birthEdit->calendarWidget()->setCurrentPage(today.year(), today.month());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CReminderDlg::accept() {
    if (m_Ui->nameEdit->text().isEmpty())
        return; // Enter in an empty form: 添加 is not available yet
    const ReminderForm form = Form();
    switch (SaveReminder(form, m_Prompter)) {
    case SaveOutcome::Saved: QDialog::accept(); return;
    case SaveOutcome::NoBirthDate: m_Birth->setFocus(); return;
    case SaveOutcome::NameTaken:
        m_Ui->nameEdit->setFocus();
        m_Ui->nameEdit->selectAll();
        return;
    case SaveOutcome::Failed: return; // told; everything typed stays for another try
    }
}
