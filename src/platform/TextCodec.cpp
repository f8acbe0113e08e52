#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <memory>
#include <stdexcept>

namespace {

// glibc's converter leaves 24 private-use characters without a code (and
// decodes the two-byte codes of six of them as plane-2 ideographs). The
// 2022 edition of GB18030 gives 18 of them the four-byte codes that U+9FB4-
// U+9FBB and U+FE10-U+FE19 had before; the other six keep their two-byte
// codes FE51..FE91, and the six ideographs use their regular four-byte codes.
struct Remapped {
    char32_t codePoint;
    std::uint32_t linear; // index in the four-byte code space, or kTwoByte + the code
};

constexpr std::uint32_t kTwoByte = 0x80000000u;
constexpr std::uint32_t kSupplementaryLinear = 189000; // linear index of U+10000 (90 30 81 30)

constexpr Remapped kRemapped[] = {{0xE78D, 39076},
                                  {0xE78E, 39078},
                                  {0xE78F, 39077},
                                  {0xE790, 39079},
                                  {0xE791, 39080},
                                  {0xE792, 39081},
                                  {0xE793, 39082},
                                  {0xE794, 39083},
                                  {0xE795, 39084},
                                  {0xE796, 39085},
                                  {0xE81E, 19057},
                                  {0xE826, 19058},
                                  {0xE82B, 19059},
                                  {0xE82C, 19060},
                                  {0xE832, 19061},
                                  {0xE843, 19062},
                                  {0xE854, 19063},
                                  {0xE864, 19064},
                                  {0xE816, kTwoByte | 0xFE51},
                                  {0xE817, kTwoByte | 0xFE52},
                                  {0xE818, kTwoByte | 0xFE53},
                                  {0xE831, kTwoByte | 0xFE6C},
                                  {0xE83B, kTwoByte | 0xFE76},
                                  {0xE855, kTwoByte | 0xFE91},
                                  {0x20087, kSupplementaryLinear + 0x10087},
                                  {0x20089, kSupplementaryLinear + 0x10089},
                                  {0x200CC, kSupplementaryLinear + 0x100CC},
                                  {0x215D7, kSupplementaryLinear + 0x115D7},
                                  {0x2298F, kSupplementaryLinear + 0x1298F},
                                  {0x241FE, kSupplementaryLinear + 0x141FE}};

// The bytes of a code: four bytes b1 b2 b3 b4 count up as the digits of
// linear = (b1-0x81)*12600 + (b2-0x30)*1260 + (b3-0x81)*10 + (b4-0x30).
std::string CodeBytes(std::uint32_t code) {
    if (code & kTwoByte)
        return {static_cast<char>((code >> 8) & 0xFF), static_cast<char>(code & 0xFF)};
    std::string bytes(4, '\0');
    bytes[3] = static_cast<char>(0x30 + code % 10);
    code /= 10;
    bytes[2] = static_cast<char>(0x81 + code % 126);
    code /= 126;
    bytes[1] = static_cast<char>(0x30 + code % 10);
    bytes[0] = static_cast<char>(0x81 + code / 10);
    return bytes;
}

std::string Utf8Bytes(char32_t c) {
    if (c < 0x10000)
        return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
    return {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence at the start of `text` when its lead byte and
// continuation bytes have the right shape, else 0.
std::size_t Utf8SequenceLength(std::string_view text) {
    const unsigned char lead = text[0];
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[i])))
            return 0;
    return length;
}

// One step of a walk through the input: how many bytes the character at the
// start of `in` takes and, when iconv would get it wrong, its converted form.
struct Step {
    std::size_t length;
    bool remapped;
};

Step StepUtf8(std::string_view in, std::string& out) {
    const unsigned char lead = in[0];
    const std::size_t length = lead < 0x80 ? 1 : Utf8SequenceLength(in);
    if (length < 3 || (lead != 0xEE && lead != 0xF0))
        return {length == 0 ? 1 : length, false};
    char32_t c = lead & (length == 3 ? 0x0F : 0x07);
    for (std::size_t i = 1; i < length; ++i)
        c = (c << 6) | (static_cast<unsigned char>(in[i]) & 0x3F);
    for (const Remapped& entry : kRemapped)
        if (entry.codePoint == c) {
            out = CodeBytes(entry.linear);
            return {length, true};
        }
    return {length, false};
}

Step StepGb18030(std::string_view in, std::string& out) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x81 || lead == 0xFF || in.size() < 2)
        return {1, false};
    std::uint32_t code = 0;
    std::size_t length = 1;
    if (byte(1) >= 0x30 && byte(1) <= 0x39) {
        if (in.size() < 4 || byte(2) < 0x81 || byte(2) == 0xFF || byte(3) < 0x30 || byte(3) > 0x39)
            return {1, false};
        length = 4;
        code = (lead - 0x81u) * 12600 + (byte(1) - 0x30u) * 1260 + (byte(2) - 0x81u) * 10 +
               (byte(3) - 0x30u);
    } else if (byte(1) >= 0x40 && byte(1) != 0x7F && byte(1) != 0xFF) {
        length = 2;
        code = kTwoByte | (static_cast<std::uint32_t>(lead) << 8) | byte(1);
    } else {
        return {1, false};
    }
    if (lead == 0x82 || lead == 0x84 || lead == 0xFE)
        for (const Remapped& entry : kRemapped)
            if (entry.linear == code && entry.codePoint < 0x10000) {
                out = Utf8Bytes(entry.codePoint);
                return {length, true};
            }
    return {length, false};
}

// iconv_open is far from free, so each thread keeps one descriptor per direction.
class Converter {
public:
    Converter(const char* to, const char* from) : m_Handle(iconv_open(to, from)) {
        if (m_Handle == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_Handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in` onto the end of `out`. What iconv rejects is replaced by
    // `replacement`: a whole character when `whole` gives its length (a
    // character the target cannot hold), else one byte at a time (a damaged one).
    void Run(std::string_view in, std::string_view replacement, std::string& out,
             std::size_t (*whole)(std::string_view)) {
        iconv(m_Handle, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        while (srcLeft > 0) {
            char* dst = m_Buffer.get();
            std::size_t dstLeft = kBufferSize;
            const std::size_t rc = iconv(m_Handle, &src, &srcLeft, &dst, &dstLeft);
            out.append(m_Buffer.get(), static_cast<std::size_t>(dst - m_Buffer.get()));
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ (invalid) or EINVAL (cut short at the end): replace it, go on.
            out.append(replacement);
            std::size_t skip = whole(std::string_view(src, srcLeft));
            skip = skip == 0 ? 1 : skip;
            src += skip;
            srcLeft -= skip;
            iconv(m_Handle, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = m_Buffer.get();
        std::size_t dstLeft = kBufferSize;
        iconv(m_Handle, nullptr, nullptr, &dst, &dstLeft);
        out.append(m_Buffer.get(), static_cast<std::size_t>(dst - m_Buffer.get()));
    }

private:
    // Large: with a small one, a large file takes twice as long.
    static constexpr std::size_t kBufferSize = 65536;
    iconv_t m_Handle;
    std::unique_ptr<char[]> m_Buffer{new char[kBufferSize]};
};

Converter& ToGb() {
    thread_local Converter converter("GB18030", "UTF-8");
    return converter;
}

Converter& ToUtf8() {
    thread_local Converter converter("UTF-8", "GB18030");
    return converter;
}

bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

// Hands the input to iconv in runs between the characters it would get wrong.
std::string Convert(Converter& converter, std::string_view in, std::string_view replacement,
                    Step (*step)(std::string_view, std::string&),
                    std::size_t (*whole)(std::string_view)) {
    std::string out;
    out.reserve(in.size() * 2 + 8);
    std::string remapped;
    std::size_t runStart = 0;
    for (std::size_t at = 0; at < in.size();) {
        const Step next = step(in.substr(at), remapped);
        if (next.remapped) {
            converter.Run(in.substr(runStart, at - runStart), replacement, out, whole);
            out += remapped;
            runStart = at + next.length;
        }
        at += next.length;
    }
    converter.Run(in.substr(runStart), replacement, out, whole);
    return out;
}

} // namespace

std::string Utf8ToGb18030(std::string_view utf8) {
    if (IsAscii(utf8))
        return std::string(utf8);
    return Convert(ToGb(), utf8, "?", StepUtf8, Utf8SequenceLength);
}

std::string Gb18030ToUtf8(std::string_view gb) {
    if (IsAscii(gb))
        return std::string(gb);
    return Convert(ToUtf8(), gb, "\xEF\xBF\xBD", StepGb18030,
                   [](std::string_view) -> std::size_t { return 1; });
}

std::size_t Gb18030Length(std::string_view utf8) {
    return IsAscii(utf8) ? utf8.size() : Utf8ToGb18030(utf8).size();
}

std::size_t Gb18030CharLength(unsigned char lead, unsigned char next) {
    if (lead < 0x80)
        return 1;
    return (next >= 0x30 && next <= 0x39) ? 4 : 2;
}

std::string CutToGb18030Bytes(std::string_view utf8, std::size_t maxBytes) {
    if (IsAscii(utf8))
        return std::string(utf8.substr(0, maxBytes));
    const std::string gb = Utf8ToGb18030(utf8);
    if (gb.size() <= maxBytes)
        return Gb18030ToUtf8(gb);
    std::size_t end = 0;
    while (end < gb.size()) {
        const unsigned char lead = gb[end];
        const unsigned char next = end + 1 < gb.size() ? gb[end + 1] : 0;
        const std::size_t length = Gb18030CharLength(lead, next);
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return Gb18030ToUtf8(std::string_view(gb).substr(0, end));
}

int CompareGb18030(std::string_view a, std::string_view b) {
    const std::string ga = Utf8ToGb18030(a);
    const std::string gb = Utf8ToGb18030(b);
    // std::string compares through char_traits<char>, which orders as unsigned char.
    const int c = ga.compare(gb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
