#pragma once
// Plays one sound file (wave, MIDI or MP3) once, in the background.
//
// A player is one playback device: open a file, play it from the start, stop,
// close. Failures come back as a text in Error(); nothing here throws or stops
// the program, whatever the file holds.
//
// All players share one audio output, and it has a single music stream: when
// a player starts, the one that was sounding falls silent. Players are used
// from one thread (the window thread).

#include <string>

typedef struct _Mix_Music Mix_Music;

class MediaPlayer {
public:
    MediaPlayer() = default;
    ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Opens the sound file; a player that was open closes first. MIDI is
    // rendered with the system's General MIDI sound font.
    bool Open(const std::string& fileName);
    // Starts the open file from the beginning and returns at once.
    bool Play();
    void Stop();
    void Close();

    bool IsOpen() const { return m_Music != nullptr; }
    // True while this player's sound is still going.
    bool IsPlaying() const;
    // What went wrong last, for the user; empty after success.
    const std::string& Error() const { return m_Error; }

private:
    Mix_Music* m_Music = nullptr;
    bool m_HoldsOutput = false;
    std::string m_Error;
};
