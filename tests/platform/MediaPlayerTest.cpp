#include "platform/MediaPlayer.h"
#include "platform/BuiltInTune.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::uint32_t BigEndian(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = value << 8 | std::uint8_t(bytes.at(at + i));
    return value;
}

// Reads every track chunk event by event, as a MIDI player would, and returns
// the number of notes in each; reading past the end throws.
std::vector<int> NotesPerTrack(const std::string& file) {
    std::vector<int> notes;
    auto byte = [&](std::size_t at) { return std::uint8_t(file.at(at)); };
    for (std::size_t at = 14; at < file.size();) {
        EXPECT_EQ(file.substr(at, 4), "MTrk") << "chunk at " << at;
        const std::size_t end = at + 8 + BigEndian(file, at + 4, 4);
        std::size_t p = at + 8;
        auto quantity = [&] {
            std::uint32_t value = 0;
            for (std::uint8_t b = 0x80; b & 0x80;)
                value = value << 7 | ((b = byte(p++)) & 0x7F);
            return value;
        };
        int count = 0;
        bool ended = false;
        for (std::uint8_t status = 0; p < end && !ended;) {
            quantity();            // delta time
            if (byte(p) == 0xFF) { // meta event: type, length, data
                ended = byte(p + 1) == 0x2F && byte(p + 2) == 0;
                p += 2;
                p += quantity();
                continue;
            }
            if (byte(p) & 0x80) // otherwise running status
                status = byte(p++);
            if (status == 0)
                throw std::runtime_error("data byte without a status");
            count += (status & 0xF0) == 0x90 && byte(p + 1) > 0;
            p += ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 1 : 2;
        }
        EXPECT_TRUE(ended) << "track without an end-of-track event";
        EXPECT_EQ(p, end) << "end of track is not the last event of its chunk";
        notes.push_back(count);
        at = end;
    }
    return notes;
}

TEST(BuiltInTune, IsAStandardMidiFileWrittenWholeAndDeleted) {
    const std::string tune(BuiltInTuneBytes());
    ASSERT_EQ(tune.substr(0, 4), "MThd");
    EXPECT_EQ(BigEndian(tune, 4, 4) * 100 + BigEndian(tune, 8, 2), 601u)
        << "6-byte header, format 1";
    const std::vector<int> notes = NotesPerTrack(tune);
    ASSERT_EQ(notes.size(), BigEndian(tune, 10, 2));
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(notes[0], 0) << "the first track carries tempo and metre only";
    EXPECT_EQ(std::count(notes.begin(), notes.end(), 0), 1) << "every other track has notes";

    EXPECT_EQ(ReadBytes(fs::path(ANNIVO_SOURCE_DIR) / "res/happy.mid"), tune);
    const TempDir dir;
    const fs::path fresh = dir.Path() / "fresh.mid", written = dir.Path() / kBuiltInTuneFileName;
    ASSERT_EQ(std::system(("'" + std::string(ANNIVO_MAKE_TUNE) + "' " + fresh.string()).c_str()),
              0);
    EXPECT_EQ(ReadBytes(fresh), tune) << "res/happy.mid is stale: build annivo_update_tune";
    fs::remove(fresh);

    WriteBytes(written, std::string(50000, 'x')); // longer than the tune: no tail may remain
    for (int i = 0; i < 2; ++i) {                 // a second reminder writes it again
        ASSERT_TRUE(WriteBuiltInTune(dir.Path().string()));
        EXPECT_EQ(ReadBytes(written), tune);
    }
    EXPECT_FALSE(WriteBuiltInTune(dir.File("missing")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1)
        << "nothing but happy.mid is left behind";
    DeleteBuiltInTune(dir.Path().string());
    EXPECT_FALSE(fs::exists(written));
    DeleteBuiltInTune(dir.Path().string()); // already gone: nothing happens
}

// Every test sends the sound through SDL's disk driver into a file of its own
// (16-bit stereo at 44100 Hz) and reads it back once the players are closed.
class MediaPlayerTest : public ::testing::Test {
protected:
    const TempDir dir;
    const ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    const ScopedEnv output{"SDL_DISKAUDIOFILE", dir.File("output.raw")};
    const ScopedEnv delay{"SDL_DISKAUDIODELAY", "5"}; // faster than real time
    const std::string tune = dir.File(kBuiltInTuneFileName);

    void SetUp() override { ASSERT_TRUE(WriteBuiltInTune(dir.Path().string())); }

    // A quarter of a second of 440 Hz, 16-bit mono at 22050 Hz.
    std::string ToneWav() const {
        const std::uint32_t rate = 22050, frames = rate / 4, size = frames * 2;
        const std::uint32_t header[] = {0x46464952, 36 + size,  0x45564157, 0x20746d66,
                                        16,         0x00010001, rate,       rate * 2,
                                        0x00100002, 0x61746164, size};
        std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
        for (std::uint32_t i = 0; i < frames; ++i) {
            const auto sample = std::int16_t(12000 * std::sin(2 * M_PI * 440 * i / rate));
            bytes.append(reinterpret_cast<const char*>(&sample), 2);
        }
        WriteBytes(dir.Path() / "tone.wav", bytes);
        return dir.File("tone.wav");
    }
};

TEST_F(MediaPlayerTest, PlaysWaveAndMidiOnceToTheirEnd) {
    const struct {
        std::string file;
        int minPeak;
        double minSeconds, maxSeconds; // of audible sound
    } cases[] = {
        {tune, 2000, 10.0, 20.0},     // about sixteen seconds, with rests
        {ToneWav(), 5000, 0.2, 0.35}, // the quarter second, played once
    };
    for (const auto& c : cases) {
        const std::string raw = c.file + ".raw";
        {
            const ScopedEnv own("SDL_DISKAUDIOFILE", raw);
            MediaPlayer player;
            ASSERT_TRUE(player.Open(c.file)) << player.Error();
            ASSERT_TRUE(player.Play()) << player.Error();
            fs::remove(c.file); // the player has read the whole file
            // Bounded, so that a sound that never ends fails instead of hanging.
            for (int i = 0; i < 6000 && player.IsPlaying(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_FALSE(player.IsPlaying()) << "still playing after a minute";
        }
        const std::string bytes = ReadBytes(raw);
        int audible = 0, peak = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            std::int16_t sample;
            std::memcpy(&sample, bytes.data() + i, 2);
            peak = std::max(peak, std::abs(int(sample)));
            audible += std::abs(int(sample)) > 200;
        }
        EXPECT_GT(peak, c.minPeak) << c.file;
        EXPECT_GT(audible / 2.0 / 44100, c.minSeconds) << c.file;
        EXPECT_LT(audible / 2.0 / 44100, c.maxSeconds) << c.file;
    }
}

TEST_F(MediaPlayerTest, StopCloseAndFilesThatCannotBePlayed) {
    MediaPlayer first, second;
    auto playing = [&] {
        return std::to_string(first.IsPlaying()) + std::to_string(second.IsPlaying());
    };
    ASSERT_TRUE(first.Open(tune) && first.Play()) << first.Error();
    EXPECT_EQ(playing(), "10");
    first.Stop();
    EXPECT_EQ(playing(), "00");
    ASSERT_TRUE(first.Play()); // again from the start
    EXPECT_EQ(playing(), "10");
    // One music stream: the player started last is heard, and the other
    // player's stop or close leaves it alone.
    ASSERT_TRUE(second.Open(tune) && second.Play()) << second.Error();
    EXPECT_EQ(playing(), "01");
    first.Stop();
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(playing(), "01");
    second.Close();
    EXPECT_FALSE(second.Play());
    ASSERT_TRUE(second.Open(tune) && second.Play()) << second.Error(); // usable after closing

    WriteBytes(dir.Path() / "notes.txt", "this is not a sound file\n");
    WriteBytes(dir.Path() / "empty.wav", "");
    fs::create_directory(dir.Path() / "folder.mp3");
    for (const char* name : {"missing.mid", "notes.txt", "empty.wav", "folder.mp3", ""}) {
        EXPECT_FALSE(first.Open(*name ? dir.File(name) : "")) << name;
        const std::string error = first.Error();
        EXPECT_FALSE(error.empty() || first.IsOpen() || first.Play() || first.IsPlaying()) << name;
        EXPECT_TRUE(*name || error == "没有指定要播放的声音文件。") << error;
    }
    ASSERT_TRUE(first.Open(ToneWav())) << first.Error();
    EXPECT_TRUE(first.Error().empty()) << "a successful open clears the last error";
} // destroyed while playing

} // namespace
