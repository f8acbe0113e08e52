#pragma once
// Sound through SDL's disk driver: the output goes to a file, written faster
// than real time, whose 16-bit samples the tests read back.

#include "TestFiles.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

struct DiskAudio {
    explicit DiskAudio(const std::string& file) : output("SDL_DISKAUDIOFILE", file) {}
    const ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    const ScopedEnv output;
    const ScopedEnv delay{"SDL_DISKAUDIODELAY", "5"};
};

// 440 Hz, 16-bit mono at 22050 Hz.
inline std::string WriteToneWav(const std::filesystem::path& path, double seconds) {
    const std::uint32_t rate = 22050, frames = std::uint32_t(rate * seconds), size = frames * 2;
    const std::uint32_t header[] = {0x46464952, 36 + size, 0x45564157, 0x20746d66, 16,  0x10001,
                                    rate,       rate * 2,  0x100002,   0x61746164, size};
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto sample = std::int16_t(12000 * std::sin(2 * M_PI * 440 * i / rate));
        bytes.append(reinterpret_cast<const char*>(&sample), 2);
    }
    WriteBytes(path, bytes);
    return path.string();
}

// The number of audible samples in an output file, and the loudest.
inline std::pair<int, int> Loudness(const std::filesystem::path& raw) {
    const std::string bytes = ReadBytes(raw);
    int audible = 0, peak = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::int16_t sample;
        std::memcpy(&sample, bytes.data() + i, 2);
        peak = std::max(peak, std::abs(int(sample)));
        audible += std::abs(int(sample)) > 200;
    }
    return {audible, peak};
}
