#pragma once
// The address book's rules without a window: the contact's sixteen fields
// with their byte limits, the SQL each button runs, the walk over the
// contact tree for 上一个/下一个 and the whole-name search.

#include "platform/BirthDate.h"
#include "storage/ContactGroups.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Prompter;

inline constexpr const char* kAddressBookHint = "通讯录主界面，可以新增、修改、删除联络人。";

// The edit boxes of the form, in the form's order.
enum class ContactText {
    Name,
    Mobile,
    Email,
    QQ,
    Company,
    Department,
    Position,
    CompTel,
    CompAddr,
    Fax,
    HomeTel,
    HomeAddr,
};
inline constexpr std::size_t kContactTextCount = 12;

// GB18030 bytes an edit box accepts; 0 means no limit.
std::size_t ContactTextLimit(ContactText field);
// The TiXing column behind an edit box.
const char* ContactTextColumn(ContactText field);

// The calendar list in its fixed order, and the group list sorted the way
// the user reads Chinese (GB18030 byte order, i.e. pinyin): 朋友 first.
const std::vector<std::string>& CalendarEntries();
const std::vector<std::string>& GroupEntries();

// How the calendar list shows a row whose m_DateStatus is empty (an imported
// row); every reader takes such a row as Gregorian.
inline constexpr const char* kNoCalendarLabel = "(未指定)";

// One of the form's lists as it is to show a value: what each entry says,
// the value it stands for, and the entry to select. Only an exact match
// selects a fixed entry; any other value comes as an entry of its own, so
// that 更新 writes back what the row held instead of whatever the list showed
// before.
struct ListChoice {
    std::vector<std::string> labels;
    std::vector<std::string> values;
    std::size_t selected = 0;
};
// 阴历, 阳历, then the row's own value when it is neither.
ListChoice ChooseCalendar(const std::string& calendar);
// (未分组) for no group (every reminder made in the reminder editor), the
// four, then a group from outside them.
ListChoice ChooseGroup(const std::string& group);

struct ContactForm {
    std::array<std::string, kContactTextCount> texts;
    std::string calendar = "阴历";
    BirthDate birth; // invalid: no birth date (NULL, or nothing the program reads as one)
    bool remind = false;
    std::string group;

    std::string& Text(ContactText field) { return texts[static_cast<std::size_t>(field)]; }
    const std::string& Text(ContactText field) const {
        return texts[static_cast<std::size_t>(field)];
    }
    const std::string& Name() const { return Text(ContactText::Name); }
};

// "#1925-03-07#": the birth date only; four digits of year, always. A lunar
// day the Gregorian calendar lacks is written as it is ("#1980-02-30#").
std::string ContactDateLiteral(const BirthDate& birth);
std::string SelectContactSql(const std::string& name);
// A contact without a birth date gets NULL.
std::string InsertContactSql(const ContactForm& form);
// The row of `before` (the contact as it was shown) takes the form's values.
// m_Date is written only when the form's date differs from the shown one:
// an unchanged date keeps what was stored, its time of day (the reminder
// editor's 23:59:59) or its absence included; a date taken away becomes NULL.
std::string UpdateContactSql(const ContactForm& form, const ContactForm& before);
std::string DeleteContactSql(const std::string& name);

// What show contact found for a name.
enum class LookupResult { Found, NotFound, Failed };
struct ContactLookup {
    LookupResult result = LookupResult::NotFound;
    ContactForm form; // the row, when found
};
// Reads the row of that name; a database failure is shown.
ContactLookup LookUpContact(const std::string& name, Prompter& prompter);

// Every row of TiXing as the tree shows it; a failure is shown and gives none.
std::optional<std::vector<ContactGroup>> LoadContactTree(Prompter& prompter);

enum class WriteOutcome {
    Written,   // the success message was shown
    Refused,   // a message said why (empty name, name taken); nothing written
    Cancelled, // the user said no; nothing written
    Failed,    // the database error was shown
};
// 新增: needs a name that no row has yet.
WriteOutcome AddContact(const ContactForm& form, Prompter& prompter);
// 更新 of the contact shown as `before`; a new name must be free.
WriteOutcome UpdateContact(const ContactForm& form, const ContactForm& before, Prompter& prompter);
// 删除 asks first: the row may also be the person's birthday reminder.
WriteOutcome DeleteContact(const std::string& name, Prompter& prompter);

// A node of the tree: a group, or a contact within it (child >= 0).
struct ContactNode {
    int group = 0;
    int child = -1;
    bool operator==(const ContactNode&) const = default;
};

// 上一个 and 下一个 walk the tree in display order, group nodes included;
// none past either end.
std::optional<ContactNode> PreviousContactNode(const std::vector<ContactGroup>& tree,
                                               const ContactNode& from);
std::optional<ContactNode> NextContactNode(const std::vector<ContactGroup>& tree,
                                           const ContactNode& from);

// The first contact whose whole name is the text; group names are not
// searched.
std::optional<ContactNode> FindContactNode(const std::vector<ContactGroup>& tree,
                                           const std::string& name);

// 搜索: every contact whose name holds the text (spaces at either end aside),
// the whole names first, then the others, each in tree order. Latin letters
// match in either case; no character is a wildcard. An empty text finds none.
std::vector<ContactNode> SearchContactNodes(const std::vector<ContactGroup>& tree,
                                            std::string_view text);
// What 搜索 says when it finds nobody.
std::string NoContactFoundText(std::string_view text);
