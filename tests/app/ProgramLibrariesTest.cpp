// What the dynamic loader brings in when the program starts.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

// The libraries the loader maps for the program, as it lists them when asked
// to only trace (the program itself does not run).
std::string LoadedAtStart() {
    std::FILE* pipe = popen("LD_TRACE_LOADED_OBJECTS=1 '" ANNIVO_EXE "'", "r");
    if (pipe == nullptr)
        return {};
    std::string listing;
    std::array<char, 4096> buffer;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        listing.append(buffer.data(), n);
    pclose(pipe);
    return listing;
}

TEST(ProgramLibraries, RareCommandsLibrariesAreNotLoadedAtStart) {
    const std::string listing = LoadedAtStart();
    ASSERT_NE(listing.find("libQt6Widgets"), std::string::npos) << listing;
    // Sound, the online update, workbooks, and mail over TLS with the
    // password hash open theirs on first use.
    for (const char* rare : {"libSDL2", "libcurl", "libxlsxwriter", "libminizip", "libfreexl",
                             "libssl", "libcrypto", "libQt6Svg"})
        EXPECT_EQ(listing.find(rare), std::string::npos) << rare << " in\n" << listing;
}

} // namespace
