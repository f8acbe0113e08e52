// The Base64 codec of CSmtpClient (also used for the stored mail draft).

#include "mail/CSmtpClient.h"

#include <cstring>
#include <vector>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineLength = 76;

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::string CSmtpClient::Base64Encode(const char* data, std::size_t length) {
    std::string out;
    out.reserve((length + 2) / 3 * 4 + (length / 57 + 1) * 2);
    std::size_t written = 0; // characters so far, line breaks not counted
    auto put = [&](char c) {
        out += c;
        if (++written % kLineLength == 0)
            out += "\r\n";
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const unsigned group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        put(kAlphabet[(group >> 18) & 63]);
        put(kAlphabet[(group >> 12) & 63]);
        put(kAlphabet[(group >> 6) & 63]);
        put(kAlphabet[group & 63]);
    }
    const std::size_t rest = length - i;
    if (rest > 0) {
        const unsigned group = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
        put(kAlphabet[(group >> 18) & 63]);
        put(kAlphabet[(group >> 12) & 63]);
        if (rest == 2)
            put(kAlphabet[(group >> 6) & 63]);
        while (written % 4 != 0)
            put('=');
    }
    return out;
}

std::string CSmtpClient::Base64Decode(const char* text) {
    if (!text)
        return {};
    const std::size_t textLength = std::strlen(text);
    // The length comes from the text as stored, padding included.
    long long outLength = static_cast<long long>(textLength / 4) * 3;
    if (textLength >= 1 && text[textLength - 1] == '=')
        --outLength;
    if (textLength >= 2 && text[textLength - 2] == '=')
        --outLength;
    if (outLength <= 0)
        return {};

    std::vector<int> sextets;
    sextets.reserve(textLength);
    for (std::size_t i = 0; i < textLength; ++i) {
        const int value = SextetOf(text[i]);
        if (value >= 0)
            sextets.push_back(value);
    }
    // Past the valid characters there is nothing more to read: count as zero.
    auto at = [&](std::size_t index) -> unsigned {
        return index < sextets.size() ? static_cast<unsigned>(sextets[index]) : 0u;
    };

    std::string out;
    const auto length = static_cast<std::size_t>(outLength);
    out.reserve(length);
    std::size_t s = 0;
    while (out.size() + 3 <= length) {
        const unsigned group = (at(s) << 18) | (at(s + 1) << 12) | (at(s + 2) << 6) | at(s + 3);
        out += static_cast<char>((group >> 16) & 0xFF);
        out += static_cast<char>((group >> 8) & 0xFF);
        out += static_cast<char>(group & 0xFF);
        s += 4;
    }
    const unsigned group = (at(s) << 18) | (at(s + 1) << 12) | (at(s + 2) << 6);
    if (out.size() < length)
        out += static_cast<char>((group >> 16) & 0xFF);
    if (out.size() < length)
        out += static_cast<char>((group >> 8) & 0xFF);

    // The decoded text is a zero-terminated string.
    const std::size_t zero = out.find('\0');
    if (zero != std::string::npos)
        out.resize(zero);
    return out;
}
