#pragma once
// Reading and writing vCard (.vcf) files, the format phones and mail programs
// use for their contacts: 2.1, 3.0 and 4.0 as they are written in practice
// (folded lines, quoted-printable in UTF-8 or GB18030/GBK, groups such as
// item1.TEL, a BOM, CR LF or LF). Only the fields the address book keeps are
// read; everything else on a card is passed over.

#include "platform/BirthDate.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A card's values in the address book's terms. A birth date whose year the
// card did not give carries kUnknownBirthYear.
struct VCardContact {
    std::string name;
    std::string calendar; // "阳历" or "阴历"; "" without a birth date
    BirthDate birth;      // no date when the card has none
    std::string mobile, email, qq, group;
    std::string company, department, position;
    std::string compTel, compAddr, fax, homeTel, homeAddr;

    bool operator==(const VCardContact&) const = default;
};

// A file that is no vCard at all, or one that breaks off inside a card; the
// text says so in the user's words.
class VCardError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every card of the file's text, in file order; a card without a name comes
// with an empty name. A text without a single card, or one whose last card
// has no end, throws VCardError.
std::vector<VCardContact> ParseVCards(std::string_view text);

// The name of the lunar birth date Annivo writes beside BDAY.
inline constexpr const char* kLunarBirthdayProperty = "X-ANNIVO-LUNAR-BIRTHDAY";

// One vCard 3.0 card (UTF-8, CR LF, lines folded at 75 bytes) with every
// field that is not empty. A lunar birth date goes out as BDAY of its
// Gregorian day (when it has one) and, as it is stored, in the property above.
std::string WriteVCard(const VCardContact& contact);
