#include "app/CIniFile.h"
#include "platform/TextCodec.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using Strings = std::vector<std::string>;

class CIniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv programDirectory{"ANNIVO_HOME", dir.Path().string()};
    std::filesystem::path path = dir.Path() / "annivo.ini";
    CIniFile ini{"annivo.ini"};

    void Store(const std::string& utf8) { WriteBytes(path, Utf8ToGb18030(utf8)); }
};

TEST_F(CIniFileTest, LooksUpLikeTheWindowsProfileFunctions) {
    EXPECT_EQ(ini.GetString("Settings", "RunOnce", "DEF") + ini.GetString("S", "k", "x  "), "DEFx");
    EXPECT_EQ(ini.GetInt("Settings", "RunOnce", 7), 7) << "no file";
    const struct {
        const char *file, *section, *key, *text;
        int number;
    } cases[] = {
        {"[settings]\r\nrunonce=1\r\n", "SETTINGS", "RunOnce", "1", 1},
        {"  [ Settings ]  \r\n\t RunOnce \t=  1 2  \r\n", "Settings", "RunOnce", "1 2", 1},
        {"[Settings]\nRunOnce=-7\n", "Settings", "RunOnce", "-7", -7},
        {"[A]\r\nk=1\r\nK=9\r\n[a]\r\nk=2\r\nj=3\r\n", "A", "k", "1", 1},
        {"[A]\r\nk=1\r\n[a]\r\nk=2\r\nj=3\r\n", "A", "j", "DEF", 99}, // only the first section
        {"k=5\r\n[A]\r\n", "A", "k", "DEF", 99},
        {"[A]\r\nk=a=b\r\n", "A", "k", "a=b", 0},
        {"[A]\r\nk=\r\n", "A", "k", "", 99},
        {"[A]\r\nk\r\n", "A", "k", "DEF", 99},
        {"[邮件]\r\n主题=生日快乐\r\n", "邮件", "主题", "生日快乐", 0},
        {"[A]\r\nk=\"quoted\"\r\n", "A", "k", "\"quoted\"", 0}, // a draft subject keeps its quotes
        {"[A]\r\nk=42abc", "A", "k", "42abc", 42},
        {"[A]\r\nk=+3", "A", "k", "+3", 3},
        {"[A]\r\nk=-", "A", "k", "-", 0},
        {"[A]\r\nk=0x1F", "A", "k", "0x1F", 31},
        {"[A]\r\nk=٣", "A", "k", "٣", 0},
        {"[A]\r\nk=4294967297", "A", "k", "4294967297", 1},
    };
    for (const auto& c : cases) {
        Store(c.file);
        EXPECT_EQ(ini.GetString(c.section, c.key, "DEF"), c.text) << c.file << " " << c.key;
        EXPECT_EQ(ini.GetInt(c.section, c.key, 99), c.number) << c.file << " " << c.key;
    }
}

TEST_F(CIniFileTest, BothSpellingsOfTheNameAreOneFile) {
    EXPECT_EQ(CIniFile("Annivo.ini").Path(), path);
    ASSERT_TRUE(CIniFile("Annivo.ini").WriteString("Settings", "ActiveView", "2"));
    EXPECT_EQ(CIniFile("annivo.ini").GetInt("Settings", "ActiveView", 0), 2);
    // A file copied in with another spelling is still found.
    std::filesystem::rename(path, dir.Path() / "ANNIVO.INI");
    EXPECT_EQ(CIniFile("Annivo.ini").Path(), dir.Path() / "ANNIVO.INI");
    EXPECT_EQ(CIniFile("annivo.ini").GetInt("Settings", "ActiveView", 0), 2);
}

TEST_F(CIniFileTest, StringsAreCutAt259BytesAndSectionsAt1024) {
    std::string chinese;
    for (int i = 0; i < 200; ++i)
        chinese += "生";
    Store("[S]\r\nascii=" + std::string(300, 'a') + "\r\nzh=" + chinese + "\r\nmix=a" + chinese);
    EXPECT_EQ(ini.GetString("S", "ascii", ""), std::string(259, 'a'));
    EXPECT_EQ(Gb18030Length(ini.GetString("S", "zh", "")), 258u); // 259 would split a character
    EXPECT_EQ(Gb18030Length(ini.GetString("S", "mix", "")), 259u);
    EXPECT_EQ(Gb18030Length(ini.GetString("S", "absent", chinese)), 258u);

    const std::string body(800, 'Q'); // a Base64 draft body
    ASSERT_TRUE(ini.WriteString("Mail", "Content", body));
    EXPECT_EQ(ini.GetString("Mail", "Content", "").size(), 259u);
    EXPECT_EQ(ini.GetSectionValue("Mail", "Content"), body);
    // A takes 603 of the 1024 bytes, B is cut to what is left, C is past the cut.
    WriteBytes(path, "[S]\r\nA=" + std::string(600, 'a') + "\r\nB=" + std::string(600, 'b') +
                         "\r\nC=1\r\n");
    EXPECT_EQ(ini.GetSectionValue("S", "B"), std::string(1024 - 603 - 2 - 2, 'b'));
    EXPECT_EQ(ini.GetSectionValue("S", "C"), "");
    EXPECT_EQ(ini.SectionKeys(), (Strings{"A", "B"}));
    // "A=" + 1020 bytes and its zero leave just the final zero; one more byte is cut.
    for (const std::size_t size : {1020u, 1021u}) {
        WriteBytes(path, "[S]\r\nA=" + std::string(size, 'a'));
        EXPECT_EQ(ini.GetSectionValue("S", "A").size(), 1020u) << size;
    }
}

TEST_F(CIniFileTest, ReadSectionFillsParallelLists) {
    Store("[Mail]\r\nSubject=生日\r\n; note\r\n\r\nbare entry\r\nContent=a=b==\r\n");
    ini.ReadSection("mail");
    EXPECT_EQ(ini.SectionKeys(), (Strings{"Subject", "", "Content"}));
    EXPECT_EQ(ini.SectionValues(), (Strings{"生日", "bare entry", "a=b=="}));
    EXPECT_EQ(ini.GetSectionValue("Mail", "content"), ""); // exact key only
    ini.ReadSection("Absent");
    EXPECT_TRUE(ini.SectionKeys().empty() && ini.SectionValues().empty());
}

TEST_F(CIniFileTest, WriteChangesOnlyItsOwnLine) {
    ASSERT_TRUE(ini.WriteString("Mail", "Subject", "生日"));
    EXPECT_EQ(ReadBytes(path), "[Mail]\r\nSubject=\xC9\xFA\xC8\xD5\r\n"); // GB18030, CR LF

    Store("; Annivo\r\n\r\n[Settings]\r\n  runonce = 0   \r\nUnknown=keep "
          "me\n\r\n[Mail]\r\nSubject=生日");
    ASSERT_TRUE(ini.WriteString("Settings", "RunOnce", "1"));
    ASSERT_TRUE(ini.WriteString("Settings", "ActiveView", "2"));
    ASSERT_TRUE(ini.WriteString("Mail", "Subject", "祝你生日快乐"));
    ASSERT_TRUE(ini.WriteString("Festival", "24Fest", "0"));
    EXPECT_EQ(ReadBytes(path),
              Utf8ToGb18030("; Annivo\r\n\r\n[Settings]\r\nrunonce=1\r\n"
                            "Unknown=keep me\nActiveView=2\r\n\r\n[Mail]\r\n"
                            "Subject=祝你生日快乐\r\n\r\n[Festival]\r\n24Fest=0\r\n"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "no temporary file is left behind";

    // Text that would start new lines is refused and changes nothing.
    const std::string before = ReadBytes(path);
    EXPECT_FALSE(ini.WriteString("Mail", "Subject", "x\r\n[Settings]\r\nRunOnce=1"));
    EXPECT_FALSE(ini.WriteString("Mail", "Sub=ject", "x"));
    EXPECT_FALSE(ini.WriteString("Ma]il", "Subject", "x"));
    EXPECT_EQ(ReadBytes(path), before);
    const ScopedEnv missing("ANNIVO_HOME", dir.File("no-such-dir"));
    EXPECT_FALSE(CIniFile("annivo.ini").WriteString("A", "k", "v"));
}

TEST_F(CIniFileTest, DamagedFilesGiveDefaultsAndStayWritable) {
    std::string binary;
    std::mt19937 random(7);
    for (int i = 0; i < 8192; ++i)
        binary += static_cast<char>(random());
    const std::pair<std::string, std::string> cases[] = {
        // file, value of [Settings] k
        {binary, "DEF"},
        {"[Settings]\r\n" + std::string(1 << 20, 'x') + "\r\nk=1\r\n", "1"},
        {"[Settings]\r\nk=" + std::string(1 << 20, '9') + "\r\n", std::string(259, '9')},
        {"[]\r\nk=3\r\n[Settings]\r\nk=1\r\n", "1"},
        {"[Settings]\r\n[abc\r\nk=1\r\n", "1"},
        {"[Settings]\r\nk=1" + std::string(1, '\0') + "junk\r\n", "1"},
        {"\xEF\xBB\xBF[Settings]\r\nk=1\r\n", "DEF"}, // a UTF-8 mark eats the "["
    };
    for (const auto& [bytes, expected] : cases) {
        WriteBytes(path, bytes);
        const std::string label = bytes.substr(0, 24);
        EXPECT_EQ(ini.GetString("Settings", "k", "DEF"), expected) << label;
        ini.GetInt("Settings", "k", 0);
        ini.ReadSection("Settings");
        ASSERT_TRUE(ini.WriteString("Settings", "New", "v")) << label;
        EXPECT_EQ(ini.GetString("Settings", "New", "DEF"), "v") << label;
        EXPECT_EQ(ini.GetString("Settings", "k", "DEF"), expected) << label;
    }
}

} // namespace
