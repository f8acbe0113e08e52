#pragma once
// Fixed facts about the program itself.

#include "platform/AppTitle.h"
#include "settings/BuiltInAccount.h" // the maker's web server

// The version text the update check compares with the server's.
inline constexpr const char* kAppVersion = "1, 8, 0, 0";
