#pragma once
// Start-up copies the one MySetting row into g_Setting.

#include "settings/Globals.h"

class Prompter;

// Reads the row into `setting`. When the built-in sender account is chosen
// (m_SmtpSelect 1) its four values replace the stored sender columns. A
// database failure, or a table without its row, is told once through
// `prompter`; members read before it keep their new values, the others keep
// what they held. A switch stored as -1 (true in the old format) reads as 1.
// An unlock password stored as typed is replaced by its hash (PasswordHash.h)
// in `setting` and, when it can be written, in the file.
void LoadSettings(SettingRecord& setting, Prompter& prompter);

// The same into g_Setting.
void LoadSettings(Prompter& prompter);
