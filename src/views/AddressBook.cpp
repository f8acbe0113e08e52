#include "views/AddressBook.h"

#include "app/AppInfo.h"
#include "platform/Prompter.h"
#include "platform/TextCodec.h"
#include "reminders/CAdoDatabase.h"

#include <algorithm>
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

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

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

GroupChoice ChooseGroup(const std::string& group) {
    GroupChoice choice{GroupEntries(), std::nullopt};
    if (group.empty())
        return choice;
    const auto found = std::find(choice.entries.begin(), choice.entries.end(), group);
    choice.selected = static_cast<std::size_t>(found - choice.entries.begin());
    if (found == choice.entries.end())
        choice.entries.push_back(group);
    return choice;
}

std::optional<std::size_t> EntryBeginningWith(const std::vector<std::string>& entries,
                                              const std::string& text) {
    if (text.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        if (entry.size() >= text.size() &&
            std::equal(text.begin(), text.end(), entry.begin(),
                       [](char a, char b) { return FoldAscii(a) == FoldAscii(b); }))
            return i;
    }
    return std::nullopt;
}

std::string ContactDateLiteral(const DateTime& birth) {
    return birth.Format("#%Y-%m-%d#");
}

std::string SelectContactSql(const std::string& name) {
    return SqlFormat("Select * From TiXing Where m_Name='%s'", name);
}

std::string InsertContactSql(const ContactForm& f) {
    using C = ContactText;
    return SqlFormat(
        "InSert Into TiXing(m_Name,m_DateStatus,m_Date,m_IsVailid,m_Mobile,m_Email,m_QQ,m_Group,"
        "m_Company,m_Department,m_Position,m_CompTel,m_CompAddr,m_Fax,m_HomeTel,m_HomeAddr)"
        "Values('%s','%s',%s,%d,'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s')",
        T(f, C::Name), f.calendar, ContactDateLiteral(f.birth), f.remind ? 1 : 0, T(f, C::Mobile),
        T(f, C::Email), T(f, C::QQ), f.group, T(f, C::Company), T(f, C::Department),
        T(f, C::Position), T(f, C::CompTel), T(f, C::CompAddr), T(f, C::Fax), T(f, C::HomeTel),
        T(f, C::HomeAddr));
}

std::string UpdateContactSql(const ContactForm& f, const std::string& oldName) {
    using C = ContactText;
    return SqlFormat(
        "Update TiXing Set m_Name='%s',m_DateStatus='%s',m_Date=%s,m_IsVailid=%d,m_Mobile='%s',"
        "m_Email='%s',m_QQ='%s',m_Group='%s',m_Company='%s',m_Department='%s',m_Position='%s',"
        "m_CompTel='%s',m_CompAddr='%s',m_Fax='%s',m_HomeTel='%s',m_HomeAddr='%s' Where "
        "m_Name='%s'",
        T(f, C::Name), f.calendar, ContactDateLiteral(f.birth), f.remind ? 1 : 0, T(f, C::Mobile),
        T(f, C::Email), T(f, C::QQ), f.group, T(f, C::Company), T(f, C::Department),
        T(f, C::Position), T(f, C::CompTel), T(f, C::CompAddr), T(f, C::Fax), T(f, C::HomeTel),
        T(f, C::HomeAddr), oldName);
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
            form.birth = db.GetCollect("m_Date").AsDateTime();
            form.remind = db.GetCollect("m_IsVailid").AsInt() == 1;
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

WriteOutcome UpdateContact(const ContactForm& form, const std::string& oldName,
                           Prompter& prompter) {
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
        db.Execute(UpdateContactSql(form, oldName));
        db.Close();
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
