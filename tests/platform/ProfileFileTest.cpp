#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <random>

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path path = dir.Path() / "annivo.ini";
    ProfileFile file{path};

    void Store(const std::string& utf8) { WriteBytes(path, Utf8ToGb18030(utf8)); }
    std::string Get(const std::string& section, const std::string& key) const {
        return file.GetString(section, key, "DEF", 259);
    }
};

TEST_F(ProfileFileTest, LooksUpLikeTheWindowsProfileFunctions) {
    EXPECT_EQ(Get("Settings", "RunOnce"), "DEF"); // no file
    EXPECT_EQ(file.GetInt("Settings", "RunOnce", 7), 7);
    struct Case {
        const char *file, *section, *key, *expected;
    };
    const Case cases[] = {
        {"[settings]\r\nrunonce=1\r\n", "SETTINGS", "RunOnce", "1"},
        {"  [ Settings ]  \r\n\t RunOnce \t=  1 2  \r\n", "Settings", "RunOnce", "1 2"},
        {"[Settings]\nRunOnce=1\n", "Settings", "RunOnce", "1"},
        {"[A]\r\nk=1\r\nK=9\r\n[a]\r\nk=2\r\nj=3\r\n", "A", "k", "1"},
        {"[A]\r\nk=1\r\n[a]\r\nk=2\r\nj=3\r\n", "A", "j", "DEF"}, // only the first section counts
        {"[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
        {"[A]\r\nk=\r\n", "A", "k", ""},
        {"[A]\r\nk\r\n", "A", "k", "DEF"},
        {"[邮件]\r\n主题=生日快乐\r\n", "邮件", "主题", "生日快乐"},
        {"[A]\r\nk=\"quoted\"\r\n", "A", "k", "\"quoted\""}, // a draft subject keeps its quotes
    };
    for (const Case& c : cases) {
        Store(c.file);
        EXPECT_EQ(Get(c.section, c.key), c.expected) << c.file << " " << c.section << "/" << c.key;
    }
}

TEST_F(ProfileFileTest, IntegersParseLeadingDigits) {
    const std::pair<const char*, int> cases[] = {
        {"1", 1}, {"42abc", 42}, {"-7", -7}, {"+3", 3}, {"abc", 0},        {"-", 0},
        {"", 99}, {"0x1F", 31},  {"1 2", 1}, {"٣", 0},  {"4294967297", 1},
    };
    for (const auto& [text, expected] : cases) {
        Store(std::string("[S]\r\nk=") + text + "\r\n");
        EXPECT_EQ(file.GetInt("S", "k", 99), expected) << text;
    }
    EXPECT_EQ(file.GetInt("S", "absent", 99), 99);
}

TEST_F(ProfileFileTest, StringsAreCutAt259BytesBetweenCharacters) {
    std::string chinese;
    for (int i = 0; i < 200; ++i)
        chinese += "生";
    Store("[S]\r\nascii=" + std::string(300, 'a') + "\r\nzh=" + chinese + "\r\nmix=a" + chinese);
    EXPECT_EQ(Get("S", "ascii"), std::string(259, 'a'));
    EXPECT_EQ(Gb18030Length(Get("S", "zh")), 258u); // 259 would split a character
    EXPECT_EQ(Gb18030Length(Get("S", "mix")), 259u);
    EXPECT_EQ(Gb18030Length(file.GetString("S", "absent", chinese, 259)), 258u);
}

TEST_F(ProfileFileTest, WriteChangesOnlyItsOwnLine) {
    ASSERT_TRUE(file.WriteString("Mail", "Subject", "生日"));
    EXPECT_EQ(ReadBytes(path), "[Mail]\r\nSubject=\xC9\xFA\xC8\xD5\r\n"); // GB18030, CR LF

    Store("; Annivo\r\n\r\n[Settings]\r\n  runonce = 0   \r\nUnknown=keep "
          "me\n\r\n[Mail]\r\nSubject=生日");
    ASSERT_TRUE(file.WriteString("Settings", "RunOnce", "1"));
    ASSERT_TRUE(file.WriteString("Settings", "ActiveView", "2"));
    ASSERT_TRUE(file.WriteString("Mail", "Subject", "祝你生日快乐"));
    ASSERT_TRUE(file.WriteString("Festival", "24Fest", "0"));
    EXPECT_EQ(ReadBytes(path),
              Utf8ToGb18030("; Annivo\r\n\r\n[Settings]\r\nrunonce=1\r\n"
                            "Unknown=keep me\nActiveView=2\r\n\r\n[Mail]\r\n"
                            "Subject=祝你生日快乐\r\n\r\n[Festival]\r\n24Fest=0\r\n"));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // Text that would start new lines is refused and changes nothing.
    const std::string before = ReadBytes(path);
    EXPECT_FALSE(file.WriteString("Mail", "Subject", "x\r\n[Settings]\r\nRunOnce=1"));
    EXPECT_FALSE(file.WriteString("Mail", "Sub=ject", "x"));
    EXPECT_FALSE(file.WriteString("Ma]il", "Subject", "x"));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(ProfileFile(dir.Path() / "no-such-dir" / "a.ini").WriteString("A", "k", "v"));
}

TEST_F(ProfileFileTest, DamagedFilesGiveDefaultsAndStayWritable) {
    std::string binary;
    std::mt19937 random(7);
    for (int i = 0; i < 8192; ++i)
        binary += static_cast<char>(random());
    const std::pair<std::string, std::string> cases[] = {
        // file, value of [Settings] k
        {binary, "DEF"},
        {"[Settings]\r\n" + std::string(1 << 20, 'x') + "\r\nk=1\r\n", "1"},
        {"[Settings]\r\nk=" + std::string(1 << 20, '9') + "\r\n", std::string(259, '9')},
        {"[Settings]\r\nk=1", "1"},
        {"k=5\r\n[Settings]\r\n", "DEF"},
        {"[]\r\nk=3\r\n[Settings]\r\nk=1\r\n", "1"},
        {"[Settings]\r\n[abc\r\nk=1\r\n", "1"},
        {"[Settings]\r\nk=1" + std::string(1, '\0') + "junk\r\n", "1"},
        {"\xEF\xBB\xBF[Settings]\r\nk=1\r\n", "DEF"}, // a UTF-8 mark eats the "["
    };
    for (const auto& [bytes, expected] : cases) {
        WriteBytes(path, bytes);
        const std::string label = bytes.substr(0, 24);
        EXPECT_EQ(Get("Settings", "k"), expected) << label;
        file.GetInt("Settings", "k", 0);
        file.GetSection("Settings", 1024);
        ASSERT_TRUE(file.WriteString("Settings", "New", "v")) << label;
        EXPECT_EQ(Get("Settings", "New"), "v") << label;
        EXPECT_EQ(Get("Settings", "k"), expected) << label;
    }
}

} // namespace
