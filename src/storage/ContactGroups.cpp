#include "storage/ContactGroups.h"

#include "storage/CAdoDatabase.h"

std::vector<ContactGroup> GroupContacts(const std::vector<ContactRow>& rows) {
    std::vector<ContactGroup> groups;
    for (const ContactRow& row : rows) {
        if (groups.empty() || groups.back().group != row.group)
            groups.push_back({row.group, {}});
        groups.back().names.push_back(row.name);
    }
    return groups;
}

std::vector<ContactGroup> LoadContactGroups(CAdoDatabase& db) {
    db.Execute("Select * From TiXing Order By m_Group");
    std::vector<ContactRow> rows;
    if (db.GetRecordCount() > 0) {
        rows.reserve(static_cast<std::size_t>(db.GetRecordCount()));
        for (; !db.IsEOF(); db.MoveNext())
            rows.push_back(
                {db.GetCollect("m_Group").AsString(), db.GetCollect("m_Name").AsString()});
    }
    return GroupContacts(rows);
}
