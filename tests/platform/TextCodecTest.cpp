#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(TextCodec, ConvertsBothWaysWithTheKnownBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"张三", "\xD5\xC5\xC8\xFD"}, {"😀", "\x94\x39\xFC\x36"}, {"€", "\xA2\xE3"}, {"", ""}};
    for (const auto& [utf8, gb] : cases) {
        EXPECT_EQ(Utf8ToGb18030(utf8), gb) << utf8;
        EXPECT_EQ(Gb18030ToUtf8(gb), utf8) << utf8;
    }
}

std::string Utf8(char32_t c) {
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    if (c < 0x800)
        return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    if (c < 0x10000)
        return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
    return {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
}

TEST(TextCodec, EveryScalarValueComesBackUnchanged) {
    std::string all;
    all.reserve(4 * 0x110000);
    for (char32_t c = 0; c <= 0x10FFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            all += Utf8(c);
    const std::string gb = Utf8ToGb18030(all);
    const std::string back = Gb18030ToUtf8(gb);
    ASSERT_EQ(back.size(), all.size());
    EXPECT_TRUE(back == all) << "first difference at byte "
                             << std::mismatch(all.begin(), all.end(), back.begin()).first -
                                    all.begin();
    EXPECT_EQ(Gb18030Length(all), gb.size());

    // The private-use characters glibc leaves out, with the codes the 2022 edition gives
    // them, and a plane-2 ideograph whose two-byte code went to one of them.
    const std::pair<char32_t, std::string> codes[] = {
        {0xE78D, "\x84\x31\x82\x36"}, {0xE78E, "\x84\x31\x82\x38"}, {0xE796, "\x84\x31\x83\x35"},
        {0xE81E, "\x82\x35\x90\x37"}, {0xE864, "\x82\x35\x91\x34"}, {0xE816, "\xFE\x51"},
        {0xE855, "\xFE\x91"},         {0x20087, "\x95\x32\x90\x31"}};
    for (const auto& [c, code] : codes) {
        EXPECT_EQ(Utf8ToGb18030("a" + Utf8(c) + "b"), "a" + code + "b") << std::hex << static_cast<std::uint32_t>(c);
        EXPECT_EQ(Gb18030ToUtf8(code + "z"), Utf8(c) + "z") << std::hex << static_cast<std::uint32_t>(c);
        // Byte limits count what the encoder writes.
        EXPECT_EQ(Gb18030Length(Utf8(c) + Utf8(c)), 2 * code.size());
        EXPECT_EQ(CutToGb18030Bytes(Utf8(c) + Utf8(c), 2 * code.size() - 1), Utf8(c));
    }
}

TEST(TextCodec, DamagedInputIsReplacedNotFatal) {
    EXPECT_EQ(Utf8ToGb18030("\377abc"), "?abc");
    EXPECT_EQ(Utf8ToGb18030("ab\xE5\xBC"), "ab??"); // cut inside a 3-byte character
    EXPECT_EQ(Utf8ToGb18030("\xC0\xAF"), "??");     // overlong '/'
    // A character with no code at all (a lone surrogate, beyond U+10FFFF) is one "?".
    EXPECT_EQ(Utf8ToGb18030("\xED\xA0\x80\xF4\x90\x80\x80张"), "??\xD5\xC5");
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
