// Base64 of the mail draft and the mail body: any text decodes without a
// crash, and what was encoded decodes back.

#include "FuzzCheck.h"
#include "mail/CSmtpClient.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // As stored text: anything may be there; the decoder stops at the first zero.
    const std::string decoded = CSmtpClient::Base64Decode(input);
    FUZZ_CHECK(decoded.find('\0') == std::string::npos);
    FUZZ_CHECK(decoded.size() <= input.size() / 4 * 3);

    // Encoded, then decoded: the bytes come back up to the first zero byte.
    const std::string encoded = CSmtpClient::Base64Encode(input);
    FUZZ_CHECK(CSmtpClient::Base64Decode(encoded) == input.substr(0, input.find('\0')));
    std::size_t lineStart = 0;
    for (std::size_t end; (end = encoded.find("\r\n", lineStart)) != std::string::npos;) {
        FUZZ_CHECK(end - lineStart == 76);
        lineStart = end + 2;
    }
    FUZZ_CHECK(encoded.size() - lineStart <= 76);
    return 0;
}
