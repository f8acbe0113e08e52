#pragma once
// The contacts of the TiXing table as a two-level tree: a node per group,
// under it the names of that group. The address book and the mail composer
// both show it.

#include <string>
#include <vector>

class CAdoDatabase;

// What the trees and the address book's group list call the empty group.
inline constexpr const char* kNoGroupName = "(未分组)";

struct ContactGroup {
    std::string group;
    std::vector<std::string> names;
};

struct ContactRow {
    std::string group;
    std::string name;
};

// Groups rows in the order given. A group starts a new node whenever it
// differs (byte for byte) from the row before, so a group whose rows do not
// come together shows up twice, as it does in the table's order.
std::vector<ContactGroup> GroupContacts(const std::vector<ContactRow>& rows);

// Runs the tree's query on an open database; DbError on failure.
std::vector<ContactGroup> LoadContactGroups(CAdoDatabase& db);
