#include "controls/HyperLinkText.h"

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const HyperLinkSegment& s, std::ostream* out) {
    *out << (s.link ? "link[" + s.address + "]" : std::string("plain")) << " \"" << s.text << "\"";
}

namespace {

HyperLinkSegment Plain(const std::string& text) {
    return {false, "", text};
}
HyperLinkSegment Link(const std::string& address, const std::string& text) {
    return {true, address, text};
}

TEST(HyperLinkMarkup, SplitsTextIntoPlainAndLinkSegments) {
    struct Case {
        std::string source;
        std::vector<HyperLinkSegment> segments;
    };
    const Case cases[] = {
        {"", {}},
        {"没有链接的提示", {Plain("没有链接的提示")}},
        {"[url=A]B[/url]", {Link("A", "B")}},
        {"[url]A[/url]", {Link("A", "A")}},
        {"前[url=http://example.com/bbs]链接[/url]后",
         {Plain("前"), Link("http://example.com/bbs", "链接"), Plain("后")}},
        {"[url=A][/url]", {Link("A", "")}}, // empty: a link nobody can click
        {"[url=mailto:a@b.cn?subject=生日 快乐]写信[/url]",
         {Link("mailto:a@b.cn?subject=生日 快乐", "写信")}},
        // A link opened before the last one closed: the text before it is plain.
        {"[url=A]B[url=C]D[/url]", {Plain("B"), Link("C", "D")}},
        // Links that never close show as plain text; a stray closing tag is dropped.
        {"[url=A]B", {Plain("B")}},
        {"abc[/url]def", {Plain("abcdef")}},
        // Brackets that are not our tags stay in the text.
        {"[新版]已发布", {Plain("[新版]已发布")}},
        {"[b]粗[/b]体", {Plain("[b]粗[/b]体")}},
        {"a[ur x]b[/urlx]", {Plain("a[ur x]b[/urlx]")}},
        {"[[url=A]B[/url]", {Plain("["), Link("A", "B")}},
        {"[url]x[b]y[/url]", {Link("x[b]y", "x[b]y")}},
        {"abc[ur", {Plain("abc[ur")}},
        {"x[url=A", {Plain("x"), Plain("[url=A")}},
    };
    for (const Case& c : cases) {
        const HyperLinkMarkup markup = ParseHyperLinkMarkup(c.source);
        EXPECT_EQ(markup.segments, c.segments) << c.source;
        std::string joined;
        for (const HyperLinkSegment& segment : c.segments)
            joined += segment.text;
        EXPECT_EQ(markup.plainText, joined) << c.source;
    }
}

TEST(HyperLinkPlacement, AlignsTheLineAndClipsToTheClient) {
    struct Case {
        HyperLinkAlignment alignment;
        int clientWidth, x, y;
    };
    const Case cases[] = {
        {{false, false, false}, 100, 0, 0}, {{true, false, false}, 100, 20, 0},
        {{true, true, false}, 100, 40, 0}, // right wins
        {{false, false, true}, 100, 0, 4},  {{true, false, false}, 40, -10, 0},
    };
    for (const Case& c : cases) {
        const auto placed =
            PlaceHyperLinkSegments({10, 50}, 60, 12, c.clientWidth, 20, c.alignment);
        EXPECT_EQ(placed.at(1).x, c.x + 10) << c.clientWidth;
        EXPECT_EQ(placed[1].rect, (HyperLinkRect{std::max(c.x + 10, 0), c.y,
                                                 std::min(c.x + 60, c.clientWidth), c.y + 12}));
    }
    // Beyond the right edge, or of no width: no point is inside.
    const auto clipped = PlaceHyperLinkSegments({10, 20, 0, 30}, 60, 12, 25, 12, {});
    EXPECT_FALSE(clipped[2].rect.Contains(30, 5));
    EXPECT_FALSE(clipped[3].rect.Contains(26, 5));
}

} // namespace
