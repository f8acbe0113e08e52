// The contact tree shared by the address book and the mail composer.

#include "storage/ContactGroups.h"

#include "SeededDatabase.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

TEST(ContactGroups, AGroupThatComesBackStartsANewNodeAndEqualityIsByteForByte) {
    const auto groups = GroupContacts({{"亲人", "甲"},
                                       {"亲人", "乙"},
                                       {"朋友", "丙"},
                                       {"亲人", "丁"},
                                       {"Friends", "戊"},
                                       {"friends", "己"}});
    ASSERT_EQ(groups.size(), 5u);
    EXPECT_EQ(groups[0].group, "亲人");
    EXPECT_EQ(groups[0].names, (Names{"甲", "乙"}));
    EXPECT_EQ(groups[2].group, "亲人");
    EXPECT_EQ(groups[2].names, Names{"丁"});
    EXPECT_EQ(groups[4].group, "friends");
    EXPECT_TRUE(GroupContacts({}).empty());
}

TEST(ContactGroups, EveryRowOfTheTableIsShownOnceUnderItsGroup) {
    const SeededDatabase seeded;
    for (const char* row : {"('张三','同事')", "('O''Brien','朋友')", "('李四','同事')",
                            "('𠮷野','')", "('王五','亲人')"})
        seeded.Run(std::string("Insert Into TiXing (m_Name,m_Group) Values ") + row);
    CAdoDatabase db(seeded.Path());
    db.Open();
    const auto groups = LoadContactGroups(db);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].group, ""); // the empty group sorts first
    EXPECT_EQ(groups[0].names, Names{"𠮷野"});
    EXPECT_EQ(groups[2].group, "同事"); // byte order of UTF-8
    EXPECT_EQ(groups[2].names, (Names{"张三", "李四"}));
    EXPECT_EQ(groups[3].names, Names{"O'Brien"});

    seeded.Run("Delete From TiXing");
    EXPECT_TRUE(LoadContactGroups(db).empty());
}

} // namespace
