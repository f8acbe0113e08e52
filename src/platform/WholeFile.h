#pragma once
// Reading and replacing small files as a whole. A replacement is written to a
// temporary file beside the target and renamed over it, so a crash or a full
// disk leaves either the old file or the new one, never half of one.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The file's bytes, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Replaces (or creates) the file with `bytes`. A symbolic link is followed, so
// the link stays and its target changes. False when anything fails; the old
// file is then untouched.
bool ReplaceWholeFile(const std::filesystem::path& path, std::string_view bytes);
