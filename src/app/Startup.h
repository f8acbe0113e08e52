#pragma once
// The start-up steps that need no window. The application object calls them
// in this order before it creates the main frame:
//   CheckStartedInProfileDir, EnterProgramDirectory, ReadStartupSettings,
//   CheckAutostart;
// then it loads the settings and reminders, and DecideFirstAppearance tells
// how the window first appears.

#include "platform/Prompter.h"

#include <filesystem>
#include <optional>
#include <string>

// True when `workingDirectory` is the user's profile directory: USERPROFILE,
// or HOME where USERPROFILE is unset (either may be null).
bool IsProfileDirectory(const std::string& workingDirectory, const char* userProfile,
                        const char* home);

// g_StartedInProfileDir: 1 when the process started in the user's profile
// directory, which is how a start at log-on shows.
void CheckStartedInProfileDir();

// g_ExePath = the executable; the program directory becomes the working
// directory so that data files resolve there. An installed copy's data
// directory is prepared first (PrepareUserDataDirectory). When it cannot, the
// message to show; the program must not go on with the files of another
// directory.
std::optional<std::string> EnterProgramDirectory();

// Makes an installed copy's data directory usable: creates it when missing and
// gives it a data.db when it has none, copied from `installedSeed` when that
// file exists, else made from the seed built into the program. A data.db
// already there is never touched. The message to show when it fails.
std::optional<std::string> PrepareUserDataDirectory(const std::filesystem::path& directory,
                                                    const std::filesystem::path& installedSeed);

// g_RunOnce, g_AutoUpdate, g_DesktopNotify, g_UrlPath and g_ActiveView from annivo.ini;
// g_UrlPath always ends in "/" and is never empty.
void ReadStartupSettings();

// g_AutoStart from the autostart entry; offers to correct an entry that
// starts another copy of the program.
void CheckAutostart(Prompter& prompter);

enum class FirstAppearance { ToTray, AskUnlock, ShowWindow };

// Started at log-on with autostart on: straight to the tray. Otherwise a set
// lock asks for the password first.
FirstAppearance DecideFirstAppearance(int autoStart, int startedInProfileDir, int isLock);

enum class StartView { ReminderList, Calendar, AddressBook };

// The view for a stored ActiveView: 1 calendar, 2 address book, anything
// else the reminder list.
StartView StartViewFor(int activeView);
