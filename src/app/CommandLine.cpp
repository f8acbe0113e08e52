#include "app/CommandLine.h"

#include "app/QtTranslations.h"
#include "app/Startup.h"
#include "exchange/CalendarExport.h"
#include "platform/Clock.h"
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

int ExportIcsCommand(const QString& file, int years) {
    // The program directory becomes the working directory below; the name
    // the user gave counts from where the program was started.
    std::error_code error;
    const std::filesystem::path target = std::filesystem::absolute(
        std::filesystem::path(QFile::encodeName(file).toStdString()), error);
    if (error || file.isEmpty()) {
        PrintLine(stderr, "无效的文件名：" + file.toStdString());
        return kCommandFailed;
    }
    if (const std::optional<std::string> failure = EnterProgramDirectory()) {
        PrintLine(stderr, *failure);
        return kCommandFailed;
    }
    CalendarExportRequest request;
    request.file = target;
    request.years = years;
    const CalendarExportResult result =
        ExportCalendarFile(g_ConnectionString, request, DefaultClock().Now());
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
        Q("与 --export-ics 一起：导出从今年起的年数，1 到 100，默认 10（最晚到 2100 年）。"),
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
    parser.addOption(help);
    parser.addOption(version);
    for (const Command& command : commands)
        parser.addOption(command.option);
    parser.addOption(years);

    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
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
        return UsageError(parser, Q("--years 要与 --export-ics 一起使用。"));
    return chosen->run(parser);
}
