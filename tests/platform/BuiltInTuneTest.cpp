#include "platform/BuiltInTune.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::uint32_t BigEndian(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = value << 8 | std::uint8_t(bytes.at(at + i));
    return value;
}

// Reads every track chunk event by event, as a MIDI player would, and
// returns the number of notes in each; faults are reported through gtest.
std::vector<int> NotesPerTrack(const std::string& file) {
    std::vector<int> notes;
    for (std::size_t at = 14; at < file.size();) {
        EXPECT_EQ(file.substr(at, 4), "MTrk") << "chunk at " << at;
        const std::size_t end = at + 8 + BigEndian(file, at + 4, 4);
        if (end > file.size()) {
            ADD_FAILURE() << "track chunk runs past the end of the file";
            break;
        }
        std::size_t p = at + 8;
        auto quantity = [&] {
            std::uint32_t value = 0;
            std::uint8_t b = 0x80;
            while (b & 0x80 && p < end)
                value = value << 7 | ((b = std::uint8_t(file[p++])) & 0x7F);
            return value;
        };
        int count = 0;
        std::uint8_t status = 0;
        bool ended = false;
        while (p < end && !ended) {
            quantity(); // delta time
            const std::uint8_t b = std::uint8_t(file[p]);
            if (b == 0xFF) {
                const std::uint8_t type = std::uint8_t(file[p + 1]);
                p += 2;
                const std::uint32_t size = quantity();
                ended = type == 0x2F && size == 0;
                p += size;
            } else {
                if (b & 0x80) // otherwise running status
                    status = std::uint8_t(file[p++]);
                if (status == 0) {
                    ADD_FAILURE() << "data byte without a status";
                    return notes;
                }
                const int kind = status & 0xF0;
                count += kind == 0x90 && std::uint8_t(file[p + 1]) > 0;
                p += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            }
        }
        EXPECT_TRUE(ended) << "track without an end-of-track event";
        EXPECT_EQ(p, end) << "end of track is not the last event of its chunk";
        notes.push_back(count);
        at = end;
    }
    return notes;
}

TEST(BuiltInTune, IsAStandardMidiFileOfFormatOneWithSeveralTracks) {
    const std::string tune(BuiltInTuneBytes());
    ASSERT_EQ(tune.substr(0, 4), "MThd");
    EXPECT_EQ(BigEndian(tune, 4, 4), 6u);
    EXPECT_EQ(BigEndian(tune, 8, 2), 1u);    // format 1
    EXPECT_EQ(BigEndian(tune, 12, 2), 120u); // ticks per quarter note
    const std::vector<int> notes = NotesPerTrack(tune);
    ASSERT_EQ(notes.size(), BigEndian(tune, 10, 2));
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(notes[0], 0) << "the first track carries tempo and metre only";
    for (std::size_t track = 1; track < notes.size(); ++track)
        EXPECT_GT(notes[track], 0) << "track " << track;
}

TEST(BuiltInTune, CommittedFileIsWhatTheGeneratorWrites) {
    const std::string committed = ReadBytes(fs::path(ANNIVO_SOURCE_DIR) / "res/happy.mid");
    EXPECT_EQ(std::string(BuiltInTuneBytes()), committed);
    const TempDir dir;
    const std::string fresh = dir.File("fresh.mid");
    ASSERT_EQ(std::system(("'" + std::string(ANNIVO_MAKE_TUNE) + "' '" + fresh + "'").c_str()), 0);
    EXPECT_EQ(ReadBytes(fresh), committed)
        << "res/happy.mid is stale: build the annivo_update_tune target";
}

TEST(BuiltInTune, WriteReplacesTheFileAndDeleteRemovesIt) {
    const TempDir temp;
    const fs::path dir = temp.Path(), tune = dir / "happy.mid";
    WriteBytes(tune, std::string(50000, 'x')); // longer than the tune: no tail may remain

    ASSERT_TRUE(WriteBuiltInTune(dir.string()));
    EXPECT_EQ(ReadBytes(tune), std::string(BuiltInTuneBytes()));
    ASSERT_TRUE(WriteBuiltInTune(dir.string())); // a second reminder writes it again
    EXPECT_EQ(ReadBytes(tune), std::string(BuiltInTuneBytes()));
    EXPECT_FALSE(WriteBuiltInTune((dir / "missing").string()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "nothing but happy.mid is left behind";

    DeleteBuiltInTune(dir.string());
    EXPECT_FALSE(fs::exists(tune));
    DeleteBuiltInTune(dir.string()); // already gone: nothing happens
}

} // namespace
