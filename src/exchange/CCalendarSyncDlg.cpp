#include "exchange/CCalendarSyncDlg.h"

#include "exchange/CalDavPublish.h"
#include "exchange/ExchangeCommands.h"
#include "platform/Clock.h"
#include "platform/ProgramDirectory.h"
#include "platform/Prompter.h"
#include "platform/SecretStore.h"
#include "settings/AppInfo.h"
#include "storage/CAdoDatabase.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CCalendarSyncDlg::CCalendarSyncDlg(Prompter& prompter, const Clock& clock, QWidget* parent)
    : QDialog(parent), m_Prompter(prompter), m_Clock(clock) {
    setWindowTitle(Q("日历同步"));
    const CalendarSyncSettings settings = ReadCalendarSyncSettings();
    m_Url = new QLineEdit(Q(settings.url), this);
    m_Url->setMinimumWidth(320);
    m_Url->setPlaceholderText(QStringLiteral("https://"));
    m_User = new QLineEdit(Q(settings.user), this);
    m_Password = new QLineEdit(this);
    m_Password->setEchoMode(QLineEdit::Password);
    m_Years = new QSpinBox(this);
    m_Years->setRange(1, kMostCalendarYears);
    m_Years->setValue(settings.years);
    m_Years->setSuffix(Q(" 年"));
    m_Festivals = new QCheckBox(Q("同时同步节日(&H)"), this);
    m_Festivals->setChecked(settings.festivals);
    m_SolarTerms = new QCheckBox(Q("同时同步二十四节气(&T)"), this);
    m_SolarTerms->setChecked(settings.solarTerms);

    m_HasStore = SecretStoreRuns();
    if (m_HasStore && settings.Configured()) {
        m_StoredKey = CalendarSecretKey(settings.url, settings.user);
        const SecretResult stored = ReadSecret(m_StoredKey);
        if (stored.outcome == SecretOutcome::Done)
            m_Password->setText(Q(stored.secret));
    }
    m_StoreNote = new QLabel(
        m_HasStore
            ? Q("密码保存在桌面的密码库中，不写入任何文件。填好后，每次修改名单都会在一分钟内"
                "同步，程序运行时每天也同步一次。")
            : Q("这个桌面没有可用的密码库：密码不会保存，也就不会自动同步；"
                "每次同步时请在这里填写密码后按“立即同步”。"),
        this);
    m_StoreNote->setWordWrap(true);

    auto* form = new QFormLayout;
    const auto addRow = [&](const char* caption, QWidget* field) {
        auto* label = new QLabel(Q(caption), this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    addRow("日历地址(&U)：", m_Url);
    addRow("用户名(&N)：", m_User);
    addRow("密码(&P)：", m_Password);
    addRow("年数(&Y)：", m_Years);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Q("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Q("取消"));
    m_PublishNow = buttons->addButton(Q("立即同步(&S)"), QDialogButtonBox::ActionRole);
    m_PublishNow->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCalendarSyncDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCalendarSyncDlg::reject);
    connect(m_PublishNow, &QPushButton::clicked, this, &CCalendarSyncDlg::PublishNow);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_Festivals);
    layout->addWidget(m_SolarTerms);
    layout->addWidget(m_StoreNote);
    layout->addWidget(buttons);
    m_Url->setFocus();
}

bool CCalendarSyncDlg::ReadFields(CalendarSyncSettings& settings, bool needPassword) {
    settings.url = m_Url->text().trimmed().toStdString();
    settings.user = m_User->text().trimmed().toStdString();
    settings.years = m_Years->value();
    settings.festivals = m_Festivals->isChecked();
    settings.solarTerms = m_SolarTerms->isChecked();
    const auto refuse = [&](const char* why, QLineEdit* field) {
        m_Prompter.Tell(why);
        field->setFocus();
        return false;
    };
    // An empty address switches the publishing off.
    if (settings.url.empty())
        return !needPassword || refuse("请填写日历地址。", m_Url);
    if (!settings.url.starts_with("https://") && !settings.url.starts_with("http://"))
        return refuse("日历地址应以 https:// 或 http:// 开头，例如 "
                      "https://服务器/用户/日历/。",
                      m_Url);
    if (settings.user.empty())
        return refuse("请填写日历服务器的用户名。", m_User);
    if (needPassword && m_Password->text().isEmpty())
        return refuse("请填写密码。", m_Password);
    return true;
}

void CCalendarSyncDlg::accept() {
    CalendarSyncSettings settings;
    if (!ReadFields(settings, false))
        return;
    const std::string key =
        settings.Configured() ? CalendarSecretKey(settings.url, settings.user) : std::string();
    if (m_HasStore && !key.empty() && !m_Password->text().isEmpty()) {
        const SecretResult written = WriteSecret(key, m_Password->text().toStdString());
        if (written.outcome != SecretOutcome::Done) {
            m_Prompter.Tell("无法把密码存入桌面的密码库" +
                            (written.error.empty() ? std::string() : "（" + written.error + "）") +
                            "，设置没有保存。");
            m_Password->setFocus();
            return;
        }
    }
    if (!WriteCalendarSyncSettings(settings)) {
        m_Prompter.Tell("无法写入设置文件 annivo.ini，日历同步的设置没有保存。");
        return;
    }
    // The password of a calendar no longer used does not stay behind.
    if (m_HasStore && !m_StoredKey.empty() && m_StoredKey != key)
        DeleteSecret(m_StoredKey);
    QDialog::accept();
}

void CCalendarSyncDlg::PublishNow() {
    CalendarSyncSettings settings;
    if (!ReadFields(settings, true))
        return;
    CalendarPublishRequest request;
    request.account = {settings.url, settings.user, m_Password->text().toStdString()};
    request.years = settings.years;
    request.festivals = settings.festivals;
    request.solarTerms = settings.solarTerms;
    PublishResult result;
    const DateTime now = m_Clock.Now();
    const std::string database = g_ConnectionString;
    const std::filesystem::path directory = ProgramDirectory();
    // The server may take its time: the window keeps painting meanwhile.
    RunWithProgress(this, Q("正在同步日历……"), [&](const ExchangeProgress&) {
        result = PublishCalendar(database, request, now, directory);
        return ExchangeOutcome{};
    });
    m_Prompter.Tell(result.ok ? "日历已同步：" + result.message : "日历未同步：" + result.message,
                    kAppTitle, result.ok ? PromptIcon::Information : PromptIcon::Warning);
}

bool RunCalendarSyncCommand(QWidget* parent, Prompter& prompter, const Clock& clock) {
    CCalendarSyncDlg dialog(prompter, clock, parent);
    return dialog.exec() == QDialog::Accepted;
}
