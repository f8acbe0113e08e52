// The hyperlink label's markup: any text parses, nothing is shown that the
// text did not hold, and links written in the markup come back as written.

#include "FuzzCheck.h"
#include "controls/HyperLinkText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Whether `part` can be picked out of `whole` in order, byte by byte.
bool IsSubsequence(std::string_view part, std::string_view whole) {
    std::size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string_view::npos)
            return false;
        ++at;
    }
    return true;
}

// Splits the input into pieces at zero bytes; the pieces alternate between
// plain text and link texts (the address being the text's first word).
std::vector<HyperLinkSegment> SegmentsFrom(std::string_view input) {
    std::vector<HyperLinkSegment> segments;
    std::size_t start = 0;
    for (bool link = false; start <= input.size(); link = !link) {
        std::size_t end = input.find('\0', start);
        if (end == std::string_view::npos)
            end = input.size();
        std::string text(input.substr(start, end - start));
        start = end + 1;
        // Text cannot hold a tag's bracket; an address cannot hold its end.
        std::erase(text, '[');
        if (text.empty())
            continue;
        HyperLinkSegment segment{link, {}, text};
        if (link)
            segment.address = text.substr(0, text.find(' '));
        std::erase(segment.address, ']');
        if (link && segment.address.empty())
            continue;
        // Two plain pieces in a row read as one.
        if (!link && !segments.empty() && !segments.back().link)
            segments.back().text += text;
        else
            segments.push_back(segment);
    }
    return segments;
}

std::string Markup(const std::vector<HyperLinkSegment>& segments) {
    std::string markup;
    for (const HyperLinkSegment& segment : segments) {
        if (!segment.link)
            markup += segment.text;
        else if (segment.address == segment.text)
            markup += "[url]" + segment.text + "[/url]";
        else
            markup += "[url=" + segment.address + "]" + segment.text + "[/url]";
    }
    return markup;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);

    const HyperLinkMarkup parsed = ParseHyperLinkMarkup(source);
    std::string joined;
    for (const HyperLinkSegment& segment : parsed.segments) {
        joined += segment.text;
        FUZZ_CHECK(segment.link || segment.address.empty());
        FUZZ_CHECK(segment.link || !segment.text.empty());
        FUZZ_CHECK(IsSubsequence(segment.address, source));
    }
    FUZZ_CHECK(joined == parsed.plainText);
    FUZZ_CHECK(IsSubsequence(parsed.plainText, source));
    if (source.find('[') == std::string_view::npos)
        FUZZ_CHECK(parsed.plainText == source);

    const std::vector<HyperLinkSegment> segments = SegmentsFrom(source);
    FUZZ_CHECK(ParseHyperLinkMarkup(Markup(segments)).segments == segments);

    // Placing the pieces: side by side, each clipped to the client.
    std::vector<int> widths;
    int lineWidth = 0;
    for (const HyperLinkSegment& segment : parsed.segments) {
        widths.push_back(static_cast<int>(segment.text.size() % 97) * 7);
        lineWidth += widths.back();
    }
    const int clientWidth = static_cast<int>(size % 300);
    const HyperLinkAlignment alignment{size % 2 == 0, size % 3 == 0, size % 5 == 0};
    const std::vector<HyperLinkPlacement> placed =
        PlaceHyperLinkSegments(widths, lineWidth, 16, clientWidth, 20, alignment);
    FUZZ_CHECK(placed.size() == widths.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const HyperLinkRect& rect = placed[i].rect;
        FUZZ_CHECK(rect.left >= 0 && rect.right <= clientWidth && rect.bottom - rect.top == 16);
        if (i > 0)
            FUZZ_CHECK(placed[i].x == placed[i - 1].x + widths[i - 1]);
    }
    return 0;
}
