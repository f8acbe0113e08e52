#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace {

// 张 = D5 C5, 三 = C8 FD in GB18030; 😀 (U+1F600) = 94 39 FC 36; € = A2 E3.
const std::string kZhangSan = "张三";
const std::string kEmoji = "😀";

TEST(TextCodec, ConvertsBothWaysWithTheKnownBytes) {
    EXPECT_EQ(Utf8ToGb18030(kZhangSan), "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(Utf8ToGb18030(kEmoji), "\x94\x39\xFC\x36");
    EXPECT_EQ(Gb18030ToUtf8("\xD5\xC5\xC8\xFD"), kZhangSan);
    EXPECT_EQ(Gb18030ToUtf8("\x94\x39\xFC\x36"), kEmoji);
    const std::string mixed = "O'Brien 李四 €1 😀\r\n";
    EXPECT_EQ(Gb18030ToUtf8(Utf8ToGb18030(mixed)), mixed);
    EXPECT_EQ(Utf8ToGb18030(""), "");
    EXPECT_EQ(Gb18030ToUtf8(""), "");
}

TEST(TextCodec, DamagedInputIsReplacedNotFatal) {
    EXPECT_EQ(Utf8ToGb18030("\xFF"
                            "abc"),
              "?abc");
    EXPECT_EQ(Utf8ToGb18030("ab\xE5\xBC"), "ab??"); // cut inside a 3-byte character
    EXPECT_EQ(Utf8ToGb18030("\xC0\xAF"), "??");     // overlong '/'
    EXPECT_EQ(Gb18030ToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Gb18030ToUtf8("\xFF"
                            "z"),
              "\xEF\xBF\xBD"
              "z");
    EXPECT_EQ(Gb18030Length("\xFF\xFE"), 2u);
    EXPECT_EQ(CutToGb18030Bytes("\xFF"
                                "abc",
                                2),
              "?a");
}

TEST(TextCodec, LengthCountsGb18030Bytes) {
    EXPECT_EQ(Gb18030Length(""), 0u);
    EXPECT_EQ(Gb18030Length("abc"), 3u);
    EXPECT_EQ(Gb18030Length("张三abc"), 7u);
    EXPECT_EQ(Gb18030Length("€"), 2u);
    EXPECT_EQ(Gb18030Length("a😀"), 5u);
    // 20 bytes = 10 Chinese characters, the usual field limit.
    EXPECT_EQ(Gb18030Length("一二三四五六七八九十"), 20u);
}

TEST(TextCodec, CutNeverSplitsACharacter) {
    struct Case {
        std::string text;
        std::size_t max;
        std::string expected;
    };
    const Case cases[] = {
        {"", 7, ""},
        {"张三", 0, ""},
        {"张三", 1, ""},   // inside the first 2-byte character
        {"张三", 3, "张"}, // inside the second
        {"张三", 4, "张三"},
        {"张三", 100, "张三"},
        {"a😀b", 1, "a"},
        {"a😀b", 2, "a"}, // inside the 4-byte character
        {"a😀b", 4, "a"},
        {"a😀b", 5, "a😀"},
        {"a😀b", 6, "a😀b"},
        {"中秋节快乐", 7, "中秋节"}, // the calendar cell's short text
        {"abcdefghij", 7, "abcdefg"},
    };
    for (const Case& c : cases) {
        const std::string cut = CutToGb18030Bytes(c.text, c.max);
        EXPECT_EQ(cut, c.expected) << c.text << " cut to " << c.max;
        EXPECT_LE(Gb18030Length(cut), c.max);
    }
}

TEST(TextCodec, CompareOrdersByUnsignedGb18030Bytes) {
    // GB18030 puts common characters in pinyin order: li < wang < zhang.
    EXPECT_LT(CompareGb18030("李四", "王五"), 0);
    EXPECT_LT(CompareGb18030("王五", "张三"), 0);
    EXPECT_GT(CompareGb18030("张三", "李四"), 0);
    // A prefix sorts first; equal texts compare equal.
    EXPECT_LT(CompareGb18030("张", "张三"), 0);
    EXPECT_GT(CompareGb18030("张三", "张"), 0);
    EXPECT_EQ(CompareGb18030("张三", "张三"), 0);
    EXPECT_LT(CompareGb18030("", "a"), 0);
    // Bytes are unsigned: ASCII before every Chinese character.
    EXPECT_LT(CompareGb18030("zzz", "阿"), 0);
}

} // namespace
