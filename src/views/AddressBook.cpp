#include "views/AddressBook.h"

#include "settings/AppInfo.h"
#include "platform/Prompter.h"
#include "platform/TextCodec.h"
#include "platform/TrimSpace.h"
#include "storage/CAdoDatabase.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

struct TextField {
    const char* column;
    std::size_t limit;
};

// In ContactText order.
constexpr TextField kTextFields[kContactTextCount] = {
    {"m_Name", 20},      {"m_Mobile", 20},     {"m_Email", 50},    {"m_QQ", 0},
    {"m_Company", 50},   {"m_Department", 50}, {"m_Position", 10}, {"m_CompTel", 20},
    {"m_CompAddr", 100}, {"m_Fax", 20},        {"m_HomeTel", 20},  {"m_HomeAddr", 100},
};

void Open(CAdoDatabase& db, std::string task) {
    db.SetConnectionString(g_ConnectionString);
    db.SetTask(std::move(task));
    db.Open();
}

bool NameTaken(CAdoDatabase& db, const std::string& name) {
    db.Execute(SelectContactSql(name));
    return db.GetRecordCount() > 0;
}

const std::string& T(const ContactForm& form, ContactText field) {
    return form.Text(field);
}

} // namespace

std::size_t ContactTextLimit(ContactText field) {
    return kTextFields[static_cast<std::size_t>(field)].limit;
}

const char* ContactTextColumn(ContactText field) {
    return kTextFields[static_cast<std::size_t>(field)].column;
}

const std::vector<std::string>& CalendarEntries() {
    static const std::vector<std::string> entries = {"阴历", "阳历"};
    return entries;
}

const std::vector<std::string>& GroupEntries() {
    static const std::vector<std::string> entries = [] {
        std::vector<std::string> groups = {"亲人", "朋友", "同事", "同学"};
        std::sort(groups.begin(), groups.end(), [](const std::string& a, const std::string& b) {
            return CompareGb18030(a, b) < 0;
        });
        return groups;
    }();
    return entries;
}

namespace {

ListChoice Choose(const std::vector<std::string>& labels, const std::vector<std::string>& values,
                  const std::string& value, const std::string& ownLabel) {
    ListChoice choice{labels, values, 0};
    const auto found = std::find(values.begin(), values.end(), value);
    choice.selected = static_cast<std::size_t>(found - values.begin());
    if (found == values.end()) {
        choice.labels.push_back(ownLabel);
        choice.values.push_back(value);
    }
    return choice;
}

} // namespace

ListChoice ChooseCalendar(const std::string& calendar) {
    return Choose(CalendarEntries(), CalendarEntries(), calendar,
                  calendar.empty() ? kNoCalendarLabel : calendar);
}

ListChoice ChooseGroup(const std::string& group) {
    static const std::vector<std::string> labels = [] {
        std::vector<std::string> entries = {kNoGroupName};
        entries.insert(entries.end(), GroupEntries().begin(), GroupEntries().end());
        return entries;
    }();
    static const std::vector<std::string> values = [] {
        std::vector<std::string> entries = {""};
        entries.insert(entries.end(), GroupEntries().begin(), GroupEntries().end());
        return entries;
    }();
    return Choose(labels, values, group, group);
}

std::string ContactDateLiteral(const BirthDate& birth) {
    return birth.Format("#%Y-%m-%d#");
}

std::string SelectContactSql(const std::string& name) {
    return SqlFormat("Select * From TiXing Where m_Name='%s'", name);
}

namespace {

// The values after m_IsVailid, in the column order of both statements.
void AppendLastValues(const ContactForm& f, std::vector<SqlArg>& args) {
    using C = ContactText;
    args.emplace_back(std::int64_t{f.remind ? 1 : 0});
    args.emplace_back(T(f, C::Mobile));
    args.emplace_back(T(f, C::Email));
    args.emplace_back(T(f, C::QQ));
    args.emplace_back(f.group);
    for (const C field : {C::Company, C::Department, C::Position, C::CompTel, C::CompAddr, C::Fax,
                          C::HomeTel, C::HomeAddr})
        args.emplace_back(T(f, field));
}

} // namespace

std::string InsertContactSql(const ContactForm& f) {
    const bool dated = f.birth.IsValid();
    std::vector<SqlArg> args = {f.Name(), f.calendar};
    if (dated)
        args.emplace_back(ContactDateLiteral(f.birth));
    AppendLastValues(f, args);
    return SqlFormatArgs(
        std::string("InSert Into TiXing(m_Name,m_DateStatus,m_Date,m_IsVailid,m_Mobile,m_Email,"
                    "m_QQ,m_Group,m_Company,m_Department,m_Position,m_CompTel,m_CompAddr,m_Fax,"
                    "m_HomeTel,m_HomeAddr)Values('%s','%s',") +
            (dated ? "%s" : "Null") +
            ",%d,'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s')",
        args);
}

std::string UpdateContactSql(const ContactForm& f, const ContactForm& before) {
    std::string format = "Update TiXing Set m_Name='%s',m_DateStatus='%s',";
    std::vector<SqlArg> args = {f.Name(), f.calendar};
    if (f.birth != before.birth) {
        if (f.birth.IsValid()) {
            format += "m_Date=%s,";
            args.emplace_back(ContactDateLiteral(f.birth));
        } else {
            format += "m_Date=Null,";
        }
    }
    format += "m_IsVailid=%d,m_Mobile='%s',m_Email='%s',m_QQ='%s',m_Group='%s',m_Company='%s',"
              "m_Department='%s',m_Position='%s',m_CompTel='%s',m_CompAddr='%s',m_Fax='%s',"
              "m_HomeTel='%s',m_HomeAddr='%s' Where m_Name='%s'";
    AppendLastValues(f, args);
    args.emplace_back(before.Name());
    return SqlFormatArgs(format, args);
}

std::string DeleteContactSql(const std::string& name) {
    return SqlFormat("Delete * From TiXing Where m_Name='%s'", name);
}

ContactLookup LookUpContact(const std::string& name, Prompter& prompter) {
    ContactLookup lookup;
    try {
        CAdoDatabase db;
        Open(db, "读取" + name + "的资料");
        db.Execute(SelectContactSql(name));
        if (db.GetRecordCount() > 0) {
            ContactForm& form = lookup.form;
            for (std::size_t i = 0; i < kContactTextCount; ++i)
                form.texts[i] = db.GetCollect(kTextFields[i].column).AsString();
            form.calendar = db.GetCollect("m_DateStatus").AsString();
            form.birth = db.GetCollect("m_Date").AsBirthDate();
            form.remind = db.GetCollect("m_IsVailid").AsYesNo() == 1;
            form.group = db.GetCollect("m_Group").AsString();
            lookup.result = LookupResult::Found;
        }
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        lookup.result = LookupResult::Failed;
    }
    return lookup;
}

std::optional<std::vector<ContactGroup>> LoadContactTree(Prompter& prompter) {
    try {
        CAdoDatabase db;
        Open(db, "读取通讯录");
        std::vector<ContactGroup> tree = LoadContactGroups(db);
        db.Close();
        return tree;
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return std::nullopt;
    }
}

WriteOutcome AddContact(const ContactForm& form, Prompter& prompter) {
    if (form.Name().empty()) {
        prompter.Tell("请输入姓名后才能增加新的联络人！");
        return WriteOutcome::Refused;
    }
    try {
        CAdoDatabase db;
        Open(db, "添加联络人" + form.Name());
        if (NameTaken(db, form.Name())) {
            db.Close();
            prompter.Tell("姓名已存在！");
            return WriteOutcome::Refused;
        }
        db.Execute(InsertContactSql(form));
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return WriteOutcome::Failed;
    }
    prompter.Tell("添加成功！");
    return WriteOutcome::Written;
}

WriteOutcome UpdateContact(const ContactForm& form, const ContactForm& before, Prompter& prompter) {
    const std::string& oldName = before.Name();
    // A row without a name could no longer be told apart or found.
    if (form.Name().empty()) {
        prompter.Tell("请输入姓名后才能更新联络人！");
        return WriteOutcome::Refused;
    }
    try {
        CAdoDatabase db;
        Open(db, "修改联络人" + oldName);
        if (form.Name() != oldName && NameTaken(db, form.Name())) {
            db.Close();
            prompter.Tell("姓名已存在！");
            return WriteOutcome::Refused;
        }
        db.Execute(UpdateContactSql(form, before));
        // Another copy of the program may have deleted or renamed the
        // contact since it was shown: nothing was changed, and saying
        // otherwise would lose what the user typed.
        const long changed = db.ChangedRows();
        db.Close();
        if (changed == 0) {
            prompter.Tell("没有找到联络人" + oldName +
                          "，可能已被删除或改名，没有修改任何资料。可以按“新增”把它作为新的联络人保存。");
            return WriteOutcome::Failed;
        }
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return WriteOutcome::Failed;
    }
    prompter.Tell("修改成功！");
    return WriteOutcome::Written;
}

WriteOutcome DeleteContact(const std::string& name, Prompter& prompter) {
    if (prompter.Ask("你确定要删除关于 " + name + " 的资料吗?", kAppTitle, PromptButtons::OkCancel,
                     PromptIcon::Question) != PromptAnswer::Ok)
        return WriteOutcome::Cancelled;
    try {
        CAdoDatabase db;
        Open(db, "删除联络人" + name);
        db.Execute(DeleteContactSql(name));
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return WriteOutcome::Failed;
    }
    prompter.Tell("删除" + name + "成功！");
    return WriteOutcome::Written;
}

std::optional<ContactNode> PreviousContactNode(const std::vector<ContactGroup>& tree,
                                               const ContactNode& from) {
    if (from.child > 0)
        return ContactNode{from.group, from.child - 1};
    if (from.child == 0)
        return ContactNode{from.group, -1};
    if (from.group <= 0)
        return std::nullopt;
    const int previous = from.group - 1;
    const int children = static_cast<int>(tree[static_cast<std::size_t>(previous)].names.size());
    return ContactNode{previous, children > 0 ? children - 1 : -1};
}

std::optional<ContactNode> NextContactNode(const std::vector<ContactGroup>& tree,
                                           const ContactNode& from) {
    const auto group = static_cast<std::size_t>(from.group);
    if (group >= tree.size())
        return std::nullopt;
    const int children = static_cast<int>(tree[group].names.size());
    if (from.child + 1 < children)
        return ContactNode{from.group, from.child + 1};
    if (group + 1 < tree.size())
        return ContactNode{from.group + 1, -1};
    return std::nullopt;
}

std::optional<ContactNode> FindContactNode(const std::vector<ContactGroup>& tree,
                                           const std::string& name) {
    for (std::size_t g = 0; g < tree.size(); ++g) {
        const std::vector<std::string>& names = tree[g].names;
        const auto found = std::find(names.begin(), names.end(), name);
        if (found != names.end())
            return ContactNode{static_cast<int>(g), static_cast<int>(found - names.begin())};
    }
    return std::nullopt;
}

namespace {

char FoldLatin(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldedLatin(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        c = FoldLatin(c);
    return folded;
}

} // namespace

std::vector<ContactNode> SearchContactNodes(const std::vector<ContactGroup>& tree,
                                            std::string_view text) {
    const std::string_view wanted = TrimSpace(text);
    if (wanted.empty())
        return {};
    // UTF-8 never matches inside another character, so a plain byte search
    // finds exactly the names holding the text; folding touches ASCII only.
    const std::string folded = FoldedLatin(wanted);
    std::vector<ContactNode> whole, partial;
    for (std::size_t g = 0; g < tree.size(); ++g) {
        const std::vector<std::string>& names = tree[g].names;
        for (std::size_t c = 0; c < names.size(); ++c) {
            const std::string name = FoldedLatin(names[c]);
            const ContactNode node{static_cast<int>(g), static_cast<int>(c)};
            if (name == folded)
                whole.push_back(node);
            else if (name.find(folded) != std::string::npos)
                partial.push_back(node);
        }
    }
    whole.insert(whole.end(), partial.begin(), partial.end());
    return whole;
}

std::string NoContactFoundText(std::string_view text) {
    return "没有找到姓名中含有“" + std::string(TrimSpace(text)) + "”的联络人。";
}
