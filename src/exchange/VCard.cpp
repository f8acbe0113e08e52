#include "exchange/VCard.h"

#include "calendar/LunarBirthDate.h"
#include "platform/TextCodec.h"
#include "platform/TrimSpace.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <set>

namespace {

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Upper);
    return out;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80                ? 1
                             : c >= 0xC2 && c < 0xE0 ? 2
                             : c >= 0xE0 && c < 0xF0 ? 3
                             : c >= 0xF0 && c < 0xF5 ? 4
                                                     : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// ---------------------------------------------------------------- reading

struct Property {
    std::string name;              // upper case, group prefix removed
    std::set<std::string> types;   // TYPE values and 2.1's bare parameters, upper case
    std::string encoding, charset; // upper case
    std::string value;             // as written: still escaped and encoded
};

bool IsQuotedPrintable(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon != std::string_view::npos &&
           UpperCase(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

// The logical lines of the text: folded lines joined (a line beginning with a
// space or tab continues the one before) and, for quoted-printable values,
// soft line breaks (a trailing "=") joined too, wherever they fall.
std::vector<std::string> LogicalLines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<std::string> lines;
    bool softBreak = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (softBreak) {
            lines.back().pop_back(); // the "="
            lines.back() += line;
        } else if (!lines.empty() && (line.starts_with(' ') || line.starts_with('\t'))) {
            lines.back() += line.substr(1);
        } else if (!TrimSpace(line).empty()) {
            lines.emplace_back(line);
        } else {
            continue;
        }
        softBreak = lines.back().ends_with('=') && IsQuotedPrintable(lines.back());
    }
    return lines;
}

void AddTypes(std::set<std::string>& types, std::string_view values) {
    std::size_t start = 0;
    while (start <= values.size()) {
        std::size_t comma = values.find(',', start);
        if (comma == std::string_view::npos)
            comma = values.size();
        const std::string_view type = TrimSpace(values.substr(start, comma - start));
        if (!type.empty())
            types.insert(UpperCase(type));
        start = comma + 1;
    }
}

std::string Unquoted(std::string_view value) {
    value = TrimSpace(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// "item1.TEL;TYPE=CELL;CHARSET=UTF-8:..." taken apart; false for a line that
// is not a property.
bool ParseProperty(std::string_view line, Property& property) {
    // The name and parameters end at the first colon outside quotes.
    std::size_t colon = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string_view::npos)
        return false;
    property.value = std::string(line.substr(colon + 1));
    const std::string_view head = line.substr(0, colon);
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    quoted = false;
    for (std::size_t i = 0; i <= head.size(); ++i) {
        if (i < head.size() && head[i] == '"')
            quoted = !quoted;
        if (i == head.size() || (head[i] == ';' && !quoted)) {
            parts.push_back(head.substr(start, i - start));
            start = i + 1;
        }
    }
    std::string_view name = TrimSpace(parts.front());
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    if (name.empty())
        return false;
    property.name = UpperCase(name);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos) {
            // 2.1 writes bare parameters: TEL;CELL;HOME or ;QUOTED-PRINTABLE.
            const std::string bare = UpperCase(TrimSpace(part));
            if (bare == "QUOTED-PRINTABLE" || bare == "BASE64")
                property.encoding = bare;
            else
                AddTypes(property.types, bare);
            continue;
        }
        const std::string key = UpperCase(TrimSpace(part.substr(0, equals)));
        const std::string value = Unquoted(part.substr(equals + 1));
        if (key == "TYPE")
            AddTypes(property.types, value);
        else if (key == "ENCODING")
            property.encoding = UpperCase(value);
        else if (key == "CHARSET")
            property.charset = UpperCase(value);
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (high >= 0 && low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        }
        // A lone "=" (a soft break left at the very end) stands for nothing.
    }
    return out;
}

// The value's text in UTF-8. Chinese phones write GB18030/GBK, some without
// saying so: bytes that are not UTF-8 are read as GB18030.
std::string DecodedValue(const Property& property) {
    std::string bytes = property.encoding == "QUOTED-PRINTABLE"
                            ? DecodeQuotedPrintable(property.value)
                            : property.value;
    const std::string& charset = property.charset;
    const bool chinese = charset == "GB18030" || charset == "GBK" || charset == "GB2312" ||
                         charset == "CP936" || charset == "X-GBK";
    if (chinese || !IsValidUtf8(bytes))
        return Gb18030ToUtf8(bytes);
    return bytes;
}

// The components of a structured value ("a;b\;c" gives "a", "b;c"), each
// unescaped; `separator` is ';' for N, ADR and ORG, ',' for lists.
std::vector<std::string> Components(std::string_view value, char separator) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            parts.back() += next == 'n' || next == 'N' ? '\n' : next;
        } else if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string Text(std::string_view value) {
    return Components(value, '\0').front();
}

std::string Component(const std::vector<std::string>& parts, std::size_t index) {
    return index < parts.size() ? std::string(TrimSpace(parts[index])) : std::string();
}

// Parts of a name or an address joined the way Chinese is written: no space
// between Chinese parts, a space where Latin ones meet.
std::string JoinParts(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        if (part.empty())
            continue;
        if (!joined.empty() && (static_cast<unsigned char>(joined.back()) < 0x80 ||
                                static_cast<unsigned char>(part.front()) < 0x80))
            joined += ' ';
        joined += part;
    }
    return joined;
}

bool ParseNumber(std::string_view text, int& value) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return true;
}

// BDAY: 19800415, 1980-04-15, either with a time after "T", or --0415 and
// --04-15 without a year. Anything else (a text such as "circa 1980") is no date.
BirthDate ParseBirthday(std::string_view value) {
    value = TrimSpace(value);
    if (const std::size_t t = value.find_first_of("Tt"); t != std::string_view::npos)
        value = value.substr(0, t);
    std::string digits;
    bool noYear = false;
    if (value.starts_with("--")) {
        noYear = true;
        value.remove_prefix(2);
    }
    for (char c : value)
        if (c != '-')
            digits += c;
    int year = kUnknownBirthYear, month = 0, day = 0;
    if (noYear ? digits.size() != 4 || !ParseNumber(std::string_view(digits).substr(0, 2), month) ||
                     !ParseNumber(std::string_view(digits).substr(2, 2), day)
               : digits.size() != 8 || !ParseNumber(std::string_view(digits).substr(0, 4), year) ||
                     !ParseNumber(std::string_view(digits).substr(4, 2), month) ||
                     !ParseNumber(std::string_view(digits).substr(6, 2), day))
        return {};
    const BirthDate date(year, month, day);
    return date.Gregorian().IsValid() ? date : BirthDate();
}

// "qq:12345", "x-apple:12345", "msnim:chat?contact=a@b" give what follows the scheme.
std::string ImAddress(const std::string& value) {
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos)
        return value;
    std::string address = value.substr(colon + 1);
    if (const std::size_t contact = address.find("contact="); contact != std::string::npos)
        address = address.substr(contact + 8);
    return address;
}

void SetIfEmpty(std::string& field, const std::string& value) {
    if (field.empty())
        field = std::string(TrimSpace(value));
}

const std::set<std::string> kGroups = {"亲人", "朋友", "同事", "同学"};

class CardBuilder {
public:
    void Take(const Property& property) {
        const std::string& name = property.name;
        if (property.encoding == "B" || property.encoding == "BASE64")
            return; // photos and sounds
        const std::string value = DecodedValue(property);
        const auto has = [&](const char* type) { return property.types.count(type) > 0; };
        if (name == "FN") {
            SetIfEmpty(m_FullName, Text(value));
        } else if (name == "N") {
            const std::vector<std::string> parts = Components(value, ';');
            SetIfEmpty(m_StructuredName,
                       JoinParts({Component(parts, 0), Component(parts, 1), Component(parts, 2)}));
        } else if (name == "BDAY") {
            if (!m_Contact.birth.IsValid() || m_Contact.calendar != "阴历") {
                if (const BirthDate birth = ParseBirthday(Text(value)); birth.IsValid()) {
                    m_Contact.birth = birth;
                    m_Contact.calendar = "阳历";
                }
            }
        } else if (name == kLunarBirthdayProperty) {
            const BirthDate lunar = BirthDate::Parse(TrimSpace(Text(value)));
            if (lunar.IsValid()) {
                m_Contact.birth = lunar.DateOnly();
                m_Contact.calendar = "阴历";
            }
        } else if (name == "TEL") {
            TakePhone(property, Text(value));
        } else if (name == "EMAIL") {
            SetIfEmpty(m_Contact.email, Text(value));
        } else if (name == "ORG") {
            const std::vector<std::string> parts = Components(value, ';');
            SetIfEmpty(m_Contact.company, Component(parts, 0));
            SetIfEmpty(m_Contact.department, Component(parts, 1));
        } else if (name == "TITLE") {
            SetIfEmpty(m_Contact.position, Text(value));
        } else if (name == "ADR") {
            const std::vector<std::string> p = Components(value, ';');
            // Country, region, city, street, then what belongs to the street.
            const std::string address =
                JoinParts({Component(p, 6), Component(p, 4), Component(p, 3), Component(p, 2),
                           Component(p, 1), Component(p, 0), Component(p, 5)});
            if (has("WORK"))
                SetIfEmpty(m_Contact.compAddr, address);
            else if (has("HOME") || m_Contact.homeAddr.empty())
                SetIfEmpty(m_Contact.homeAddr, address);
            else
                SetIfEmpty(m_Contact.compAddr, address);
        } else if (name == "X-QQ") {
            m_QQ = std::string(TrimSpace(Text(value)));
        } else if (name == "IMPP" || name == "X-MSN") {
            SetIfEmpty(m_Im, ImAddress(Text(value)));
        } else if (name == "CATEGORIES") {
            for (const std::string& category : Components(value, ','))
                if (m_Contact.group.empty() && kGroups.count(std::string(TrimSpace(category))))
                    m_Contact.group = std::string(TrimSpace(category));
        }
    }

    VCardContact Finish() {
        m_Contact.name = !m_FullName.empty() ? m_FullName : m_StructuredName;
        m_Contact.qq = !m_QQ.empty() ? m_QQ : m_Im;
        return std::move(m_Contact);
    }

private:
    void TakePhone(const Property& property, const std::string& value) {
        const auto has = [&](const char* type) { return property.types.count(type) > 0; };
        std::string number(TrimSpace(value));
        if (number.starts_with("tel:"))
            number.erase(0, 4);
        if (has("FAX"))
            SetIfEmpty(m_Contact.fax, number);
        else if (has("CELL") || has("MOBILE") || has("IPHONE"))
            SetIfEmpty(m_Contact.mobile, number);
        else if (has("WORK"))
            SetIfEmpty(m_Contact.compTel, number);
        else if (has("HOME"))
            SetIfEmpty(m_Contact.homeTel, number);
        else if (m_Contact.mobile.empty())
            m_Contact.mobile = number; // a number without a type: a phone's own is a mobile
        else
            SetIfEmpty(m_Contact.homeTel, number);
    }

    VCardContact m_Contact;
    std::string m_FullName, m_StructuredName, m_QQ, m_Im;
};

// ---------------------------------------------------------------- writing

// Text escaped for a vCard 3.0 value; `structured` leaves the ';' between
// components to the caller.
std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += "\\;"; break;
        case '\n': out += "\\n"; break;
        case '\r':
            if (i + 1 >= text.size() || text[i + 1] != '\n')
                out += "\\n";
            break;
        default: out += c;
        }
    }
    return out;
}

// A content line folded at 75 bytes, never inside a UTF-8 character.
void AppendLine(std::string& out, std::string_view line) {
    constexpr std::size_t kWidth = 75;
    std::size_t width = kWidth;
    while (line.size() > width) {
        std::size_t cut = width;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        width = kWidth - 1; // the leading space counts
    }
    out.append(line);
    out += "\r\n";
}

void AppendIf(std::string& out, const char* head, const std::string& value) {
    if (!value.empty())
        AppendLine(out, std::string(head) + ":" + Escaped(value));
}

} // namespace

std::vector<VCardContact> ParseVCards(std::string_view text) {
    std::vector<VCardContact> cards;
    std::optional<CardBuilder> card;
    int depth = 0; // a card inside a card (2.1's AGENT) is passed over
    bool any = false;
    for (const std::string& line : LogicalLines(text)) {
        Property property;
        if (!ParseProperty(line, property))
            continue;
        const std::string value = UpperCase(TrimSpace(property.value));
        if (property.name == "BEGIN" && value == "VCARD") {
            any = true;
            if (depth++ == 0)
                card.emplace();
        } else if (property.name == "END" && value == "VCARD") {
            if (depth > 0 && --depth == 0) {
                cards.push_back(card->Finish());
                card.reset();
            }
        } else if (depth == 1) {
            card->Take(property);
        }
    }
    if (!any)
        throw VCardError("不是名片文件（vCard）");
    if (depth > 0)
        throw VCardError("最后一张名片没有结束（缺少END:VCARD），文件可能不完整");
    return cards;
}

std::string WriteVCard(const VCardContact& c) {
    std::string out;
    out.reserve(512);
    AppendLine(out, "BEGIN:VCARD");
    AppendLine(out, "VERSION:3.0");
    AppendLine(out, "FN:" + Escaped(c.name));
    // The whole name as the family name: a Chinese name is not split by
    // guesswork, and programs that put N together show it unchanged.
    AppendLine(out, "N:" + Escaped(c.name) + ";;;;");
    if (c.birth.IsValid()) {
        const bool lunar = c.calendar == "阴历";
        const DateTime gregorian =
            lunar ? GregorianOfLunar(c.birth.DateOnly()) : c.birth.Gregorian();
        if (gregorian.IsValid()) {
            if (!lunar && !c.birth.HasKnownYear())
                // How phones mark a birthday without a year in 3.0, which has no --MMDD.
                AppendLine(out, "BDAY;X-APPLE-OMIT-YEAR=1604:" + gregorian.Format("%Y-%m-%d"));
            else
                AppendLine(out, "BDAY:" + gregorian.Format("%Y-%m-%d"));
        }
        if (lunar)
            AppendLine(out, std::string(kLunarBirthdayProperty) + ":" + c.birth.Format("%Y-%m-%d"));
    }
    AppendIf(out, "TEL;TYPE=CELL", c.mobile);
    AppendIf(out, "TEL;TYPE=WORK,VOICE", c.compTel);
    AppendIf(out, "TEL;TYPE=HOME,VOICE", c.homeTel);
    AppendIf(out, "TEL;TYPE=WORK,FAX", c.fax);
    AppendIf(out, "EMAIL;TYPE=INTERNET", c.email);
    if (!c.company.empty() || !c.department.empty())
        AppendLine(out, "ORG:" + Escaped(c.company) + ";" + Escaped(c.department));
    AppendIf(out, "TITLE", c.position);
    if (!c.compAddr.empty())
        AppendLine(out, "ADR;TYPE=WORK:;;" + Escaped(c.compAddr) + ";;;;");
    if (!c.homeAddr.empty())
        AppendLine(out, "ADR;TYPE=HOME:;;" + Escaped(c.homeAddr) + ";;;;");
    AppendIf(out, "X-QQ", c.qq);
    AppendIf(out, "CATEGORIES", c.group);
    AppendLine(out, "END:VCARD");
    return out;
}
