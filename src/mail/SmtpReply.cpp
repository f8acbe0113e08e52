#include "mail/SmtpReply.h"

#include <string>

std::size_t SmtpReplyLastLine(std::string_view received) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = received.find('\n', start);
        if (end == std::string_view::npos)
            return std::string_view::npos;
        if (end - start < 4 || received[start + 3] != '-')
            return start;
        start = end + 1;
    }
}

int SmtpReplyCode(std::string_view reply, std::size_t start) {
    int code = 0;
    for (std::size_t i = start; i < start + 3 && i < reply.size(); ++i) {
        if (reply[i] < '0' || reply[i] > '9')
            break;
        code = code * 10 + (reply[i] - '0');
    }
    return code;
}

bool SmtpReplyOffersStartTls(std::string_view reply) {
    std::size_t start = 0;
    while (start < reply.size()) {
        std::size_t end = reply.find('\n', start);
        if (end == std::string_view::npos)
            end = reply.size();
        // "250-STARTTLS": the keyword follows the code and its separator.
        std::string keyword =
            start + 4 <= end ? std::string(reply.substr(start + 4, end - start - 4)) : "";
        while (!keyword.empty() && (keyword.back() == '\r' || keyword.back() == ' '))
            keyword.pop_back();
        for (char& c : keyword)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (keyword == "STARTTLS")
            return true;
        start = end + 1;
    }
    return false;
}
