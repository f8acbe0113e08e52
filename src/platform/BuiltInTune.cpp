#include "platform/BuiltInTune.h"

#include "platform/WholeFile.h"

#include <filesystem>

namespace {
#include "HappyTune.inc"
} // namespace

std::string_view BuiltInTuneBytes() {
    return {reinterpret_cast<const char*>(kHappyTune), sizeof kHappyTune};
}

bool WriteBuiltInTune(const std::string& directory) {
    // Replaced as a whole: another reminder may be opening the file right now.
    return ReplaceWholeFile(std::filesystem::path(directory) / kBuiltInTuneFileName,
                            BuiltInTuneBytes());
}

void DeleteBuiltInTune(const std::string& directory) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(directory) / kBuiltInTuneFileName, ignored);
}
