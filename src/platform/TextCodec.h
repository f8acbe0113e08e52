#pragma once
// The one place that converts text between the program's UTF-8 and the
// GB18030 bytes used in files, on the wire and for every byte-counted limit.

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 -> GB18030; GB18030 -> UTF-8 gives back the same text for every
// Unicode scalar value. A byte that is not valid UTF-8 becomes '?', so
// damaged input never stops a conversion; a whole character that has no code
// (a surrogate, beyond U+10FFFF) becomes one '?'.
std::string Utf8ToGb18030(std::string_view utf8);

// GB18030 -> UTF-8. A byte sequence that is not valid GB18030 becomes U+FFFD.
std::string Gb18030ToUtf8(std::string_view gb);

// Length of the text in GB18030 bytes (a Chinese character counts 2, ASCII 1).
std::size_t Gb18030Length(std::string_view utf8);

// The longest leading part of the text whose GB18030 form has at most
// maxBytes bytes; a character is never split.
std::string CutToGb18030Bytes(std::string_view utf8, std::size_t maxBytes);

// Orders two texts by their GB18030 bytes, unsigned, a prefix first.
// Returns <0, 0 or >0. Common Chinese names come out in pinyin order.
int CompareGb18030(std::string_view a, std::string_view b);

// Byte length of the GB18030 character that starts with lead byte `lead`
// followed by `next` (1, 2 or 4).
std::size_t Gb18030CharLength(unsigned char lead, unsigned char next);
