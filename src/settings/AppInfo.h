#pragma once
// Fixed facts about the program itself.

#include "platform/AppTitle.h"
#include "settings/AppVersion.h"     // kAppVersion, made from the project's version
#include "settings/BuiltInAccount.h" // the maker's web server
