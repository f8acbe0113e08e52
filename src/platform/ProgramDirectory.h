#pragma once
// Where the program lives: its executable, and the directory that holds its
// data and configuration files (the working directory once it has started).

#include <filesystem>
#include <string>
#include <string_view>

// Full path of the running executable; "" when the system does not tell.
std::string ExecutablePath();

enum class ProgramDirectoryKind {
    AnnivoHome,          // $ANNIVO_HOME
    ExecutableDirectory, // beside the executable, as a copy unpacked anywhere
    UserDataDirectory,   // an installed copy: the user's XDG data directory
};

struct ProgramDirectoryChoice {
    std::filesystem::path directory;
    ProgramDirectoryKind kind;
    bool operator==(const ProgramDirectoryChoice&) const = default;
};

// The data.db an installed copy ships, found from its executable's directory
// (bin/ and share/ side by side under one prefix).
std::filesystem::path InstalledSeedPath(const std::filesystem::path& executableDirectory);

// Where the data lives, from the environment's values (null when unset):
// $ANNIVO_HOME when not empty; else the executable's directory when it can be
// written, unless it is an installed copy (`installedCopy`: the installed seed
// lies beside it and no data.db in its directory), which never writes among
// the system's programs; else $XDG_DATA_HOME/annivo (only an absolute
// XDG_DATA_HOME counts), falling back to `home`/.local/share/annivo.
ProgramDirectoryChoice ChooseProgramDirectory(const char* annivoHome,
                                              const std::filesystem::path& executableDirectory,
                                              bool executableDirectoryWritable, bool installedCopy,
                                              const char* xdgDataHome, const std::string& home);

// The choice for this process: its environment and executable.
ProgramDirectoryChoice CurrentProgramDirectory();

// CurrentProgramDirectory().directory.
std::filesystem::path ProgramDirectory();

// The file of that name in the program directory, matched without regard to
// ASCII case, so "Annivo.ini" and "annivo.ini" are one file as they were on
// the original file system: the all-lower-case name when that file exists,
// else an existing file whose name differs only in case, else the
// lower-case name (which a later write creates).
std::filesystem::path FileInProgramDirectory(std::string_view fileName);

// The same for any directory.
std::filesystem::path FileInDirectory(const std::filesystem::path& directory,
                                      std::string_view fileName);
