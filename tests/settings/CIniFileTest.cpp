#include "settings/CIniFile.h"
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

    // Stores UTF-8 text as GB18030, each "|" ending a line with CR LF.
    void Store(std::string text) {
        for (std::size_t at; (at = text.find('|')) != std::string::npos;)
            text.replace(at, 1, "\r\n");
        WriteBytes(path, Utf8ToGb18030(text));
    }
};

TEST_F(CIniFileTest, LooksUpLikeTheWindowsProfileFunctions) {
    EXPECT_EQ(ini.GetString("A", "k", "D") + ini.GetString("A", "k", "x  "), "Dx") << "no file";
    EXPECT_EQ(ini.GetInt("A", "k", 7), 7);
    // [A] k as text and as a number (default 99): names ignore case and blanks, the first
    // section and key win, keys above any section belong to none.
    const std::tuple<const char*, const char*, int> cases[] = {
        {"[a]|K=1", "1", 1},          {" [ A ] |  k  =  1 2  ", "1 2", 1},
        {"[A]|k=-7|", "-7", -7},      {"[A]|k=1|K=9|[a]|k=2", "1", 1},
        {"[A]|j=1|[a]|k=2", "D", 99}, {"k=5|[A]", "D", 99},
        {"[A]|k=a=b", "a=b", 0},      {"[A]|k=", "", 99},
        {"[A]|k", "D", 99},           {"[A]|k=42abc", "42abc", 42},
        {"[A]|k=0x1F", "0x1F", 31},   {"[A]|k=4294967297", "4294967297", 1}};
    for (const auto& [file, text, number] : cases) {
        Store(file);
        EXPECT_EQ(ini.GetString("A", "k", "D"), text) << file;
        EXPECT_EQ(ini.GetInt("A", "k", 99), number) << file;
    }
    Store("[A]\n\t k\t=\t\"quoted\"\t\n[邮件]\n主题=生日快乐");
    EXPECT_EQ(ini.GetString("A", "K", "") + ini.GetString("邮件", "主题", ""),
              "\"quoted\"生日快乐");
}

TEST_F(CIniFileTest, StringsAreCutAt259BytesAndSectionsAt1024) {
    std::string chinese;
    for (int i = 0; i < 200; ++i)
        chinese += "生";
    Store("[S]|zh=" + chinese + "|mix=a" + chinese);
    EXPECT_EQ(Gb18030Length(ini.GetString("S", "zh", "")), 258u); // 259 would split a character
    EXPECT_EQ(Gb18030Length(ini.GetString("S", "mix", "")), 259u);
    EXPECT_EQ(Gb18030Length(ini.GetString("S", "absent", chinese)), 258u);

    const std::string body(800, 'Q'); // a Base64 draft body
    ASSERT_TRUE(ini.WriteString("Mail", "Content", body));
    EXPECT_EQ(ini.GetString("Mail", "Content", "").size(), 259u);
    EXPECT_EQ(ini.GetSectionValue("Mail", "Content"), body);
    // A takes 603 of the 1024 bytes, B is cut to what is left, C is past the cut.
    Store("[S]|A=" + std::string(600, 'a') + "|B=" + std::string(600, 'b') + "|C=1|");
    EXPECT_EQ(ini.GetSectionValue("S", "B"), std::string(1024 - 603 - 2 - 2, 'b'));
    EXPECT_EQ(ini.GetSectionValue("S", "C"), "");
    EXPECT_EQ(ini.SectionKeys(), (Strings{"A", "B"}));
    // Entries in file order, comments left out, a bare line as a value with an empty key.
    Store("[Mail]|Subject=生日|; note||bare entry|Content=a=b==|");
    ini.ReadSection("mail");
    EXPECT_EQ(ini.SectionKeys(), (Strings{"Subject", "", "Content"}));
    EXPECT_EQ(ini.SectionValues(), (Strings{"生日", "bare entry", "a=b=="}));
}

TEST_F(CIniFileTest, WriteChangesOnlyItsOwnLine) {
    ASSERT_TRUE(ini.WriteString("Mail", "Subject", "生日"));
    EXPECT_EQ(ReadBytes(path), "[Mail]\r\nSubject=\xC9\xFA\xC8\xD5\r\n"); // GB18030, CR LF

    Store("; Annivo||[Settings]|  runonce = 0   |Unknown=keep me\n|[Mail]|Subject=生日");
    ASSERT_TRUE(ini.WriteString("Settings", "RunOnce", "1"));
    ASSERT_TRUE(ini.WriteString("Settings", "ActiveView", "2"));
    ASSERT_TRUE(ini.WriteString("Mail", "Subject", "祝你生日快乐"));
    ASSERT_TRUE(ini.WriteString("Festival", "24Fest", "0"));
    const std::string expected = ReadBytes(path);
    Store("; Annivo||[Settings]|runonce=1|Unknown=keep me\nActiveView=2||[Mail]|"
          "Subject=祝你生日快乐||[Festival]|24Fest=0|");
    EXPECT_EQ(expected, ReadBytes(path));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
        << "no temporary file is left behind, only the writers' lock file";

    // Text that would start new lines is refused and changes nothing.
    EXPECT_FALSE(ini.WriteString("Mail", "Subject", "x\r\n[Settings]\r\nRunOnce=1"));
    EXPECT_FALSE(ini.WriteString("Mail", "Sub=ject", "x"));
    EXPECT_FALSE(ini.WriteString("Ma]il", "Subject", "x"));
    EXPECT_EQ(ReadBytes(path), expected);

    // Either spelling of the name is the one file, whatever spelling it has on disk.
    std::filesystem::rename(path, dir.Path() / "ANNIVO.INI");
    EXPECT_EQ(CIniFile("Annivo.ini").GetString("Mail", "Subject", ""), "祝你生日快乐");
    ASSERT_TRUE(CIniFile("annivo.ini").WriteString("Settings", "ActiveView", "3"));
    EXPECT_EQ(CIniFile("Annivo.ini").Path(), dir.Path() / "ANNIVO.INI");
    const ScopedEnv missing("ANNIVO_HOME", dir.File("no-such-dir"));
    EXPECT_FALSE(CIniFile("annivo.ini").WriteString("A", "k", "v"));
}

TEST_F(CIniFileTest, DamagedFilesGiveDefaultsAndStayWritable) {
    std::string binary;
    std::mt19937 random(7);
    for (int i = 0; i < 8192; ++i)
        binary += static_cast<char>(random());
    const std::pair<std::string, std::string> cases[] = {
        {binary, "D"},
        {"[A]\r\n" + std::string(1 << 20, 'x') + "\r\nk=1\r\n", "1"},
        {"[A]\r\nk=" + std::string(1 << 20, '9') + "\r\n", std::string(259, '9')},
        {"[]\r\nk=3\r\n[A]\r\nk=1\r\n", "1"},
        {"[A]\r\n[abc\r\nk=1\r\n", "1"},
        {"[A]\r\nk=1" + std::string(1, '\0') + "junk\r\n", "1"},
        {"\xEF\xBB\xBF[A]\r\nk=1\r\n", "D"}}; // a UTF-8 mark eats the "["
    for (const auto& [bytes, expected] : cases) {
        WriteBytes(path, bytes);
        const std::string label = bytes.substr(0, 24);
        EXPECT_EQ(ini.GetString("A", "k", "D"), expected) << label;
        ini.GetInt("A", "k", 0);
        ini.ReadSection("A");
        ASSERT_TRUE(ini.WriteString("A", "New", "v")) << label;
        EXPECT_EQ(ini.GetString("A", "New", "D") + ini.GetString("A", "k", "D"), "v" + expected)
            << label;
    }
}

} // namespace
