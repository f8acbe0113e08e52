#pragma once
// A copy installed from the Debian package belongs to the system's package
// manager: its files are dpkg's, so annivo-update must not replace them (and
// a user could not write them anyway). The package, and only the package,
// installs share/annivo/packaged beside the seed of a new user's data.db.

#include <filesystem>
#include <optional>
#include <string>

// True when the program in `executableDirectory` came from the package.
bool IsPackagedCopy(const std::filesystem::path& executableDirectory);

// The same for the running program, unless a test decides.
bool IsPackagedCopy();
void OverridePackagedCopy(std::optional<bool> packaged);

// What 在线更新 says instead of updating a packaged copy.
std::string PackageManagerUpdatesText();

// What the automatic check says of a newer `version` for a packaged copy.
std::string PackageManagerOfferText(const std::string& version);
