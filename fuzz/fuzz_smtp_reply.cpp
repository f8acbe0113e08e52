// The reader of SMTP replies: whatever a server sends, the reply ends where
// the last line says, however the bytes are split between reads.

#include "FuzzCheck.h"
#include "mail/SmtpReply.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);
    const std::size_t last = SmtpReplyLastLine(received);

    if (last == std::string_view::npos) {
        // Incomplete: every complete line so far continues the reply.
        for (std::size_t start = 0, end; (end = received.find('\n', start)) != received.npos;
             start = end + 1)
            FUZZ_CHECK(end - start >= 4 && received[start + 3] == '-');
    } else {
        FUZZ_CHECK(last == 0 || received[last - 1] == '\n');
        FUZZ_CHECK(received.find('\n', last) != received.npos);
        const int code = SmtpReplyCode(received, last);
        FUZZ_CHECK(code >= 0 && code <= 999);
        const std::string_view head = received.substr(last, 3);
        if (head.size() == 3 && head.find_first_not_of("0123456789") == head.npos)
            FUZZ_CHECK(code == (head[0] - '0') * 100 + (head[1] - '0') * 10 + (head[2] - '0'));
    }

    // A reply read in pieces: a piece either leaves it incomplete or already
    // ends it at the same line (the reader stops at the first end it sees).
    for (std::size_t cut = 0; cut < size; cut += 1 + cut / 8) {
        const std::size_t early = SmtpReplyLastLine(received.substr(0, cut));
        FUZZ_CHECK(early == std::string_view::npos || early == last);
    }

    // The keyword counts in any case, on any line after the code.
    std::string upper(received);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    FUZZ_CHECK(SmtpReplyOffersStartTls(received) == SmtpReplyOffersStartTls(upper));
    if (received.empty() || received.back() == '\n')
        FUZZ_CHECK(SmtpReplyOffersStartTls(std::string(received) + "250 starttls\r\n"));
    return 0;
}
