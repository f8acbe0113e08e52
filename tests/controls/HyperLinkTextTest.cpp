#include "controls/HyperLinkText.h"

#include <gtest/gtest.h>

namespace {

TEST(HyperLinkMarkup, SplitsTextIntoPlainAndLinkSegments) {
    // Source → segments as "plain|<address>link text|...". An empty link is one nobody
    // can click; a link opened before the last one closed makes the text before it plain;
    // links that never close show as plain text; a stray closing tag is dropped; brackets
    // that are not our tags stay in the text.
    for (const std::string c :
         {" → ", "没有链接的提示 → 没有链接的提示", "[url=A]B[/url] → <A>B", "[url]A[/url] → <A>A",
          "前[url=http://example.com/bbs]链接[/url]后 → 前|<http://example.com/bbs>链接|后",
          "[url=A][/url] → <A>",
          "[url=mailto:a@b.cn?subject=生日 快乐]写信[/url] → <mailto:a@b.cn?subject=生日 快乐>写信",
          "[url=A]B[url=C]D[/url] → B|<C>D", "[url=A]B → B", "abc[/url]def → abcdef",
          "[新版]已发布 → [新版]已发布", "[b]粗[/b]体 → [b]粗[/b]体",
          "a[ur x]b[/urlx] → a[ur x]b[/urlx]", "[[url=A]B[/url] → [|<A>B",
          "[url]x[b]y[/url] → <x[b]y>x[b]y", "abc[ur → abc[ur", "x[url=A → x|[url=A"}) {
        const std::size_t arrow = c.find(" → ");
        const std::string source = c.substr(0, arrow), expected = c.substr(arrow + 5);
        const HyperLinkMarkup markup = ParseHyperLinkMarkup(source);
        std::string segments, plain;
        for (const HyperLinkSegment& s : markup.segments) {
            segments +=
                (segments.empty() ? "" : "|") + (s.link ? "<" + s.address + ">" : "") + s.text;
            plain += s.text;
        }
        EXPECT_EQ(segments, expected) << source;
        EXPECT_EQ(markup.plainText, plain) << source;
    }
}

} // namespace
