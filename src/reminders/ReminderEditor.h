#pragma once
// The reminder editor's values and rules, without a window: what it shows
// when it opens for a new or an existing person, what the music and
// blessing choices do, and how OK checks the name and writes the row.

#include "platform/BirthDate.h"
#include "platform/DateTime.h"

#include <string>

class Prompter;

inline constexpr std::size_t kNameLimit = 20;   // GB18030 bytes: 10 Chinese characters
inline constexpr std::size_t kMobileLimit = 20; // GB18030 bytes

inline constexpr const char* kBuiltInMusic = "HAPPYBIRTHDAY";

enum class MusicChoice { None = 0, BuiltIn = 1, OwnFile = 2 };
enum class BlessingChoice { On = 0, Off = 1 };
enum class CalendarChoice { Gregorian = 0, Lunar = 1 };

// The six ready-made blessings of the side panel, in panel order.
extern const char* const kBlessings[6];
// The blessing put in when blessing is switched on with nothing written yet.
extern const char* const kDefaultBlessing;
// Filter of the 自选 file dialog.
extern const char* const kMusicFileFilter;

struct ReminderForm {
    bool editMode = false;
    int id = 0;
    std::string oldName;

    std::string name;
    CalendarChoice calendar = CalendarChoice::Lunar;
    BirthDate birth; // invalid: no date (a row stored without one)
    // Edit mode: the user picked another date. An unchanged date is not
    // written, so the row keeps its stored value and time of day.
    bool birthChanged = false;
    std::string state; // the list's 状态 text when editing
    std::string mobile;
    std::string email;
    MusicChoice music = MusicChoice::None;
    std::string soundPath;
    BlessingChoice blessing = BlessingChoice::Off;
    std::string title;
    std::string content;
    int aheadDays = 0;  // 0..7
    int stateIndex = 0; // 0 生效, 1 失效
};

// A new person: born today (today's lunar date), lunar calendar, active, no ahead days.
ReminderForm NewReminderForm(const DateTime& today);

// A person of the list, from the row's cells (an empty birth cell gives an
// invalid birth); the rest is read from the database by name. A failure is
// shown and the form keeps what was read.
ReminderForm EditReminderForm(int id, const std::string& name, const std::string& shownState,
                              bool lunar, const BirthDate& birth, Prompter& prompter);

MusicChoice MusicChoiceFor(const std::string& soundPath);

// 无 and 默认.
void ChooseMusic(ReminderForm& form, MusicChoice choice);
// 自选: asks for a file; cancelling keeps the previous choice and path.
// True when a file was chosen.
bool ChooseMusicFile(ReminderForm& form, Prompter& prompter);

// The nickname in the personal settings; "" when there is none. A failure is shown.
std::string ReadUserNickname(Prompter& prompter);
// 启用: the default title from the user's nickname, and the default
// blessing when nothing is written yet.
void SwitchBlessingOn(ReminderForm& form, const std::string& nickname);
// 关闭: title and content are emptied.
void SwitchBlessingOff(ReminderForm& form);

// "#1980-09-12 23:59:59#": every saved birth carries the last second of the
// day. A lunar day the Gregorian calendar lacks is written as it is ("#1980-02-30 23:59:59#").
std::string BirthDateLiteral(const BirthDate& birth);
// The ahead code as the editor writes it: the days twice ("3" -> "33").
std::string AheadCodeText(int aheadDays);
const char* StateText(int stateIndex);
const char* CalendarText(CalendarChoice calendar);

enum class SaveOutcome {
    Saved,       // written: the dialog ends with OK
    NoBirthDate, // "请选择出生日期。" was shown: the dialog stays open
    NameTaken,   // "该姓名已存在!请确认" was shown: the dialog stays open
    Failed,      // the database failure was shown: the dialog stays open, nothing lost
};
// Adds or updates the row. The birth date is written when adding, and when
// editing only if the user changed it; without a valid date nothing is saved.
SaveOutcome SaveReminder(const ReminderForm& form, Prompter& prompter);
