#pragma once
// Where the program lives: its executable, and the directory that holds its
// data and configuration files (the working directory once it has started).

#include <filesystem>
#include <string>
#include <string_view>

// Full path of the running executable; "" when the system does not tell.
std::string ExecutablePath();

// $ANNIVO_HOME when set and not empty, else the executable's directory.
std::filesystem::path ProgramDirectory();

// The file of that name in the program directory, matched without regard to
// ASCII case, so "Annivo.ini" and "annivo.ini" are one file as they were on
// the original file system: the all-lower-case name when that file exists,
// else an existing file whose name differs only in case, else the
// lower-case name (which a later write creates).
std::filesystem::path FileInProgramDirectory(std::string_view fileName);
