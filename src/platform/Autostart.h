#pragma once
// The autostart entry: "annivo.desktop" in the user's XDG autostart directory
// ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart). The desktop session
// starts the program named on its Exec line at log-on.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

std::filesystem::path AutostartDirectory();
std::filesystem::path AutostartEntryPath();

// True when the autostart directory exists or could be created.
bool OpenAutostartDirectory();

// The program the entry starts ("" when it has no Exec line), or nothing
// when there is no readable entry or it is hidden (Hidden=true), which is
// how desktops keep an entry the user switched off.
std::optional<std::string> ReadAutostart();

// Writes the entry for `programPath`, creating the directory if needed.
bool WriteAutostart(const std::string& programPath);

// Removes the entry; true also when there was none.
bool RemoveAutostart();

// The Exec value that starts exactly `programPath`, blanks, quotes,
// backslashes, "$" and "%" included.
std::string ExecValueFor(std::string_view programPath);

// The program (first argument) of an Exec value as found in the file.
std::string ProgramOfExecValue(std::string_view value);
