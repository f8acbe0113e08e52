#pragma once
// The rules of the hyperlink label that need no window: reading the link
// markup of its text, and placing the pieces on its one line.
//
// Markup: [url=address]shown text[/url], or [url]address[/url] to show the
// address itself. Tags are lower case without blanks. Anything in brackets
// that is not one of these tags is shown as it stands.

#include <string>
#include <string_view>
#include <vector>

struct HyperLinkSegment {
    bool link = false;
    std::string address; // what a click opens; empty for plain text
    std::string text;    // what is shown
    bool operator==(const HyperLinkSegment&) const = default;
};

struct HyperLinkMarkup {
    std::vector<HyperLinkSegment> segments; // in display order
    std::string plainText;                  // the shown texts joined
};

HyperLinkMarkup ParseHyperLinkMarkup(std::string_view source);

// A segment's clickable area in client pixels; right and bottom are outside.
struct HyperLinkRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const HyperLinkRect&) const = default;
};

struct HyperLinkAlignment {
    bool centreHorizontally = false;
    bool right = false; // wins over centring
    bool centreVertically = false;
};

struct HyperLinkPlacement {
    int x = 0; // where the segment's text starts; may lie outside the client
    int y = 0; // top of the line
    HyperLinkRect rect;
};

// Places the segments one after another on one line. The whole line, of
// `lineWidth` pixels (the plain text measured), is aligned in the client;
// the rectangles are clipped to the client's left and right edges.
std::vector<HyperLinkPlacement> PlaceHyperLinkSegments(const std::vector<int>& segmentWidths,
                                                       int lineWidth, int lineHeight,
                                                       int clientWidth, int clientHeight,
                                                       HyperLinkAlignment alignment);
