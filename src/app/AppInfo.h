#pragma once
// Fixed facts about the program itself.

#include "app/BuiltInAccount.h" // the maker's web server

// Title of the main window and caption of the program's message boxes.
inline constexpr const char* kAppTitle = "Qilora生日提醒 2011贺岁版";
// The version text the update check compares with the server's.
inline constexpr const char* kAppVersion = "1, 8, 0, 0";
