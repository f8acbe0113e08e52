#pragma once
// Fixed facts about the program itself.

// Title of the main window and caption of the program's message boxes.
inline constexpr const char* kAppTitle = "Qilora生日提醒 2011贺岁版";
// The version text the update check compares with the server's.
inline constexpr const char* kAppVersion = "1, 8, 0, 0";
// Base URL of the maker's web server, prefix of the help links and of the
// update files; annivo.ini's Version/UrlPath overrides it.
inline constexpr const char* kDefaultUrlPath = "http://www.qilora.com/";
