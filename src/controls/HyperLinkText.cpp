#include "controls/HyperLinkText.h"

#include <algorithm>

namespace {

enum class State {
    Text,          // collecting shown text (plain, or a link's after [url=...])
    Address,       // inside [url=...]
    LinkAsAddress, // after [url]: the text is the address too
    Tag,
    TagU,
    TagUr,
    TagUrl,
    Close,
    CloseU,
    CloseUr,
    CloseUrl,
};

class Parser {
public:
    HyperLinkMarkup Run(std::string_view source) {
        for (std::size_t i = 0; i < source.size();) {
            if (Step(source[i]))
                ++i;
        }
        Finish();
        return std::move(m_Result);
    }

private:
    // Handles one byte; false when the byte must be read again in the state
    // the parser fell back to.
    bool Step(char c) {
        switch (m_State) {
        case State::Text:
        case State::LinkAsAddress:
            if (c == '[') {
                StartTag();
            } else {
                Collect(c);
            }
            return true;
        case State::Address:
            if (c == ']')
                m_State = State::Text;
            else
                m_Address += c;
            return true;
        case State::Tag:
            return Expect(c,
                          c == 'u'   ? State::TagU
                          : c == '/' ? State::Close
                                     : State::Tag,
                          c == 'u' || c == '/');
        case State::TagU: return Expect(c, State::TagUr, c == 'r');
        case State::TagUr: return Expect(c, State::TagUrl, c == 'l');
        case State::TagUrl:
            if (c == '=' || c == ']') {
                // Whatever was collected before the link is plain text.
                EmitPlain();
                m_Address.clear();
                m_InLink = true;
                m_State = c == '=' ? State::Address : State::LinkAsAddress;
                return true;
            }
            return Unknown();
        case State::Close: return Expect(c, State::CloseU, c == 'u');
        case State::CloseU: return Expect(c, State::CloseUr, c == 'r');
        case State::CloseUr: return Expect(c, State::CloseUrl, c == 'l');
        case State::CloseUrl:
            if (c != ']')
                return Unknown();
            if (m_InLink) {
                m_Result.segments.push_back({true, m_Address, m_Text});
                m_Result.plainText += m_Text;
                m_Text.clear();
                m_Address.clear();
                m_InLink = false;
            }
            // A closing tag without a link is dropped; its text stays plain.
            m_State = State::Text;
            return true;
        }
        return true;
    }

    void StartTag() {
        m_Resume = m_State;
        m_Tag.assign(1, '[');
        m_State = State::Tag;
    }

    bool Expect(char c, State next, bool matches) {
        if (!matches)
            return Unknown();
        m_Tag += c;
        m_State = next;
        return true;
    }

    // Not one of our tags: what was taken for a tag is text after all, and
    // the current byte is read again (it may start a real tag).
    bool Unknown() {
        m_State = m_Resume;
        for (char c : m_Tag)
            Collect(c);
        m_Tag.clear();
        return false;
    }

    void Collect(char c) {
        m_Text += c;
        if (m_State == State::LinkAsAddress)
            m_Address += c;
    }

    void EmitPlain() {
        if (!m_Text.empty()) {
            m_Result.segments.push_back({false, {}, m_Text});
            m_Result.plainText += m_Text;
        }
        m_Text.clear();
    }

    void Finish() {
        if (m_State == State::Address) { // the opening tag never ended
            m_Text.append("[url=").append(m_Address);
        } else if (m_State != State::Text && m_State != State::LinkAsAddress) {
            Unknown();
        }
        // A link that is never closed shows as plain text.
        EmitPlain();
    }

    HyperLinkMarkup m_Result;
    State m_State = State::Text;
    State m_Resume = State::Text; // where an unknown tag goes back to
    std::string m_Text;
    std::string m_Address;
    std::string m_Tag; // the bytes of the tag being read
    bool m_InLink = false;
};

} // namespace

HyperLinkMarkup ParseHyperLinkMarkup(std::string_view source) {
    return Parser().Run(source);
}

std::vector<HyperLinkPlacement> PlaceHyperLinkSegments(const std::vector<int>& segmentWidths,
                                                       int lineWidth, int lineHeight,
                                                       int clientWidth, int clientHeight,
                                                       HyperLinkAlignment alignment) {
    const int y = alignment.centreVertically ? (clientHeight - lineHeight) / 2 : 0;
    int x = 0;
    if (alignment.right)
        x = clientWidth - lineWidth;
    else if (alignment.centreHorizontally)
        x = (clientWidth - lineWidth) / 2;

    std::vector<HyperLinkPlacement> placements;
    placements.reserve(segmentWidths.size());
    for (int width : segmentWidths) {
        HyperLinkPlacement placement;
        placement.x = x;
        placement.y = y;
        placement.rect = {std::max(x, 0), y, std::min(x + width, clientWidth), y + lineHeight};
        placements.push_back(placement);
        x += width;
    }
    return placements;
}
