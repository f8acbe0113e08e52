#include "mail/MimeMessage.h"

#include "platform/OpenSsl.h"

#include "mail/CSmtpClient.h"

#include <algorithm>
#include <random>

namespace {

// An encoded word may be 75 characters: "=?UTF-8?B?" + 60 base64 + "?=" holds 45 bytes.
constexpr std::size_t kBytesPerWord = 45;
// Plain header text longer than this could break the 998-character line limit.
constexpr std::size_t kMaxPlainHeader = 900;

bool IsContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

bool NeedsEncoding(std::string_view text) {
    if (text.size() > kMaxPlainHeader || text.find("=?") != std::string_view::npos)
        return true;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F)
            return true;
    }
    return false;
}

// Every line break, whatever its form, becomes CR LF.
std::string CanonicalLines(std::string_view text) {
    std::string lines;
    lines.reserve(text.size() + text.size() / 32 + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            lines += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            lines += "\r\n";
        } else {
            lines += c;
        }
    }
    return lines;
}

bool IsHostName(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.')
        return false;
    for (const char c : text) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

std::string Base64Line(std::string_view data) {
    std::string text = CSmtpClient::Base64Encode(data);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

std::string EncodeHeaderText(std::string_view text) {
    if (!NeedsEncoding(text))
        return std::string(text);
    std::string encoded;
    while (!text.empty()) {
        std::size_t cut = std::min(kBytesPerWord, text.size());
        // A character split across two words would show as garbage in both.
        while (cut > 0 && cut < text.size() && IsContinuationByte(text[cut]))
            --cut;
        if (cut == 0)
            cut = std::min(kBytesPerWord, text.size());
        if (!encoded.empty())
            encoded += "\r\n ";
        encoded += "=?UTF-8?B?" + Base64Line(text.substr(0, cut)) + "?=";
        text.remove_prefix(cut);
    }
    return encoded;
}

std::string NewMessageId(std::string_view sender, const DateTime& now) {
    unsigned char random[12];
    if (!OpenSsl().loaded || OpenSsl().RAND_bytes(random, sizeof random) != 1) {
        std::random_device device;
        for (unsigned char& byte : random)
            byte = static_cast<unsigned char>(device());
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string unique = now.Format("%Y%m%d%H%M%S") + ".";
    for (const unsigned char byte : random) {
        unique += kHex[byte >> 4];
        unique += kHex[byte & 15];
    }
    const std::size_t at = sender.rfind('@');
    const std::string_view domain = at == std::string_view::npos ? "" : sender.substr(at + 1);
    return "<" + unique + "@" + std::string(IsHostName(domain) ? domain : "annivo.localhost") + ">";
}

std::string BuildMimeMessage(const MimeFields& fields) {
    std::string subject = fields.subject;
    for (char& c : subject) {
        // A line break in the subject would start a header of its own.
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    // A numeric zone, since readers take a name such as "CST" for US time;
    // four year digits, since two read as 19xx from 2050 on.
    std::string message = "Date: " + fields.date.Format("%a, %d %b %Y %H:%M:%S %z") +
                          "\r\nFrom: " + fields.from + "\r\nTo: " + fields.to +
                          "\r\nSubject: " + EncodeHeaderText(subject) +
                          "\r\nMessage-ID: " + fields.messageId +
                          "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8"
                          "\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    // Base64 lines hold only its alphabet, so none starts with "." and needs
    // doubling, and none is longer than 76 characters.
    message += CSmtpClient::Base64Encode(CanonicalLines(fields.body));
    if (!message.ends_with("\r\n"))
        message += "\r\n";
    return message;
}
