#pragma once
// The birthday tune built into the program. A reminder whose music is
// kBuiltInTuneMusic plays it: the tune is written to "happy.mid" in the
// program directory, played from there and deleted when the reminder is done.

#include <string>
#include <string_view>

// The music value of a reminder that asks for the built-in tune.
inline constexpr const char* kBuiltInTuneMusic = "HAPPYBIRTHDAY";
// The file the tune is written to.
inline constexpr const char* kBuiltInTuneFileName = "happy.mid";

// The tune as a standard MIDI file.
std::string_view BuiltInTuneBytes();

// Writes the tune to happy.mid in `directory`, replacing that file. Returns
// false when the file cannot be written.
bool WriteBuiltInTune(const std::string& directory);

// Deletes happy.mid in `directory`; nothing happens when it is not there.
void DeleteBuiltInTune(const std::string& directory);
