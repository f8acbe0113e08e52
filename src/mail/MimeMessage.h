#pragma once
// The mail as it goes between DATA and the final dot: MIME headers and a
// UTF-8 text body in base64, so that every reader shows Chinese text right
// and no line can be too long, carry a bare CR or end the data early.

#include "platform/DateTime.h"

#include <string>
#include <string_view>

struct MimeFields {
    std::string from;
    std::string to;
    std::string subject; // UTF-8; a line break in it becomes a space
    std::string body;    // UTF-8; CR LF, bare LF and bare CR all end a line
    DateTime date;       // local time, sent with its numeric zone
    std::string messageId;
};

// Header lines and body, every line ended by CR LF.
std::string BuildMimeMessage(const MimeFields& fields);

// The text as it may stand in a header: unchanged when it is short printable
// ASCII, otherwise RFC 2047 encoded words (UTF-8, base64) on folded lines.
std::string EncodeHeaderText(std::string_view text);

// A new, unique "<...@domain>" for the Message-ID header, the domain taken
// from the sender's address where it is a plain host name.
std::string NewMessageId(std::string_view sender, const DateTime& now);

// Base64 in one line, as SASL wants credentials.
std::string Base64Line(std::string_view data);
