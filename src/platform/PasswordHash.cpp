#include "platform/PasswordHash.h"

#include "platform/OpenSsl.h"


#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
// A stored count beyond this is not one of ours, and would only make the
// unlock dialog hang.
constexpr int kMostIterations = 10000000;

using Bytes = std::vector<unsigned char>;

std::string ToBase64(const Bytes& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = OpenSsl().EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::optional<Bytes> FromBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0)
        return std::nullopt;
    Bytes bytes(text.size() / 4 * 3);
    const int length =
        OpenSsl().EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
    if (length < 0)
        return std::nullopt;
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t padding = 0;
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '=' && padding < 2; --i)
        ++padding;
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return bytes;
}

std::optional<Bytes> Derive(std::string_view password, const Bytes& salt, int iterations) {
    Bytes hash(kHashBytes);
    if (OpenSsl().PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, OpenSsl().EVP_sha256(),
                          static_cast<int>(hash.size()), hash.data()) != 1)
        return std::nullopt;
    return hash;
}

struct ParsedHash {
    int iterations = 0;
    Bytes salt;
    Bytes hash;
};

std::optional<ParsedHash> Parse(std::string_view stored) {
    std::array<std::string_view, 4> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t end = i + 1 < parts.size() ? stored.find('$') : stored.size();
        if (end == std::string_view::npos)
            return std::nullopt;
        parts[i] = stored.substr(0, end);
        stored.remove_prefix(std::min(end + 1, stored.size()));
    }
    if (parts[0] != kScheme || parts[3].find('$') != std::string_view::npos)
        return std::nullopt;
    ParsedHash parsed;
    const char* last = parts[1].data() + parts[1].size();
    const auto [end, error] = std::from_chars(parts[1].data(), last, parsed.iterations);
    if (error != std::errc() || end != last || parsed.iterations < 1 ||
        parsed.iterations > kMostIterations)
        return std::nullopt;
    auto salt = FromBase64(parts[2]);
    auto hash = FromBase64(parts[3]);
    if (!salt || salt->empty() || !hash || hash->size() != kHashBytes)
        return std::nullopt;
    parsed.salt = std::move(*salt);
    parsed.hash = std::move(*hash);
    return parsed;
}

bool SameBytes(const Bytes& a, const Bytes& b) {
    return a.size() == b.size() && OpenSsl().CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

Bytes Sha256(std::string_view text) {
    Bytes digest(SHA256_DIGEST_LENGTH);
    OpenSsl().SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest.data());
    return digest;
}

} // namespace

std::optional<std::string> HashPassword(std::string_view password) {
    if (!OpenSsl().loaded)
        return std::nullopt;
    Bytes salt(kSaltBytes);
    if (OpenSsl().RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1)
        return std::nullopt;
    const std::optional<Bytes> hash = Derive(password, salt, kPasswordHashIterations);
    if (!hash)
        return std::nullopt;
    return std::string(kScheme) + "$" + std::to_string(kPasswordHashIterations) + "$" +
           ToBase64(salt) + "$" + ToBase64(*hash);
}

bool IsPasswordHash(std::string_view stored) {
    // Without libcrypto no hash can be read; nothing is rewritten then either.
    return OpenSsl().loaded && Parse(stored).has_value();
}

bool PasswordMatches(std::string_view typed, std::string_view stored) {
    if (!OpenSsl().loaded)
        return false;
    if (const std::optional<ParsedHash> parsed = Parse(stored)) {
        const std::optional<Bytes> hash = Derive(typed, parsed->salt, parsed->iterations);
        return hash && SameBytes(*hash, parsed->hash);
    }
    // A plain password: the digests have one length whatever the texts' are.
    return SameBytes(Sha256(typed), Sha256(stored));
}
