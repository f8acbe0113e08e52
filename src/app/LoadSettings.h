#pragma once
// Start-up copies the one MySetting row into g_Setting.

#include "app/Globals.h"

class Prompter;

// Reads the row into `setting`. When the built-in sender account is chosen
// (m_SmtpSelect 1) its four values replace the stored sender columns. A
// database failure, or a table without its row, is told once through
// `prompter`; members read before it keep their new values, the others keep
// what they held.
void LoadSettings(SettingRecord& setting, Prompter& prompter);

// The same into g_Setting.
void LoadSettings(Prompter& prompter);
