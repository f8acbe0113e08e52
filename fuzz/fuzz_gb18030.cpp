// GB18030, the encoding of the profile files and of every byte limit: UTF-8
// text goes there and back unchanged, any bytes decode to valid UTF-8, and
// the byte-counting helpers agree with the conversion.

#include "FuzzCheck.h"
#include "platform/TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Decodes one UTF-8 scalar value at `at`; -1 for bytes that are not one.
long NextScalar(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return -1;
    }
    long value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return -1;
        }
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    const long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    at += length;
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return -1;
    return value;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();)
        if (NextScalar(text, at) < 0)
            return false;
    return true;
}

// Private-use characters glibc's converter has no code for; exempt only while
// the codec still loses them.
bool IsUnmappedPrivateUse(long c) {
    static const bool codecMapsThem = Gb18030ToUtf8(Utf8ToGb18030("\uE78D")) == "\uE78D";
    if (codecMapsThem)
        return false;
    return (c >= 0xE78D && c <= 0xE796) || (c >= 0xE816 && c <= 0xE818) || c == 0xE81E ||
           c == 0xE826 || c == 0xE82B || c == 0xE82C || c == 0xE831 || c == 0xE832 || c == 0xE83B ||
           c == 0xE843 || c == 0xE854 || c == 0xE855 || c == 0xE864;
}

bool HasUnmappedPrivateUse(std::string_view text) {
    for (std::size_t at = 0; at < text.size();)
        if (IsUnmappedPrivateUse(NextScalar(text, at)))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Any bytes read from a file decode to valid UTF-8.
    const std::string decoded = Gb18030ToUtf8(bytes);
    FUZZ_CHECK(IsValidUtf8(decoded));

    // Any text, damaged or not, encodes and decodes to valid UTF-8.
    const std::string encoded = Utf8ToGb18030(bytes);
    FUZZ_CHECK(Gb18030Length(bytes) == encoded.size());
    const std::string back = Gb18030ToUtf8(encoded);
    FUZZ_CHECK(IsValidUtf8(back));
    if (IsValidUtf8(bytes) && !HasUnmappedPrivateUse(bytes))
        FUZZ_CHECK(back == bytes);

    // Cutting to a byte limit keeps whole characters and stays in the limit.
    if (IsValidUtf8(bytes) && !HasUnmappedPrivateUse(bytes)) {
        for (std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{7}, size / 2, size}) {
            const std::string cut = CutToGb18030Bytes(bytes, limit);
            FUZZ_CHECK(Gb18030Length(cut) <= limit);
            FUZZ_CHECK(bytes.starts_with(cut));
            // Nothing that would still fit was left out.
            if (cut.size() < size) {
                std::size_t next = cut.size();
                NextScalar(bytes, next);
                FUZZ_CHECK(Gb18030Length(bytes.substr(0, next)) > limit);
            }
        }
    }

    // The order of names: a total order that agrees with equality.
    const std::string_view left = bytes.substr(0, size / 2);
    const std::string_view right = bytes.substr(size / 2);
    FUZZ_CHECK(CompareGb18030(left, right) == -CompareGb18030(right, left));
    FUZZ_CHECK(CompareGb18030(left, left) == 0);
    return 0;
}
