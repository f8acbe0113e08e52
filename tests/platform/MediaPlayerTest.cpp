#include "platform/MediaPlayer.h"
#include "platform/BuiltInTune.h"

#include "Sound.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(BuiltInTune, IsAStandardMidiFileWrittenWholeAndDeleted) {
    const std::string tune(BuiltInTuneBytes());
    auto byte = [&](std::size_t at) { return std::uint8_t(tune.at(at)); }; // throws past the end
    auto number = [&](std::size_t at, int width) {
        std::uint32_t value = 0;
        for (int i = 0; i < width; ++i)
            value = value << 8 | byte(at + i);
        return value;
    };
    ASSERT_EQ(tune.substr(0, 4), "MThd");
    EXPECT_EQ(number(4, 4) * 100 + number(8, 2), 601u) << "6-byte header, format 1";
    // Each track read event by event, as a MIDI player would, counting its notes.
    std::vector<int> notes;
    for (std::size_t at = 14, p = at + 8; at < tune.size(); p = (at = p) + 8) {
        ASSERT_EQ(tune.substr(at, 4), "MTrk") << "chunk at " << at;
        const std::size_t end = p + number(at + 4, 4);
        auto quantity = [&] {
            std::uint32_t value = 0;
            for (std::uint8_t b = 0x80; b & 0x80;)
                value = value << 7 | ((b = byte(p++)) & 0x7F);
            return value;
        };
        bool ended = false;
        notes.push_back(0);
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
            ASSERT_NE(status, 0) << "data byte without a status at " << p;
            notes.back() += (status & 0xF0) == 0x90 && byte(p + 1) > 0;
            p += (status & 0xE0) == 0xC0 ? 1 : 2; // program change and pressure take one
        }
        ASSERT_TRUE(ended && p == end) << "the chunk must end with its end-of-track event";
    }
    ASSERT_EQ(notes.size(), number(10, 2));
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(notes[0], 0) << "the first track carries tempo and metre only";
    EXPECT_EQ(std::count(notes.begin(), notes.end(), 0), 1) << "every other track has notes";

    const TempDir dir;
    const fs::path written = dir.Path() / kBuiltInTuneFileName;
    WriteBytes(written, std::string(50000, 'x')); // longer than the tune: no tail may remain
    ASSERT_TRUE(WriteBuiltInTune(dir.Path().string()));
    EXPECT_EQ(ReadBytes(written), tune);
    EXPECT_FALSE(WriteBuiltInTune(dir.File("missing")));
    DeleteBuiltInTune(dir.Path().string());
    EXPECT_TRUE(fs::is_empty(dir.Path())) << "neither happy.mid nor a temporary file is left";
}

class MediaPlayerTest : public ::testing::Test {
protected:
    const TempDir dir;
    const DiskAudio audio{dir.File("output.raw")};
    const std::string tune = dir.File(kBuiltInTuneFileName);

    void SetUp() override { ASSERT_TRUE(WriteBuiltInTune(dir.Path().string())); }
};

TEST_F(MediaPlayerTest, PlaysWaveAndMidiOnceToTheirEnd) {
    const struct {
        std::string file;
        int minPeak;
        double minSeconds, maxSeconds; // of audible sound
    } cases[] = {
        {tune, 2000, 10.0, 20.0}, // about sixteen seconds, with rests
        {WriteToneWav(dir.Path() / "tone.wav", 0.25), 5000, 0.2, 0.35},
    };
    for (const auto& c : cases) {
        const std::string raw = c.file + ".raw";
        {
            const ScopedEnv own("SDL_DISKAUDIOFILE", raw);
            MediaPlayer player;
            ASSERT_TRUE(player.Open(c.file) && player.Play()) << player.Error();
            fs::remove(c.file); // the player has read the whole file
            // Bounded, so that a sound that never ends fails instead of hanging.
            for (int i = 0; i < 6000 && player.IsPlaying(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_FALSE(player.IsPlaying()) << "still playing after a minute";
        }
        const auto [audible, peak] = Loudness(raw); // 16-bit stereo at 44100 Hz
        EXPECT_GT(peak, c.minPeak) << c.file;
        EXPECT_GT(audible / 2.0 / 44100, c.minSeconds) << c.file;
        EXPECT_LT(audible / 2.0 / 44100, c.maxSeconds) << c.file;
    }
}

TEST_F(MediaPlayerTest, StopCloseAndFilesThatCannotBePlayed) {
    MediaPlayer first, second;
    ASSERT_TRUE(first.Open(tune) && first.Play()) << first.Error();
    // One music stream: the player started last is heard, and the other
    // player's stop or close leaves it alone.
    ASSERT_TRUE(second.Open(tune) && second.Play()) << second.Error();
    EXPECT_FALSE(first.IsPlaying());
    first.Stop();
    first.Close();
    EXPECT_TRUE(second.IsPlaying());
    second.Close();
    EXPECT_FALSE(second.Play());

    WriteBytes(dir.Path() / "notes.txt", "this is not a sound file\n");
    fs::create_directory(dir.Path() / "folder.mp3");
    std::string error;
    for (const char* name : {"missing.mid", "notes.txt", "folder.mp3", ""}) {
        EXPECT_FALSE(first.Open(*name ? dir.File(name) : "")) << name;
        error = first.Error();
        EXPECT_FALSE(error.empty() || first.IsOpen() || first.Play()) << name;
    }
    EXPECT_EQ(error, "没有指定要播放的声音文件。");
    ASSERT_TRUE(first.Open(tune) && first.Play()) << "usable after closing";
    EXPECT_TRUE(first.Error().empty()) << "a successful open clears the last error";
} // destroyed while playing

} // namespace
