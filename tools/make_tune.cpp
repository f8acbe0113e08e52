// Writes the built-in birthday tune as a standard MIDI file (format 1):
// a conductor track, the melody, waltz chords and a bass line. The melody is
// the traditional "Happy Birthday to You" tune (public domain); the
// arrangement is ours. The output is committed as res/happy.mid, and a test
// checks that this program still produces exactly that file.
//
//   make_tune <output file>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kTicksPerQuarter = 120;
constexpr int kBar = 3 * kTicksPerQuarter; // 3/4 time
constexpr int kPickup = kTicksPerQuarter;  // the tune starts on an upbeat
constexpr int kTuneEnd = kPickup + 8 * kBar;
constexpr int kTrackEnd = kTuneEnd + 2 * kTicksPerQuarter; // let the last chord ring
constexpr int kMicrosecondsPerQuarter = 600000;            // 100 beats a minute

struct Event {
    int tick;
    int order; // at the same tick: note-offs first, so repeated notes sound again
    Bytes bytes;
};

class Track {
public:
    void Meta(int tick, std::uint8_t type, const Bytes& data) {
        Bytes bytes{0xFF, type};
        AppendLength(bytes, data.size());
        bytes.insert(bytes.end(), data.begin(), data.end());
        m_Events.push_back({tick, 1, bytes});
    }
    void Text(int tick, std::uint8_t type, const std::string& text) {
        Meta(tick, type, Bytes(text.begin(), text.end()));
    }
    void Control(int channel, std::uint8_t controller, std::uint8_t value) {
        m_Events.push_back({0, 1, {std::uint8_t(0xB0 | channel), controller, value}});
    }
    void Program(int channel, std::uint8_t program) {
        m_Events.push_back({0, 1, {std::uint8_t(0xC0 | channel), program}});
    }
    // A note of `length` ticks that sounds a little shorter, so that notes
    // are articulated rather than slurred.
    void Note(int channel, int tick, int length, std::uint8_t key, std::uint8_t velocity) {
        const int sounding = std::max(length - std::max(length / 8, 4), 1);
        m_Events.push_back({tick, 2, {std::uint8_t(0x90 | channel), key, velocity}});
        m_Events.push_back({tick + sounding, 0, {std::uint8_t(0x80 | channel), key, 64}});
    }

    Bytes Chunk() {
        Meta(kTrackEnd, 0x2F, {});
        std::stable_sort(m_Events.begin(), m_Events.end(), [](const Event& a, const Event& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        // The end of track must be the last event even if a note-off shares its tick.
        std::stable_partition(m_Events.begin(), m_Events.end(), [](const Event& e) {
            return !(e.bytes.size() >= 2 && e.bytes[0] == 0xFF && e.bytes[1] == 0x2F);
        });
        Bytes body;
        int now = 0;
        for (const Event& e : m_Events) {
            AppendLength(body, std::size_t(e.tick - now));
            now = e.tick;
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        }
        Bytes chunk{'M', 'T', 'r', 'k'};
        AppendBigEndian(chunk, body.size(), 4);
        chunk.insert(chunk.end(), body.begin(), body.end());
        return chunk;
    }

    static void AppendBigEndian(Bytes& out, std::size_t value, int width) {
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
            out.push_back(std::uint8_t(value >> shift));
    }

private:
    // MIDI variable-length quantity: 7 bits a byte, high bit on all but the last.
    static void AppendLength(Bytes& out, std::size_t value) {
        Bytes groups{std::uint8_t(value & 0x7F)};
        while (value >>= 7)
            groups.push_back(std::uint8_t(0x80 | (value & 0x7F)));
        out.insert(out.end(), groups.rbegin(), groups.rend());
    }

    std::vector<Event> m_Events;
};

enum Pitch : std::uint8_t {
    F2 = 41,
    G2 = 43,
    C3 = 48,
    E3 = 52,
    F3 = 53,
    G3 = 55,
    A3 = 57,
    B3 = 59,
    C4 = 60,
    G4 = 67,
    A4 = 69,
    B4 = 71,
    C5 = 72,
    D5 = 74,
    E5 = 76,
    F5 = 77,
    G5 = 79,
};

constexpr int kQuarter = kTicksPerQuarter;
constexpr int kHalf = 2 * kQuarter;
constexpr int kDottedHalf = 3 * kQuarter;
constexpr int kDottedEighth = 3 * kQuarter / 4;
constexpr int kSixteenth = kQuarter / 4;

struct MelodyNote {
    Pitch pitch;
    int length;
};

// clang-format off
constexpr MelodyNote kMelody[] = {
    {G4, kDottedEighth}, {G4, kSixteenth},                                        // upbeat
    {A4, kQuarter},      {G4, kQuarter},    {C5, kQuarter},                       // bar 1
    {B4, kHalf},         {G4, kDottedEighth}, {G4, kSixteenth},                   // bar 2
    {A4, kQuarter},      {G4, kQuarter},    {D5, kQuarter},                       // bar 3
    {C5, kHalf},         {G4, kDottedEighth}, {G4, kSixteenth},                   // bar 4
    {G5, kQuarter},      {E5, kQuarter},    {C5, kQuarter},                       // bar 5
    {B4, kQuarter},      {A4, kQuarter},    {F5, kDottedEighth}, {F5, kSixteenth}, // bar 6
    {E5, kQuarter},      {C5, kQuarter},    {D5, kQuarter},                       // bar 7
    {C5, kDottedHalf},                                                            // bar 8
};
// clang-format on

struct Chord {
    Pitch bass;
    Pitch notes[3];
};
constexpr Chord kC{C3, {E3, G3, C4}};
constexpr Chord kG7{G2, {F3, G3, B3}};
constexpr Chord kF{F2, {F3, A3, C4}};

// Harmony of bars 1 to 8, one chord per beat.
constexpr Chord kHarmony[8][3] = {
    {kC, kC, kC}, {kG7, kG7, kG7}, {kG7, kG7, kG7}, {kC, kC, kC},
    {kC, kC, kC}, {kF, kF, kF},    {kC, kC, kG7},   {kC, kC, kC},
};

Track ConductorTrack() {
    Track track;
    track.Text(0, 0x03, "Happy Birthday to You");
    track.Text(0, 0x01, "Traditional melody (public domain), arranged for Annivo");
    track.Meta(0, 0x58, {3, 2, 24, 8}); // 3/4, metronome every quarter
    track.Meta(0, 0x59, {0, 0});        // C major
    Bytes tempo;
    Track::AppendBigEndian(tempo, kMicrosecondsPerQuarter, 3);
    track.Meta(0, 0x51, tempo);
    return track;
}

Track InstrumentTrack(const std::string& name, int channel, std::uint8_t program,
                      std::uint8_t volume, std::uint8_t pan) {
    Track track;
    track.Text(0, 0x03, name);
    track.Program(channel, program);
    track.Control(channel, 7, volume);
    track.Control(channel, 10, pan);
    return track;
}

Track MelodyTrack() {
    Track track = InstrumentTrack("Melody", 0, 0 /* piano */, 110, 64);
    int tick = 0;
    for (const MelodyNote& note : kMelody) {
        track.Note(0, tick, note.length, note.pitch, 100);
        tick += note.length;
    }
    return track;
}

// Oom-pah-pah: the bass takes the first beat of each bar, the chord the other two.
Track ChordTrack() {
    Track track = InstrumentTrack("Chords", 1, 24 /* nylon guitar */, 80, 80);
    for (int bar = 0; bar < 8; ++bar) {
        const int start = kPickup + bar * kBar;
        const bool last = bar == 7;
        for (int beat = last ? 0 : 1; beat < 3; ++beat) {
            const int length = last ? kDottedHalf : kQuarter;
            for (Pitch pitch : kHarmony[bar][beat].notes)
                track.Note(1, start + beat * kQuarter, length, pitch, 62);
            if (last)
                break;
        }
    }
    return track;
}

Track BassTrack() {
    Track track = InstrumentTrack("Bass", 2, 32 /* acoustic bass */, 100, 48);
    for (int bar = 0; bar < 8; ++bar) {
        const int length = bar == 7 ? kDottedHalf : kQuarter;
        track.Note(2, kPickup + bar * kBar, length, kHarmony[bar][0].bass, 90);
    }
    return track;
}

Bytes MidiFile() {
    std::vector<Track> tracks{ConductorTrack(), MelodyTrack(), ChordTrack(), BassTrack()};
    Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    Track::AppendBigEndian(file, 1, 2); // format 1: tracks played together
    Track::AppendBigEndian(file, tracks.size(), 2);
    Track::AppendBigEndian(file, kTicksPerQuarter, 2);
    for (Track& track : tracks) {
        const Bytes chunk = track.Chunk();
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    const Bytes bytes = MidiFile();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
