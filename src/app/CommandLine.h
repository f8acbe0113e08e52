#pragma once
// The program's command line: --help, --version and the commands that work
// on the data directory without a window.

#include <optional>

class QString;

// Exit codes of the command line besides 0 (done).
inline constexpr int kCommandFailed = 1;
inline constexpr int kUsageError = 2;

// Nothing when there is no argument, so the program starts its window as
// usual; otherwise runs what the arguments ask for (with a QCoreApplication
// of its own, no window) and gives the exit code. An unknown option or a bad
// value prints the usage on stderr and gives kUsageError.
std::optional<int> RunCommandLine(int argc, char* argv[]);

// --export-ics FILE [--years N]: the birthdays of the people with reminding
// on, this year and the next N-1 (default 10), into an iCalendar file. A
// relative FILE counts from the directory the program was started in.
int ExportIcsCommand(const QString& file, int years);

// --import-vcard FILE and --export-vcard FILE: the address book from and to
// a vCard file, with the outcome ("导入N人，更新M人，跳过K人") printed.
int ImportVCardCommand(const QString& file);
int ExportVCardCommand(const QString& file);

// --publish: the birthdays to the calendar set in 设定 > 日历同步, with its
// password from the secret store. --publish URL --user NAME: to that
// collection, the password read from standard input, nothing stored but
// the record of what was published there (so that the next publish sends
// only what changed). `years` 0: as set (the configured calendar) or 10.
int PublishCommand(const QString& url, const QString& user, int years);
