#include "platform/BuiltInTune.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {
#include "HappyTune.inc"
} // namespace

std::string_view BuiltInTuneBytes() {
    return {reinterpret_cast<const char*>(kHappyTune), sizeof kHappyTune};
}

bool WriteBuiltInTune(const std::string& directory) {
    namespace fs = std::filesystem;
    // Several reminders may write the tune at once, and one may be reading it
    // while another writes; write aside and rename so no reader ever sees a
    // half-written file.
    static std::atomic<unsigned> counter{0};
    const fs::path target = fs::path(directory) / kBuiltInTuneFileName;
    fs::path partial = target;
    partial += "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".part";

    const std::string_view bytes = BuiltInTuneBytes();
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    std::error_code error;
    if (out)
        fs::rename(partial, target, error);
    if (!out || error) {
        fs::remove(partial, error);
        return false;
    }
    return true;
}

void DeleteBuiltInTune(const std::string& directory) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(directory) / kBuiltInTuneFileName, ignored);
}
