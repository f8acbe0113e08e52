// annivo.ini as anyone may have left it: any bytes read without a crash, a
// write either fails and leaves the file alone or stores exactly its key, and
// no other key changes.
//
// Input: the file's bytes, then section, key and value to write, then the
// section and key of two other entries to watch (strings as FuzzedDataProvider
// reads them: "\\" is a backslash, a backslash and any other byte end one),
// then a number to write as an integer.

#include "FuzzCheck.h"
#include "platform/TextCodec.h"
#include "platform/WholeFile.h"
#include "settings/CIniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

fs::path g_Directory;

// Texts the GB18030 file can hold as they are; the codec has its own target.
bool SurvivesTheFile(std::string_view text) {
    return Gb18030ToUtf8(Utf8ToGb18030(text)) == text;
}

std::string Trimmed(std::string_view text) {
    const std::string_view blanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) + 1 - first));
}

bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string FileBytes() {
    return ReadWholeFile(g_Directory / "annivo.ini").value_or("<no file>");
}

constexpr const char* kAbsent = "<absent>";

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "annivo-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    g_Directory = pattern;
    setenv("ANNIVO_HOME", pattern.c_str(), 1);
    std::atexit([] { fs::remove_all(g_Directory); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string file = input.ConsumeRandomLengthString(1 << 16);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(1024);
    std::string watched[2][2];
    for (auto& entry : watched)
        for (auto& name : entry)
            name = input.ConsumeRandomLengthString(64);
    const int number = input.ConsumeIntegral<int>();

    fs::remove_all(g_Directory);
    fs::create_directories(g_Directory);
    if (!file.empty())
        FUZZ_CHECK(ReplaceWholeFile(g_Directory / "annivo.ini", file));

    CIniFile ini("annivo.ini");
    // Reading: cut to the buffers the callers have, section entries paired.
    FUZZ_CHECK(Gb18030Length(ini.GetString(section, key, "")) <= 259);
    ini.GetInt(section, key, 0);
    ini.ReadSection(section);
    FUZZ_CHECK(ini.SectionKeys().size() == ini.SectionValues().size());
    std::size_t listed = 0;
    for (std::size_t i = 0; i < ini.SectionKeys().size(); ++i)
        listed += Gb18030Length(ini.SectionKeys()[i]) + Gb18030Length(ini.SectionValues()[i]) + 2;
    FUZZ_CHECK(listed <= 1024 + ini.SectionKeys().size());

    std::string before[2];
    for (int i = 0; i < 2; ++i)
        before[i] = ini.GetString(watched[i][0], watched[i][1], kAbsent);

    const std::string original = FileBytes();
    if (!ini.WriteString(section, key, value)) {
        FUZZ_CHECK(FileBytes() == original);
        return 0;
    }
    // Names the file cannot hold as they are (bytes that are not UTF-8) are
    // the program's own constants, never typed: nothing more to hold them to.
    if (section != Trimmed(section) || key != Trimmed(key) || !SurvivesTheFile(section) ||
        !SurvivesTheFile(key))
        return 0;
    // The key reads back as written (blanks around the value do not count).
    if (SurvivesTheFile(value))
        FUZZ_CHECK(ini.GetString(section, key, kAbsent) == CutToGb18030Bytes(Trimmed(value), 259));
    // Writing it again changes nothing.
    const std::string written = FileBytes();
    FUZZ_CHECK(ini.WriteString(section, key, value));
    FUZZ_CHECK(FileBytes() == written);
    // No other entry changed.
    for (int i = 0; i < 2; ++i) {
        if (SameAscii(Trimmed(watched[i][0]), section) && SameAscii(Trimmed(watched[i][1]), key))
            continue;
        FUZZ_CHECK(ini.GetString(watched[i][0], watched[i][1], kAbsent) == before[i]);
    }
    // Numbers, as the switches and the view are stored.
    if (ini.WriteString(section, key, std::to_string(number)))
        FUZZ_CHECK(ini.GetInt(section, key, number == 0 ? 1 : 0) == number);
    return 0;
}
