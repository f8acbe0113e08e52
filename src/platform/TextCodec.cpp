#include "platform/TextCodec.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace {

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

    // Converts `in`; a sequence the source encoding rejects is skipped one
    // byte at a time and `replacement` is written in its place.
    std::string Run(std::string_view in, std::string_view replacement) {
        std::string out;
        out.reserve(in.size() * 2 + 8);
        iconv(m_Handle, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = iconv(m_Handle, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ (invalid) or EINVAL (cut short at the end): replace one byte, go on.
            out.append(replacement);
            ++src;
            --srcLeft;
            iconv(m_Handle, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        iconv(m_Handle, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        return out;
    }

private:
    iconv_t m_Handle;
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

} // namespace

std::string Utf8ToGb18030(std::string_view utf8) {
    if (IsAscii(utf8))
        return std::string(utf8);
    return ToGb().Run(utf8, "?");
}

std::string Gb18030ToUtf8(std::string_view gb) {
    if (IsAscii(gb))
        return std::string(gb);
    return ToUtf8().Run(gb, "\xEF\xBF\xBD");
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
