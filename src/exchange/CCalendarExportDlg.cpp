#include "exchange/CCalendarExportDlg.h"

#include "exchange/CalendarExport.h"
#include "exchange/ExchangeCommands.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "settings/AppInfo.h"
#include "storage/CAdoDatabase.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>

namespace {

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

constexpr const char* kCalendarFilter = "日历文件 (*.ics)";

// The name the file gets: what a calendar program opens ends in .ics.
QString WithIcsSuffix(QString path) {
    if (!path.endsWith(QStringLiteral(".ics"), Qt::CaseInsensitive))
        path += QStringLiteral(".ics");
    return path;
}

} // namespace

CCalendarExportDlg::CCalendarExportDlg(Prompter& prompter, const Clock& clock, QWidget* parent)
    : QDialog(parent), m_Prompter(prompter), m_Clock(clock) {
    setWindowTitle(Q("导出日历"));
    m_File = new QLineEdit(this);
    m_File->setMinimumWidth(280);
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        m_File->setText(QFile::decodeName(
            (std::filesystem::path(home) / "annivo-birthdays.ics").string().c_str()));
    m_Browse = new QPushButton(Q("浏览(&B)..."), this);
    m_Browse->setAutoDefault(false);
    m_Years = new QSpinBox(this);
    m_Years->setRange(1, kMostCalendarYears);
    m_Years->setValue(kDefaultCalendarYears);
    m_Years->setSuffix(Q(" 年"));
    m_Festivals = new QCheckBox(Q("同时导出节日(&H)"), this);
    m_SolarTerms = new QCheckBox(Q("同时导出二十四节气(&T)"), this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_File, 1);
    fileRow->addWidget(m_Browse);
    auto* form = new QFormLayout;
    auto* fileLabel = new QLabel(Q("文件(&F)："), this);
    fileLabel->setBuddy(m_File);
    form->addRow(fileLabel, fileRow);
    auto* yearsLabel = new QLabel(Q("年数(&Y)："), this);
    yearsLabel->setBuddy(m_Years);
    form->addRow(yearsLabel, m_Years);

    auto* hint = new QLabel(
        Q("开启提醒的人，从今年起每年一个生日事件，农历生日按程序日历的日子展开。"), this);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Q("导出(&E)"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Q("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CCalendarExportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCalendarExportDlg::reject);
    connect(m_Browse, &QPushButton::clicked, this, &CCalendarExportDlg::Browse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_Festivals);
    layout->addWidget(m_SolarTerms);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    m_File->setFocus();
    m_File->selectAll();
}

void CCalendarExportDlg::Browse() {
    const std::string chosen =
        m_Prompter.ChooseSaveFile("导出日历", kCalendarFilter, m_File->text().toStdString());
    if (!chosen.empty())
        m_File->setText(WithIcsSuffix(QString::fromStdString(chosen)));
    m_File->setFocus();
}

void CCalendarExportDlg::accept() {
    const QString text = m_File->text().trimmed();
    if (text.isEmpty()) {
        m_Prompter.Tell("请填写要导出的日历文件名。");
        m_File->setFocus();
        return;
    }
    const QString path = WithIcsSuffix(text);
    m_File->setText(path);
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    std::error_code error;
    if (std::filesystem::exists(file, error) &&
        m_Prompter.Ask(path.toStdString() + "已存在。\n要替换它吗？", kAppTitle,
                       PromptButtons::YesNo, PromptIcon::Warning) != PromptAnswer::Yes) {
        m_File->setFocus();
        return;
    }
    CalendarExportRequest request;
    request.file = file;
    request.years = m_Years->value();
    request.festivals = m_Festivals->isChecked();
    request.solarTerms = m_SolarTerms->isChecked();
    // Thousands of people take a moment: the window keeps painting meanwhile.
    CalendarExportResult result;
    const DateTime now = m_Clock.Now();
    const std::string database = g_ConnectionString;
    RunWithProgress(this, Q("正在导出日历……"), [&](const ExchangeProgress&) {
        result = ExportCalendarFile(database, request, now);
        return ExchangeOutcome{};
    });
    m_Prompter.Tell(result.message, kAppTitle,
                    result.ok ? PromptIcon::Information : PromptIcon::Warning);
    if (result.ok)
        QDialog::accept();
}

void RunCalendarExportCommand(QWidget* parent, Prompter& prompter, const Clock& clock) {
    CCalendarExportDlg dialog(prompter, clock, parent);
    dialog.exec();
}
