#pragma once
// Reads back a mail from what a test server received: the recipient, the
// subject with its encoded words decoded and the base64 body decoded.

#include "mail/CSmtpClient.h"

#include <string>

struct ReceivedMail {
    std::string recipient, subject, body;

    explicit ReceivedMail(const std::string& session) {
        const std::size_t rcpt = session.find("RCPT TO: <");
        if (rcpt != std::string::npos)
            recipient = session.substr(rcpt + 10, session.find(">\r\n", rcpt) - rcpt - 10);
        const std::size_t data = session.find("\r\nDATA\r\n");
        const std::size_t headerEnd = session.find("\r\n\r\n", data);
        if (data == std::string::npos || headerEnd == std::string::npos)
            return;
        std::string headers = session.substr(data + 8, headerEnd - data - 8);
        for (std::size_t fold; (fold = headers.find("\r\n ")) != std::string::npos;)
            headers.erase(fold, 3); // words of one folded subject follow each other
        const std::size_t start = headers.find("Subject: ");
        const std::string line =
            start == std::string::npos
                ? ""
                : headers.substr(start + 9, headers.find("\r\n", start) - start - 9);
        std::size_t at = 0; // the encoded words decoded, the text between kept
        for (std::size_t word, end; (word = line.find("=?UTF-8?B?", at)) != std::string::npos;
             at = end + 2) {
            end = line.find("?=", word + 10);
            subject += line.substr(at, word - at) +
                       CSmtpClient::Base64Decode(line.substr(word + 10, end - word - 10));
        }
        subject += line.substr(at);
        body = CSmtpClient::Base64Decode(
            session.substr(headerEnd + 4, session.find("\r\n.\r\n", headerEnd) - headerEnd - 4));
    }
};
