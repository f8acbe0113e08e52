#pragma once
// The unlock password is kept only as a salted, slow hash, in one line of
// text: "pbkdf2-sha256$<iterations>$<salt, Base64>$<hash, Base64>". Anything
// else in the same place is a password stored as it was typed, by older
// copies of the program.

#include <optional>
#include <string>
#include <string_view>

// PBKDF2-HMAC-SHA256 rounds for a new hash: about a fifth of a second on a
// modest machine, so guessing is slow and unlocking is not.
inline constexpr int kPasswordHashIterations = 500000;

// A new hash of `password` with a fresh random salt; nothing when no random
// salt could be had.
std::optional<std::string> HashPassword(std::string_view password);

// Whether `stored` is a hash made by HashPassword (and not a plain password).
bool IsPasswordHash(std::string_view stored);

// Whether `typed` is the password `stored` stands for: through the hash when
// it is one, else as the very same bytes. Both ways take the same time
// whatever part of the password is wrong.
bool PasswordMatches(std::string_view typed, std::string_view stored);
