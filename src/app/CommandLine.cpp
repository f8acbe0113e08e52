#include "app/CommandLine.h"

#include "app/QtTranslations.h"
#include "app/Startup.h"
#include "exchange/CalDavPublish.h"
#include "exchange/CalendarExport.h"
#include "exchange/VCardExchange.h"
#include "platform/Clock.h"
#include "platform/SecretStore.h"
#include "settings/AppInfo.h"
#include "storage/CAdoDatabase.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void PrintLine(std::FILE* stream, const std::string& text) {
    Print(stream, QString::fromStdString(text) + QLatin1Char('\n'));
}

QString DottedVersion() {
    return Q(kAppVersion).remove(QLatin1Char(' ')).replace(QLatin1Char(','), QLatin1Char('.'));
}

int UsageError(const QCommandLineParser& parser, const QString& why) {
    Print(stderr, why + QStringLiteral("\n\n") + parser.helpText());
    return kUsageError;
}

// One command of the command line: the option that asks for it and what
// runs it, given the parsed arguments. Each gives the process's exit code.
struct Command {
    QCommandLineOption option;
    std::function<int(const QCommandLineParser&)> run;
};

} // namespace

namespace {

// The file a command names, made absolute before the program directory
// becomes the working directory (a relative name counts from where the
// program was started); nothing, with the reason printed, when either fails.
std::optional<std::filesystem::path> EnterWithFile(const QString& file) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::absolute(
        std::filesystem::path(QFile::encodeName(file).toStdString()), error);
    if (error || file.isEmpty()) {
        PrintLine(stderr, "无效的文件名：" + file.toStdString());
        return std::nullopt;
    }
    if (const std::optional<std::string> failure = EnterProgramDirectory()) {
        PrintLine(stderr, *failure);
        return std::nullopt;
    }
    return target;
}

int Finish(const VCardOutcome& outcome) {
    PrintLine(outcome.exitCode == 0 ? stdout : stderr, outcome.message);
    return outcome.exitCode == 0 ? 0 : kCommandFailed;
}

} // namespace

int ExportIcsCommand(const QString& file, int years) {
    const std::optional<std::filesystem::path> target = EnterWithFile(file);
    if (!target)
        return kCommandFailed;
    CalendarExportRequest request;
    request.file = *target;
    request.years = years;
    const CalendarExportResult result =
        ExportCalendarFile(g_ConnectionString, request, DefaultClock().Now());
    PrintLine(result.ok ? stdout : stderr, result.message);
    return result.ok ? 0 : kCommandFailed;
}

int ImportVCardCommand(const QString& file) {
    const std::optional<std::filesystem::path> target = EnterWithFile(file);
    return target ? Finish(ImportVCardFile(target->string(), g_ConnectionString)) : kCommandFailed;
}

int ExportVCardCommand(const QString& file) {
    const std::optional<std::filesystem::path> target = EnterWithFile(file);
    return target ? Finish(ExportVCardFile(target->string(), g_ConnectionString)) : kCommandFailed;
}

int PublishCommand(const QString& url, const QString& user, int years) {
    if (const std::optional<std::string> failure = EnterProgramDirectory()) {
        PrintLine(stderr, *failure);
        return kCommandFailed;
    }
    CalendarPublishRequest request;
    if (url.isEmpty()) {
        const CalendarSyncSettings settings = ReadCalendarSyncSettings();
        if (!settings.Configured()) {
            PrintLine(stderr, "还没有设置要同步的日历，请在“设定 > 日历同步”中填写日历的地址。");
            return kCommandFailed;
        }
        const SecretResult secret = ReadSecret(CalendarSecretKey(settings.url, settings.user));
        if (secret.outcome != SecretOutcome::Done) {
            PrintLine(stderr,
                      secret.outcome == SecretOutcome::NoStore
                          ? "这个桌面没有可用的密码库，取不到日历的密码。可以改用 annivo --publish "
                            "日历地址 --user 用户名，从标准输入给出密码。"
                      : secret.outcome == SecretOutcome::Missing
                          ? "密码库中没有这个日历的密码，请在“设定 > 日历同步”中填写。"
                          : "无法从密码库取得日历的密码（" + secret.error + "）。");
            return kCommandFailed;
        }
        request.account = {settings.url, settings.user, secret.secret};
        request.years = years > 0 ? years : settings.years;
        request.festivals = settings.festivals;
        request.solarTerms = settings.solarTerms;
    } else {
        std::string password;
        std::getline(std::cin, password);
        if (!password.empty() && password.back() == '\r')
            password.pop_back();
        request.account = {url.toStdString(), user.toStdString(), password};
        request.years = years > 0 ? years : kDefaultCalendarYears;
    }
    const PublishResult result = PublishCalendar(g_ConnectionString, request, DefaultClock().Now(),
                                                 std::filesystem::current_path());
    PrintLine(result.ok ? stdout : stderr, result.message);
    return result.ok ? 0 : kCommandFailed;
}

std::optional<int> RunCommandLine(int argc, char* argv[]) {
    if (argc <= 1)
        return std::nullopt;
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("annivo"));
    QCoreApplication::setApplicationVersion(DottedVersion());
    InstallQtChineseTranslations();

    QCommandLineParser parser;
    parser.setApplicationDescription(Q("生日提醒。不带参数时打开程序窗口；下列命令不开窗口，"
                                       "使用程序的数据目录。"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  Q("显示本帮助并退出。"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     Q("显示版本并退出。"));
    const QCommandLineOption years(
        QStringLiteral("years"),
        Q("与 --export-ics 或 --publish 一起：从今年起的年数，1 到 100，默认 10"
          "（最晚到 2100 年）。"),
        Q("年数"), QString::number(kDefaultCalendarYears));
    std::vector<Command> commands;
    commands.push_back(
        {QCommandLineOption(QStringLiteral("export-ics"),
                            Q("把开启提醒的人的生日导出为日历文件（iCalendar，.ics）。"),
                            Q("文件")),
         [&years](const QCommandLineParser& parsed) {
             bool number = false;
             const int count = parsed.value(years).toInt(&number);
             if (!number || count < 1 || count > kMostCalendarYears)
                 return UsageError(parsed,
                                   Q("年数应为 1 到 100 之间的整数：") + parsed.value(years));
             return ExportIcsCommand(parsed.value(QStringLiteral("export-ics")), count);
         }});
    commands.push_back({QCommandLineOption(QStringLiteral("import-vcard"),
                                           Q("从名片文件（vCard，.vcf）导入联络人。"), Q("文件")),
                        [](const QCommandLineParser& parsed) {
                            return ImportVCardCommand(parsed.value(QStringLiteral("import-vcard")));
                        }});
    commands.push_back(
        {QCommandLineOption(QStringLiteral("export-vcard"),
                            Q("把通讯录导出为名片文件（vCard 3.0，.vcf）。"), Q("文件")),
         [](const QCommandLineParser& parsed) {
             return ExportVCardCommand(parsed.value(QStringLiteral("export-vcard")));
         }});
    const QCommandLineOption user(
        QStringLiteral("user"), Q("与 --publish 日历地址 一起：日历服务器的用户名。"), Q("用户名"));
    commands.push_back(
        {QCommandLineOption(QStringLiteral("publish"),
                            Q("把开启提醒的人的生日同步到 CalDAV 日历：不带地址时同步到“设定 > "
                              "日历同步”中的日历；带“日历地址 --user 用户名”时从标准输入读取密码，"
                              "不保存设置。")),
         [&years, &user](const QCommandLineParser& parsed) {
             const QStringList positional = parsed.positionalArguments();
             if (positional.size() > 1)
                 return UsageError(parsed,
                                   Q("多余的参数：") + positional.mid(1).join(QLatin1Char(' ')));
             const QString url = positional.value(0);
             if (url.isEmpty() != !parsed.isSet(user))
                 return UsageError(parsed, Q("日历地址和 --user 要一起给出。"));
             int count = 0;
             if (parsed.isSet(years)) {
                 bool number = false;
                 count = parsed.value(years).toInt(&number);
                 if (!number || count < 1 || count > kMostCalendarYears)
                     return UsageError(parsed,
                                       Q("年数应为 1 到 100 之间的整数：") + parsed.value(years));
             }
             return PublishCommand(url, parsed.value(user), count);
         }});
    parser.addOption(help);
    parser.addOption(version);
    for (const Command& command : commands)
        parser.addOption(command.option);
    parser.addOption(years);
    parser.addOption(user);
    parser.addPositionalArgument(
        Q("日历地址"), Q("与 --publish 一起：要同步的 CalDAV 日历集合的地址。"), Q("[日历地址]"));

    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser, parser.errorText());
    // Only --publish takes an argument of its own (the calendar's address).
    if (!parser.positionalArguments().isEmpty() && !parser.isSet(QStringLiteral("publish")))
        return UsageError(parser,
                          Q("多余的参数：") + parser.positionalArguments().join(QLatin1Char(' ')));
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("annivo %1\n").arg(DottedVersion()));
        return 0;
    }
    const Command* chosen = nullptr;
    for (const Command& command : commands) {
        if (!parser.isSet(command.option))
            continue;
        if (chosen != nullptr)
            return UsageError(parser, Q("一次只能执行一个命令。"));
        chosen = &command;
    }
    if (chosen == nullptr)
        return UsageError(parser, Q("--years 要与 --export-ics 或 --publish 一起使用，"
                                    "--user 要与 --publish 一起使用。"));
    return chosen->run(parser);
}
