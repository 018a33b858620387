#include <cstdio>
#include <set>
#include <string>

#include "core/Game.h"
#include "framework/Logger.h"
#include "platform/audio/Audio.h"

// Sound is never a reason to stop the game: a failing call is reported and the game goes on
// with whatever does play, down to silence.
namespace {

const unsigned int kRequiredVersion = 0x43004;
const char* const kBuiltInTitle = "Sounds/01 - Remember.mp3";
const char* const kNoDevice = "No sound device: the game runs without sound";

// What the playlist step keeps beyond the Game's members: the entries already reported as
// unplayable (each is reported once, yet tried again every round, in case it comes back),
// whether a title started since the playlist last wrapped, and a start-up notice for the
// log, which opens only after the sound start-up.
struct MusicNotes {
    std::set<int> reported;
    bool startedThisRound = false;
    std::string forLog;
};
MusicNotes notes;

void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);  // the console may be a file: keep it current while the game runs
}

bool succeeded(int result) {
    Game::checkSoundResult(result);
    return result == audio::OK;
}

// Plays a music stream on a free channel, which becomes the music channel, at the volume the
// music was set to (the new stream may land on another channel).
int playMusic(Game& game, audio::Sound* music) {
    float volume = 1.0f;
    const bool keepVolume = game.musicChannel && game.musicChannel->getVolume(&volume) == audio::OK;
    const int result = game.soundSystem->playSound(audio::CHANNEL_FREE, music, false, &game.musicChannel);
    if (result == audio::OK && keepVolume) game.musicChannel->setVolume(volume);
    return result;
}

// Opens the playlist entry named by a FILE tag (relative to "Sounds/") as the music stream and
// plays it; false when it cannot, reported the first time for that entry.
bool startPlaylistEntry(Game& game, const audio::Tag& fileTag) {
    const std::string path = std::string("Sounds/") + static_cast<const char*>(fileTag.data);
    audio::Sound* title = nullptr;
    int result = game.soundSystem->createStream(path.c_str(), audio::DEFAULT, nullptr, &title);
    if (result == audio::OK) result = playMusic(game, title);
    if (result != audio::OK) {
        if (title) title->release();
        if (notes.reported.insert(game.playlistIndex).second) {
            Game::checkSoundResult(result);
            say(("Music title skipped: " + path).c_str());
        }
        return false;
    }
    game.music = title;
    audio::Tag titleTag;
    game.playlist->getTag("TITLE", game.playlistIndex, &titleTag);  // read, not shown anywhere
    return true;
}

// The built-in title loops on the music channel for the rest of the run; without it, silence.
void playBuiltInTitle(Game& game) {
    game.isPlaylist = false;
    int result = game.soundSystem->createStream(kBuiltInTitle, audio::HARDWARE | audio::MODE_2D | audio::LOOP_NORMAL,
                                                nullptr, &game.music);
    if (result == audio::OK) result = playMusic(game, game.music);
    if (!succeeded(result)) {
        if (game.music) game.music->release();
        game.music = nullptr;
        say("Playing without music");
    }
}

// Starts the first entry from the playlist index on that plays. Past the last entry the index
// goes back to 0 and the next frame starts over; a whole round in which nothing played hands
// over to the built-in title.
void playNextEntry(Game& game) {
    audio::Tag fileTag;
    while (game.playlist->getTag("FILE", game.playlistIndex, &fileTag) == audio::OK) {
        const bool started = startPlaylistEntry(game, fileTag);
        ++game.playlistIndex;
        if (started) {
            notes.startedThisRound = true;
            return;
        }
    }
    const bool nothingPlayed = !notes.startedThisRound;
    game.playlistIndex = 0;
    notes.startedThisRound = false;
    if (nothingPlayed) {
        say((std::string("No playable title in the playlist: playing ") + kBuiltInTitle).c_str());
        playBuiltInTitle(game);
    }
}

// An effect starts paused, so that not one sample of it plays louder than the player's level.
void startAtEffectsLevel(audio::Channel* channel, float gain) {
    if (!channel) return;
    channel->setVolume(gain);
    channel->setPaused(false);
}

}  // namespace

void Game::checkSoundResult(int result) {
    if (result != audio::OK) {
        std::printf("FMOD error! (%d) %s\n", result, audio::errorString(result));
        std::fflush(stdout);
    }
}

void Game::initSound() {
    soundSystem = nullptr;
    effectsChannel = nullptr;
    objectChannel = nullptr;
    musicChannel = nullptr;
    fireSound = nullptr;
    jumpSound = nullptr;
    beamSound = nullptr;
    music = nullptr;
    musicPaused = false;
    playlist = nullptr;
    isPlaylist = false;
    musicPlaying = false;
    playlistIndex = 0;
    notes = MusicNotes();

    if (!succeeded(audio::System::create(&soundSystem))) {
        soundSystem = nullptr;
        return;
    }
    unsigned int version = 0;
    checkSoundResult(soundSystem->getVersion(&version));
    if (version < kRequiredVersion) {
        std::printf("Error!  You are using an old version of FMOD %08x.  This program requires %08x\n", version,
                    kRequiredVersion);
    }

    // Without a device every sound handle stays null, and so every sound call is skipped.
    if (!succeeded(soundSystem->init(32, audio::INIT_NORMAL, nullptr))) {
        soundSystem->release();
        soundSystem = nullptr;
        say(kNoDevice);
        notes.forLog = kNoDevice;
        return;
    }
    // A missing effect is silent; the game checks for null before playing one.
    if (!succeeded(soundSystem->createSound("Sounds/fire.wav", audio::HARDWARE, nullptr, &fireSound))) fireSound = nullptr;
    if (!succeeded(soundSystem->createSound("Sounds/beam.wav", audio::HARDWARE, nullptr, &beamSound))) beamSound = nullptr;
    if (!succeeded(soundSystem->createSound("Sounds/jump.wav", audio::HARDWARE, nullptr, &jumpSound))) jumpSound = nullptr;

    if (succeeded(soundSystem->createStream("Sounds/playlist.m3u", audio::HARDWARE, nullptr, &playlist))) {
        int type = audio::SOUND_TYPE_UNKNOWN;
        playlist->getFormat(&type, nullptr, nullptr, nullptr);
        isPlaylist = type == audio::SOUND_TYPE_PLAYLIST;
    } else {
        playlist = nullptr;
    }

    if (isPlaylist) {
        std::printf("PLAYLIST loaded.\n");
        playNextEntry(*this);
    } else {
        // No playlist: the built-in title loops on the music channel for the whole run, so
        // the game still has music (and "m" and the start-up volume have a channel to act on).
        playBuiltInTitle(*this);
    }
}

void Game::advancePlaylist() {
    // The log opens after the sound start-up; the first frame writes what it had to say.
    if (!notes.forLog.empty() && getConfig().logger) {
        getConfig().logger->log(notes.forLog);
        notes.forLog.clear();
    }
    musicPlaying = false;
    if (!musicChannel || !isPlaylist) return;
    musicChannel->isPlaying(&musicPlaying);
    if (musicPlaying) return;

    if (music) {
        music->release();
        music = nullptr;
    }
    playNextEntry(*this);
}

void Game::toggleMusicPause() {
    if (!musicChannel || paused) return;
    musicChannel->getPaused(&musicPaused);
    musicChannel->setPaused(!musicPaused);
}

void Game::playObjectSound(ObjectKind kind) {
    audio::Sound* sound = objectSounds[static_cast<int>(kind)];
    // Kinds without a sound, a sound that did not load, or no sound system at all: silence.
    if (!soundSystem || !sound) return;
    const int result = soundSystem->playSound(audio::CHANNEL_FREE, sound, true, &objectChannel);
    checkSoundResult(result);
    if (result == audio::OK) startAtEffectsLevel(objectChannel, effectsGain(settings));
}

void Game::playEffectSound(audio::Sound* sound, bool reuse) {
    if (!soundSystem || !sound) return;
    // A finished effect frees its channel, and the next title may start on it: the effects
    // handle then names the music's channel, and reusing it would cut the music.
    if (effectsChannel && effectsChannel == musicChannel) effectsChannel = nullptr;
    const int result = soundSystem->playSound(reuse ? audio::CHANNEL_REUSE : audio::CHANNEL_FREE, sound, true,
                                              &effectsChannel);
    checkSoundResult(result);
    if (result == audio::OK) startAtEffectsLevel(effectsChannel, effectsGain(settings));
}

void Game::pauseSound(bool on) {
    if (!soundSystem) return;
    if (!on) {
        for (audio::Channel* channel : pausedChannels) channel->setPaused(false);
        pausedChannels.clear();
        return;
    }
    // Only what sounds now: music the player paused with "m" stays paused after the pause.
    audio::Channel* channel = nullptr;
    for (int i = 0; soundSystem->getChannel(i, &channel) == audio::OK && channel; ++i) {
        bool playing = false, held = false;
        channel->isPlaying(&playing);
        channel->getPaused(&held);
        if (playing && !held && channel->setPaused(true) == audio::OK) pausedChannels.push_back(channel);
    }
}
