#include "platform/MediaPlayer.h"
#include "platform/BuiltInTune.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every test sends the sound through SDL's disk driver into a file of its own
// (16-bit stereo at 44100 Hz) and reads it back once the players are closed.
class MediaPlayerTest : public ::testing::Test {
protected:
    const TempDir temp;
    const fs::path dir = temp.Path();
    const ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    const ScopedEnv output{"SDL_DISKAUDIOFILE", temp.File("output.raw")};
    const ScopedEnv delay{"SDL_DISKAUDIODELAY", "5"}; // faster than real time

    // Seconds of audible sound, and the loudest sample.
    std::pair<double, int> Heard() const {
        std::ifstream in(dir / "output.raw", std::ios::binary);
        std::int16_t sample;
        int audible = 0, peak = 0;
        while (in.read(reinterpret_cast<char*>(&sample), 2)) {
            peak = std::max(peak, std::abs(int(sample)));
            audible += std::abs(int(sample)) > 200;
        }
        return {audible / 2.0 / 44100, peak};
    }

    // Bounded, so that a tune that never ends fails instead of hanging.
    static void WaitUntilFinished(const MediaPlayer& player) {
        for (int i = 0; i < 6000 && player.IsPlaying(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_FALSE(player.IsPlaying()) << "still playing after a minute";
    }

    // A quarter of a second of 440 Hz, 16-bit mono at 22050 Hz.
    std::string ToneWav() const {
        const std::uint32_t rate = 22050, frames = rate / 4, size = frames * 2;
        const std::uint32_t header[] = {0x46464952, 36 + size,  0x45564157, 0x20746d66,
                                        16,         0x00010001, rate,       rate * 2,
                                        0x00100002, 0x61746164, size};
        std::ofstream out(dir / "tone.wav", std::ios::binary);
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        for (std::uint32_t i = 0; i < frames; ++i) {
            const auto sample = std::int16_t(12000 * std::sin(2 * M_PI * 440 * i / rate));
            out.write(reinterpret_cast<const char*>(&sample), 2);
        }
        return (dir / "tone.wav").string();
    }
};

TEST_F(MediaPlayerTest, PlaysAWaveFileOnceToItsEnd) {
    {
        MediaPlayer player;
        ASSERT_TRUE(player.Open(ToneWav())) << player.Error();
        ASSERT_TRUE(player.Play()) << player.Error();
        WaitUntilFinished(player);
    }
    const auto [seconds, peak] = Heard();
    EXPECT_GT(peak, 5000);
    EXPECT_GT(seconds, 0.2); // the quarter second, played once
    EXPECT_LT(seconds, 0.35);
}

TEST_F(MediaPlayerTest, PlaysTheBuiltInTuneThroughTheSoundFont) {
    ASSERT_TRUE(WriteBuiltInTune(dir.string()));
    {
        MediaPlayer player;
        ASSERT_TRUE(player.Open((dir / kBuiltInTuneFileName).string())) << player.Error();
        ASSERT_TRUE(player.Play()) << player.Error();
        DeleteBuiltInTune(dir.string()); // the player has read the whole file
        WaitUntilFinished(player);
    }
    const auto [seconds, peak] = Heard();
    EXPECT_GT(peak, 2000);
    EXPECT_GT(seconds, 10.0); // the tune lasts about sixteen seconds, with rests
    EXPECT_LT(seconds, 20.0);
}

TEST_F(MediaPlayerTest, StopAndCloseWhilePlaying) {
    ASSERT_TRUE(WriteBuiltInTune(dir.string()));
    const std::string tune = (dir / kBuiltInTuneFileName).string();
    MediaPlayer first, second;
    ASSERT_TRUE(first.Open(tune)) << first.Error();
    ASSERT_TRUE(first.Play());
    EXPECT_TRUE(first.IsPlaying());
    first.Stop();
    EXPECT_FALSE(first.IsPlaying());
    ASSERT_TRUE(first.Play()); // again from the start
    EXPECT_TRUE(first.IsPlaying());

    // One music stream: the player started last is heard, and the other
    // player's stop or close leaves it alone.
    ASSERT_TRUE(second.Open(tune)) << second.Error();
    ASSERT_TRUE(second.Play());
    EXPECT_FALSE(first.IsPlaying());
    first.Stop();
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.IsPlaying());

    second.Close();
    EXPECT_FALSE(second.Play());
    ASSERT_TRUE(second.Open(tune)) << second.Error(); // usable again after closing
    EXPECT_TRUE(second.Play());
} // destroyed while playing

TEST_F(MediaPlayerTest, FilesThatCannotBePlayedGiveAnErrorText) {
    std::ofstream(dir / "notes.txt") << "this is not a sound file\n";
    std::ofstream(dir / "empty.wav");
    fs::create_directory(dir / "folder.mp3");
    for (const char* name : {"", "missing.mid", "notes.txt", "empty.wav", "folder.mp3"}) {
        MediaPlayer player;
        EXPECT_FALSE(player.Open(*name ? (dir / name).string() : "")) << name;
        EXPECT_FALSE(player.Error().empty()) << name;
        EXPECT_FALSE(player.IsOpen()) << name;
        EXPECT_FALSE(player.Play()) << name;
        EXPECT_FALSE(player.IsPlaying()) << name;
    }
    MediaPlayer player;
    EXPECT_FALSE(player.Open(""));
    EXPECT_EQ(player.Error(), "没有指定要播放的声音文件。");
    ASSERT_TRUE(player.Open(ToneWav())) << player.Error();
    EXPECT_TRUE(player.Error().empty()) << "a successful open clears the last error";
}

} // namespace
