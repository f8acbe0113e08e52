#include "mail/CSettingDlg.h"

#include "controls/ByteLimitValidator.h"
#include "controls/QtText.h"
#include "controls/ResourceImages.h"
#include "mail/PersonalSettings.h"
#include "settings/BuiltInAccount.h"
#include "ui_CSettingDlg.h"

#include <algorithm>

CSettingDlg::CSettingDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::CSettingDlg>()), m_Prompter(prompter) {
    m_Ui->setupUi(this);
    Ui::CSettingDlg& ui = *m_Ui;
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ui.okButton->SetImage(kBitmapConfirm, 18, 18, 3);
    ui.cancelButton->SetImage(kBitmapExit, 18, 18, 3);
    ui.okButton->setDefault(true);
    const std::pair<QLineEdit*, std::size_t> limits[] = {
        {ui.nicknameEdit, kNicknameLimit},    {ui.mobileEdit, kSettingTextLimit},
        {ui.unlockEdit, kSettingTextLimit},   {ui.confirmEdit, kSettingTextLimit},
        {ui.acceptEdit, kAddressLimit},       {ui.emailEdit, kAddressLimit},
        {ui.userNameEdit, kSettingTextLimit}, {ui.passwordEdit, kSettingTextLimit},
    };
    for (auto [edit, limit] : limits)
        edit->setValidator(new ByteLimitValidator(limit, edit));
    const int addressWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("someone.name@example.com"));
    ui.acceptEdit->setMinimumWidth(addressWidth);
    ui.emailEdit->setMinimumWidth(addressWidth);
    // The server's form shows while the field is empty, and whole.
    QLineEdit* serverEdit = ui.serverCombo->lineEdit();
    serverEdit->setPlaceholderText(QString::fromUtf8("smtp.example.com 或 smtp.example.com:465"));
    ui.serverCombo->setMinimumWidth(std::max(
        addressWidth * 2 / 3, fontMetrics().horizontalAdvance(serverEdit->placeholderText()) +
                                  ui.serverCombo->sizeHint().height() * 2));

    for (std::string_view server : kSmtpServers)
        ui.serverCombo->addItem(QString::fromUtf8(server.data(), static_cast<int>(server.size())));
    ui.serverCombo->setCurrentIndex(-1);

    connect(ui.ownAccountRadio, &QRadioButton::clicked, this, [this] {
        SettingForm form = Form();
        UseOwnAccount(form, m_Prompter);
        m_Ui->nicknameEdit->setText(Q(form.nickname));
        m_Ui->nicknameEdit->setCursorPosition(0);
        ShowSenderAccount(form);
    });
    connect(ui.builtInAccountRadio, &QRadioButton::clicked, this, [this] {
        SettingForm form = Form();
        UseBuiltInAccount(form);
        ShowSenderAccount(form);
    });
    // Only the user's typing: filling the field must not clear the password.
    connect(ui.emailEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        SettingForm form = Form();
        OnEmailEdited(form, S(text));
        ShowSenderAccount(form);
    });
    // Clearing the password leaves nothing to type in its two fields.
    connect(ui.clearPasswordCheck, &QCheckBox::toggled, this, [this](bool clear) {
        for (QLineEdit* edit : {m_Ui->unlockEdit, m_Ui->confirmEdit}) {
            if (clear)
                edit->clear();
            edit->setEnabled(!clear);
        }
    });
    connect(ui.okButton, &QPushButton::clicked, this, &CSettingDlg::accept);
    connect(ui.cancelButton, &QPushButton::clicked, this, &CSettingDlg::reject);

    SettingForm form;
    LoadSettingForm(form, m_Prompter);
    ShowForm(form);
    ui.nicknameEdit->setFocus();
}

CSettingDlg::~CSettingDlg() = default;

void CSettingDlg::ShowForm(const SettingForm& form) {
    Ui::CSettingDlg& ui = *m_Ui;
    ui.nicknameEdit->setText(Q(form.nickname));
    ui.mobileEdit->setText(Q(form.mobile));
    if (form.isLock >= 0)
        (form.isLock == 1 ? ui.lockOnRadio : ui.lockOffRadio)->setChecked(true);
    // A stored password is only announced; typing a new one replaces it.
    m_UnlockPasswordSet = form.unlockPasswordSet;
    for (QLineEdit* edit : {ui.unlockEdit, ui.confirmEdit}) {
        edit->setText(Q(edit == ui.unlockEdit ? form.unlockPassword : form.unlockConfirm));
        edit->setPlaceholderText(form.unlockPasswordSet ? QString::fromUtf8("已设置") : QString());
    }
    ui.clearPasswordCheck->setChecked(form.clearUnlockPassword);
    ui.clearPasswordCheck->setEnabled(form.unlockPasswordSet);
    ui.dayWindowCheck->setChecked(form.dayWindow);
    ui.dayEmailCheck->setChecked(form.dayEmail);
    ui.aheadWindowCheck->setChecked(form.aheadWindow);
    ui.aheadEmailCheck->setChecked(form.aheadEmail);
    ui.everyDayCheck->setChecked(form.everyDay);
    ui.acceptEdit->setText(Q(form.acceptEmail));
    ShowSenderAccount(form);
    // Long values show their beginning, not their end.
    for (QLineEdit* edit : {ui.nicknameEdit, ui.mobileEdit, ui.acceptEdit, ui.emailEdit})
        edit->setCursorPosition(0);
}

void CSettingDlg::ShowSenderAccount(const SettingForm& form) {
    Ui::CSettingDlg& ui = *m_Ui;
    if (form.account != SenderAccount::None)
        (form.account == SenderAccount::BuiltIn ? ui.builtInAccountRadio : ui.ownAccountRadio)
            ->setChecked(true);
    // The author's account is not the user's to change: its fields only show it.
    const bool own = form.account != SenderAccount::BuiltIn;
    for (QWidget* field :
         {static_cast<QWidget*>(ui.emailEdit), static_cast<QWidget*>(ui.serverCombo),
          static_cast<QWidget*>(ui.userNameEdit), static_cast<QWidget*>(ui.passwordEdit)})
        field->setEnabled(own);
    if (ui.emailEdit->text() != Q(form.email)) {
        const int cursor = ui.emailEdit->cursorPosition();
        ui.emailEdit->setText(Q(form.email));
        ui.emailEdit->setCursorPosition(cursor);
    }
    ui.userNameEdit->setText(Q(form.userName));
    ui.userNameEdit->setCursorPosition(0);
    ui.passwordEdit->setText(Q(form.password));
    ui.serverCombo->setCurrentIndex(form.serverIndex);
    if (form.serverIndex < 0)
        ui.serverCombo->setEditText(Q(form.serverText));
    ui.serverCombo->lineEdit()->setCursorPosition(0);
}

SettingForm CSettingDlg::Form() const {
    const Ui::CSettingDlg& ui = *m_Ui;
    SettingForm form;
    form.nickname = S(ui.nicknameEdit->text());
    form.mobile = S(ui.mobileEdit->text());
    form.isLock = ui.lockOnRadio->isChecked() ? 1 : ui.lockOffRadio->isChecked() ? 0 : -1;
    form.unlockPassword = S(ui.unlockEdit->text());
    form.unlockConfirm = S(ui.confirmEdit->text());
    form.unlockPasswordSet = m_UnlockPasswordSet;
    form.clearUnlockPassword = ui.clearPasswordCheck->isChecked();
    form.dayWindow = ui.dayWindowCheck->isChecked();
    form.dayEmail = ui.dayEmailCheck->isChecked();
    form.aheadWindow = ui.aheadWindowCheck->isChecked();
    form.aheadEmail = ui.aheadEmailCheck->isChecked();
    form.everyDay = ui.everyDayCheck->isChecked();
    form.acceptEmail = S(ui.acceptEdit->text());
    form.account = ui.builtInAccountRadio->isChecked() ? SenderAccount::BuiltIn
                   : ui.ownAccountRadio->isChecked()   ? SenderAccount::Own
                                                       : SenderAccount::None;
    form.email = S(ui.emailEdit->text());
    form.serverText = S(ui.serverCombo->currentText());
    form.serverIndex = ui.serverCombo->currentIndex() >= 0 &&
                               ui.serverCombo->itemText(ui.serverCombo->currentIndex()) ==
                                   ui.serverCombo->currentText()
                           ? ui.serverCombo->currentIndex()
                           : -1;
    form.userName = S(ui.userNameEdit->text());
    form.password = S(ui.passwordEdit->text());
    return form;
}

void CSettingDlg::accept() {
    switch (SaveSettingForm(Form(), g_Setting, m_Prompter)) {
    case SettingsSaveOutcome::Mismatch:
        m_Ui->unlockEdit->setFocus();
        m_Ui->unlockEdit->selectAll();
        return;
    case SettingsSaveOutcome::Saved:
    case SettingsSaveOutcome::Failed: QDialog::accept(); break;
    }
}
