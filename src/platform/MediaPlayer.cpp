#include "platform/MediaPlayer.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>

#include "platform/OptionalLibrary.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace {

// General MIDI sound fonts in the order we prefer them. Debian's
// timgm6mb-soundfont package installs the first; the others are the names the
// system's sound-font alternatives and other packages use.
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// The audio output is opened by the first player that needs it and closed
// with the last one, so nothing holds the sound card while no reminder plays.
struct SharedOutput {
    std::mutex mutex;
    int users = 0;
    Mix_Music* sounding = nullptr; // the music last started, if still ours to stop
};

SharedOutput& Output() {
    static SharedOutput output;
    return output;
}

// SDL_mixer, with SDL and the codecs under it, is loaded the first time a
// sound plays: most starts of the program never play one.
struct MixerFunctions {
    decltype(&::SDL_GetError) SDL_GetError = nullptr;
    decltype(&::SDL_SetHint) SDL_SetHint = nullptr;
    decltype(&::SDL_InitSubSystem) SDL_InitSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) SDL_QuitSubSystem = nullptr;
    decltype(&::Mix_Init) Mix_Init = nullptr;
    decltype(&::Mix_Quit) Mix_Quit = nullptr;
    decltype(&::Mix_SetSoundFonts) Mix_SetSoundFonts = nullptr;
    decltype(&::Mix_OpenAudio) Mix_OpenAudio = nullptr;
    decltype(&::Mix_CloseAudio) Mix_CloseAudio = nullptr;
    decltype(&::Mix_LoadMUS) Mix_LoadMUS = nullptr;
    decltype(&::Mix_FreeMusic) Mix_FreeMusic = nullptr;
    decltype(&::Mix_PlayMusic) Mix_PlayMusic = nullptr;
    decltype(&::Mix_HaltMusic) Mix_HaltMusic = nullptr;
    decltype(&::Mix_PlayingMusic) Mix_PlayingMusic = nullptr;
    bool loaded = false;
    std::string error;
};

const MixerFunctions& Mixer() {
    static const MixerFunctions functions = [] {
        static OptionalLibrary library(ANNIVO_SDL2_MIXER_LIBRARY, "播放提醒的声音");
        MixerFunctions f;
        f.loaded = ANNIVO_BIND(library, f, SDL_GetError, f.error) &&
                   ANNIVO_BIND(library, f, SDL_SetHint, f.error) &&
                   ANNIVO_BIND(library, f, SDL_InitSubSystem, f.error) &&
                   ANNIVO_BIND(library, f, SDL_QuitSubSystem, f.error) &&
                   ANNIVO_BIND(library, f, Mix_Init, f.error) &&
                   ANNIVO_BIND(library, f, Mix_Quit, f.error) &&
                   ANNIVO_BIND(library, f, Mix_SetSoundFonts, f.error) &&
                   ANNIVO_BIND(library, f, Mix_OpenAudio, f.error) &&
                   ANNIVO_BIND(library, f, Mix_CloseAudio, f.error) &&
                   ANNIVO_BIND(library, f, Mix_LoadMUS, f.error) &&
                   ANNIVO_BIND(library, f, Mix_FreeMusic, f.error) &&
                   ANNIVO_BIND(library, f, Mix_PlayMusic, f.error) &&
                   ANNIVO_BIND(library, f, Mix_HaltMusic, f.error) &&
                   ANNIVO_BIND(library, f, Mix_PlayingMusic, f.error);
        return f;
    }();
    return functions;
}

std::string SdlError() {
    const char* error = Mixer().SDL_GetError();
    return error && *error ? error : "未知错误";
}

// SDL_mixer only looks for one sound font of its own choosing, which Debian
// does not install; without one every MIDI file fails to load.
void ChooseSoundFont() {
    const char* chosenByUser = std::getenv("SDL_SOUNDFONTS");
    if (chosenByUser && *chosenByUser)
        return;
    for (const char* path : kSoundFonts) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            Mixer().Mix_SetSoundFonts(path);
            return;
        }
    }
}

bool AcquireOutput(std::string& error) {
    SharedOutput& output = Output();
    std::lock_guard lock(output.mutex);
    if (output.users == 0) {
        if (!Mixer().loaded) {
            error = Mixer().error;
            return false;
        }
        // The window toolkit owns the process's signals.
        Mixer().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (Mixer().SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            error = "无法使用声音设备：" + SdlError();
            return false;
        }
        Mixer().Mix_Init(MIX_INIT_MID | MIX_INIT_MP3);
        ChooseSoundFont();
        if (Mixer().Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
            error = "无法打开声音设备：" + SdlError();
            Mixer().Mix_Quit();
            Mixer().SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
    }
    ++output.users;
    return true;
}

void ReleaseOutput() {
    SharedOutput& output = Output();
    std::lock_guard lock(output.mutex);
    if (--output.users == 0) {
        output.sounding = nullptr;
        Mixer().Mix_CloseAudio();
        Mixer().Mix_Quit();
        Mixer().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

} // namespace

MediaPlayer::~MediaPlayer() {
    Close();
}

bool MediaPlayer::Open(const std::string& fileName) {
    Close();
    m_Error.clear();
    if (fileName.empty()) {
        m_Error = "没有指定要播放的声音文件。";
        return false;
    }
    if (!AcquireOutput(m_Error))
        return false;
    m_HoldsOutput = true;
    m_Music = Mixer().Mix_LoadMUS(fileName.c_str());
    if (!m_Music) {
        m_Error = "无法打开声音文件“" + fileName + "”：" + SdlError();
        Close();
        return false;
    }
    return true;
}

bool MediaPlayer::Play() {
    m_Error.clear();
    if (!m_Music) {
        m_Error = "没有打开声音文件。";
        return false;
    }
    SharedOutput& output = Output();
    std::lock_guard lock(output.mutex);
    // A loop count of 0 plays the music once.
    if (Mixer().Mix_PlayMusic(m_Music, 0) != 0) {
        m_Error = "无法播放声音文件：" + SdlError();
        output.sounding = nullptr;
        return false;
    }
    output.sounding = m_Music;
    return true;
}

void MediaPlayer::Stop() {
    if (!m_Music)
        return;
    SharedOutput& output = Output();
    std::lock_guard lock(output.mutex);
    if (output.sounding == m_Music) {
        Mixer().Mix_HaltMusic();
        output.sounding = nullptr;
    }
}

void MediaPlayer::Close() {
    Stop();
    if (m_Music) {
        Mixer().Mix_FreeMusic(m_Music);
        m_Music = nullptr;
    }
    if (m_HoldsOutput) {
        m_HoldsOutput = false;
        ReleaseOutput();
    }
}

bool MediaPlayer::IsPlaying() const {
    if (!m_Music)
        return false;
    SharedOutput& output = Output();
    std::lock_guard lock(output.mutex);
    return output.sounding == m_Music && Mixer().Mix_PlayingMusic() != 0;
}
