#pragma once
// Bringing contacts in from a vCard file and writing the address book out as
// one. The work never talks to the user: the outcome carries the text to show
// (or to print, on the command line) and the exit code a command returns.

#include <cstddef>
#include <string>

class Prompter;

// Files larger than this are refused unread: a phone's export of thousands
// of contacts is a few megabytes, so a larger file is something else.
inline constexpr std::size_t kMaxVCardFileBytes = 32u * 1024 * 1024;

struct VCardOutcome {
    int exitCode = 1;    // 0 when it worked
    std::string message; // for the user: the result, or what went wrong
    std::size_t added = 0, updated = 0, skipped = 0;
    std::size_t cutFields = 0; // values cut to their field's length
    std::size_t exported = 0;
};

// Adds each card of the file as a contact in one transaction. A card whose
// name is in the table already fills that contact's empty fields only; a card
// without a name is skipped. Values longer than their field are cut at a
// character boundary. A file that cannot be read, is empty, too large, not a
// vCard or damaged changes nothing. `database` is the connection string.
VCardOutcome ImportVCardFile(const std::string& path, const std::string& database);

// Writes every person with a name as a vCard 3.0 card, in ID order. The file
// appears whole or not at all.
VCardOutcome ExportVCardFile(const std::string& path, const std::string& database);

// The commands of the window (导入名片 and 导出名片) on the program's database:
// the file dialog, the work, and the outcome told. The import returns true
// when people were added or changed, so that the caller shows them.
bool RunVCardImport(Prompter& prompter);
void RunVCardExport(Prompter& prompter);

// The file dialogs of the two commands; "" when the user gave up. The export
// path always ends in .vcf, and an existing file is replaced only when the user agrees.
std::string ChooseVCardImportPath(Prompter& prompter);
std::string ChooseVCardExportPath(Prompter& prompter);
