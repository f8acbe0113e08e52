#pragma once
// Reading an SMTP server's replies. A reply is one or more lines, each
// starting with a three-digit code; "250-" continues it, "250 " (or a line
// too short for the "-") ends it.

#include <cstddef>
#include <string_view>

// Where the last line of the reply starts in what has arrived so far: the
// first complete line whose code is not followed by "-". npos while the
// reply is still incomplete. Once found it does not move as more bytes arrive.
std::size_t SmtpReplyLastLine(std::string_view received);

// The first three characters of the line at `start` read as a decimal
// number, stopping at a non-digit (0..999).
int SmtpReplyCode(std::string_view reply, std::size_t start);

// Whether a line of an EHLO reply names the STARTTLS extension.
bool SmtpReplyOffersStartTls(std::string_view reply);
