#pragma once
// The program's name as its windows show it; the message boxes of every floor
// use it as their caption.

// Title of the main window and caption of the program's message boxes.
inline constexpr const char* kAppTitle = "Qilora生日提醒 2011贺岁版";

// The desktop's name for the program: its launcher, its icon and the
// notifications it sends.
inline constexpr const char* kAppId = "com.qilora.Annivo";
