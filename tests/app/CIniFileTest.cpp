#include "app/CIniFile.h"
#include "platform/TextCodec.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

class CIniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv programDirectory{"ANNIVO_HOME", dir.Path().string()};
};

TEST_F(CIniFileTest, BothSpellingsOfTheNameAreOneFile) {
    EXPECT_EQ(CIniFile("Annivo.ini").Path(), dir.Path() / "annivo.ini");
    ASSERT_TRUE(CIniFile("Annivo.ini").WriteString("Settings", "ActiveView", "2"));
    EXPECT_EQ(CIniFile("annivo.ini").GetInt("Settings", "ActiveView", 0), 2);
    // A file copied in with another spelling is still found.
    std::filesystem::rename(dir.Path() / "annivo.ini", dir.Path() / "ANNIVO.INI");
    EXPECT_EQ(CIniFile("Annivo.ini").Path(), dir.Path() / "ANNIVO.INI");
    EXPECT_EQ(CIniFile("annivo.ini").GetInt("Settings", "ActiveView", 0), 2);
}

TEST_F(CIniFileTest, ReadSectionFillsParallelLists) {
    WriteBytes(
        dir.Path() / "annivo.ini",
        Utf8ToGb18030("[Mail]\r\nSubject=生日\r\n; note\r\n\r\nbare entry\r\nContent=a=b==\r\n"));
    CIniFile ini("annivo.ini");
    ini.ReadSection("mail");
    EXPECT_EQ(ini.SectionKeys(), (Strings{"Subject", "", "Content"}));
    EXPECT_EQ(ini.SectionValues(), (Strings{"生日", "bare entry", "a=b=="}));
    EXPECT_EQ(ini.GetSectionValue("Mail", "Content"), "a=b==");
    EXPECT_EQ(ini.GetSectionValue("Mail", "content"), ""); // exact key only
    ini.ReadSection("Absent");
    EXPECT_TRUE(ini.SectionKeys().empty() && ini.SectionValues().empty());
}

TEST_F(CIniFileTest, SectionValuesGoBeyondTheStringLimitUpTo1024Bytes) {
    const std::string body(800, 'Q'); // a Base64 draft body
    CIniFile ini("annivo.ini");
    ASSERT_TRUE(ini.WriteString("Mail", "Content", body));
    EXPECT_EQ(ini.GetString("Mail", "Content", "").size(), 259u);
    EXPECT_EQ(ini.GetSectionValue("Mail", "Content"), body);

    // A takes 603 of the 1024 bytes, B is cut to what is left, C is past the cut.
    WriteBytes(dir.Path() / "annivo.ini", "[S]\r\nA=" + std::string(600, 'a') +
                                              "\r\nB=" + std::string(600, 'b') + "\r\nC=1\r\n");
    EXPECT_EQ(ini.GetSectionValue("S", "B"), std::string(1024 - 603 - 2 - 2, 'b'));
    EXPECT_EQ(ini.GetSectionValue("S", "C"), "");
    EXPECT_EQ(ini.SectionKeys(), (Strings{"A", "B"}));
    // "A=" + 1020 bytes and its zero leave just the final zero; one more byte is cut.
    for (const std::size_t size : {1020u, 1021u}) {
        WriteBytes(dir.Path() / "annivo.ini", "[S]\r\nA=" + std::string(size, 'a'));
        EXPECT_EQ(ini.GetSectionValue("S", "A").size(), 1020u) << size;
    }
}

} // namespace
