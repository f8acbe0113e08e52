#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace {

TEST(TextCodec, ConvertsBothWaysWithTheKnownBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"张三", "\xD5\xC5\xC8\xFD"}, {"😀", "\x94\x39\xFC\x36"}, {"€", "\xA2\xE3"}, {"", ""}};
    for (const auto& [utf8, gb] : cases) {
        EXPECT_EQ(Utf8ToGb18030(utf8), gb) << utf8;
        EXPECT_EQ(Gb18030ToUtf8(gb), utf8) << utf8;
    }
}

TEST(TextCodec, DamagedInputIsReplacedNotFatal) {
    EXPECT_EQ(Utf8ToGb18030("\377abc"), "?abc");
    EXPECT_EQ(Utf8ToGb18030("ab\xE5\xBC"), "ab??"); // cut inside a 3-byte character
    EXPECT_EQ(Utf8ToGb18030("\xC0\xAF"), "??");     // overlong '/'
    EXPECT_EQ(Gb18030ToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Gb18030ToUtf8("\377z"), "\xEF\xBF\xBDz");
    EXPECT_EQ(Gb18030Length("\xFF\xFE"), 2u);
    EXPECT_EQ(CutToGb18030Bytes("\377abc", 2), "?a");
}

TEST(TextCodec, LengthCountsGb18030BytesAndCutNeverSplitsACharacter) {
    const std::pair<const char*, std::size_t> lengths[] = {
        {"", 0}, {"abc", 3}, {"张三abc", 7}, {"€", 2}, {"a😀", 5}, {"一二三四五六七八九十", 20}};
    for (const auto& [text, length] : lengths)
        EXPECT_EQ(Gb18030Length(text), length) << text;
    // Every cut, from 0 bytes up, of texts with 2-byte (张) and 4-byte (😀) characters.
    const std::pair<std::string, std::vector<std::string>> cuts[] = {
        {"", {"", ""}},
        {"张三", {"", "", "张", "张", "张三", "张三"}},
        {"a😀b", {"", "a", "a", "a", "a", "a😀", "a😀b", "a😀b"}}};
    for (const auto& [text, expected] : cuts)
        for (std::size_t max = 0; max < expected.size(); ++max)
            EXPECT_EQ(CutToGb18030Bytes(text, max), expected[max]) << text << " cut to " << max;
    EXPECT_EQ(CutToGb18030Bytes("中秋节快乐", 7), "中秋节");
}

TEST(TextCodec, CompareOrdersByUnsignedGb18030Bytes) {
    // Pinyin order for common characters; a prefix first; ASCII before Chinese.
    const char* ascending[] = {"", "a", "zzz", "李四", "王五", "张", "张三"};
    for (std::size_t i = 0; i + 1 < std::size(ascending); ++i)
        EXPECT_TRUE(CompareGb18030(ascending[i], ascending[i + 1]) < 0 &&
                    CompareGb18030(ascending[i + 1], ascending[i]) > 0)
            << ascending[i];
}

} // namespace
