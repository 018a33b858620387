#include "core/GameAudio.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "framework/Logger.h"
#include "objects/ResourceCache.h"
#include "platform/audio/Audio.h"

namespace {

const unsigned int kRequiredVersion = 0x43004;
const char* const kBuiltInTitle = "Sounds/01 - Remember.mp3";
const char* const kNoDevice = "No sound device: the game runs without sound";
const char* const kEffectFiles[4] = {"Sounds/fire.wav", "Sounds/beam.wav", "Sounds/jump.wav", "Sounds/gameover.wav"};

void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);  // the console may be a file: keep it current while the game runs
}

// One line for a failed call; the game goes on.
bool succeeded(int result) {
    if (result != audio::OK) {
        std::printf("FMOD error! (%d) %s\n", result, audio::errorString(result));
        std::fflush(stdout);
    }
    return result == audio::OK;
}

// An effect starts paused, so that not one sample of it plays louder than the player's level.
void startAtLevel(audio::Channel* channel, float gain) {
    if (!channel) return;
    channel->setVolume(gain);
    channel->setPaused(false);
}

}  // namespace

GameAudio::GameAudio()
    : soundSystem(nullptr),
      effectsChannel(nullptr),
      objectChannel(nullptr),
      musicChannel(nullptr),
      effectSounds{},
      objectSounds{},
      music(nullptr),
      playlist(nullptr),
      isPlaylist(false),
      playlistIndex(0),
      startedThisRound(false) {}

GameAudio::~GameAudio() = default;  // the system lives until the process ends

void GameAudio::shutDown() {
    if (soundSystem) soundSystem->release();
    soundSystem = nullptr;
    effectsChannel = objectChannel = musicChannel = nullptr;
    std::fill(std::begin(effectSounds), std::end(effectSounds), nullptr);
    std::fill(std::begin(objectSounds), std::end(objectSounds), nullptr);
    music = playlist = nullptr;
    isPlaylist = false;
    playlistIndex = 0;
    heldChannels.clear();
    reported.clear();
    startedThisRound = false;
    forLog.clear();
}

bool GameAudio::isMusicPaused() const {
    bool paused = false;
    return musicChannel && musicChannel->getPaused(&paused) == audio::OK && paused;
}

void GameAudio::init() {
    shutDown();
    if (!succeeded(audio::System::create(&soundSystem))) {
        soundSystem = nullptr;
        return;
    }
    unsigned int version = 0;
    succeeded(soundSystem->getVersion(&version));
    if (version < kRequiredVersion) {
        std::printf("Error!  You are using an old version of FMOD %08x.  This program requires %08x\n", version,
                    kRequiredVersion);
    }

    // Without a device every sound handle stays null, and so every sound call is skipped.
    if (!succeeded(soundSystem->init(32, audio::INIT_NORMAL, nullptr))) {
        soundSystem->release();
        soundSystem = nullptr;
        say(kNoDevice);
        forLog = kNoDevice;
        return;
    }
    // A missing effect is silent; nothing plays a null sound.
    for (int i = 0; i < 4; ++i)
        if (!succeeded(soundSystem->createSound(kEffectFiles[i], audio::HARDWARE, nullptr, &effectSounds[i])))
            effectSounds[i] = nullptr;

    if (succeeded(soundSystem->createStream("Sounds/playlist.m3u", audio::HARDWARE, nullptr, &playlist))) {
        int type = audio::SOUND_TYPE_UNKNOWN;
        playlist->getFormat(&type, nullptr, nullptr, nullptr);
        isPlaylist = type == audio::SOUND_TYPE_PLAYLIST;
    } else {
        playlist = nullptr;
    }

    if (isPlaylist) {
        std::printf("PLAYLIST loaded.\n");
        playNextEntry();
    } else {
        // No playlist: the built-in title loops on the music channel for the whole run, so
        // the game still has music (and "m" and the volume have a channel to act on).
        playBuiltInTitle();
    }
}

void GameAudio::loadObjectSounds(ResourceCache& cache) {
    for (int i = 0; i < kObjectKindCount; ++i) {
        const char* sound = objectKind(static_cast<ObjectKind>(i)).sound;
        if (!sound || !soundSystem) continue;
        int result = audio::OK;
        objectSounds[i] = cache.getSound(sound, soundSystem, &result);
        succeeded(result);
    }
}

// Plays a music stream on a free channel, which becomes the music channel, at the volume the
// music was set to (the new stream may land on another channel).
int GameAudio::playMusic(audio::Sound* title) {
    float volume = 1.0f;
    const bool keepVolume = musicChannel && musicChannel->getVolume(&volume) == audio::OK;
    const int result = soundSystem->playSound(audio::CHANNEL_FREE, title, false, &musicChannel);
    if (result == audio::OK && keepVolume) musicChannel->setVolume(volume);
    return result;
}

// Opens the playlist entry named by a FILE tag (relative to "Sounds/") as the music stream and
// plays it; false when it cannot, reported the first time for that entry (and tried again
// every round, in case it comes back).
bool GameAudio::startPlaylistEntry(const char* fileTag) {
    const std::string path = std::string("Sounds/") + fileTag;
    audio::Sound* title = nullptr;
    int result = soundSystem->createStream(path.c_str(), audio::DEFAULT, nullptr, &title);
    if (result == audio::OK) result = playMusic(title);
    if (result != audio::OK) {
        if (title) title->release();
        if (std::find(reported.begin(), reported.end(), playlistIndex) == reported.end()) {
            reported.push_back(playlistIndex);
            succeeded(result);
            say(("Music title skipped: " + path).c_str());
        }
        return false;
    }
    music = title;
    audio::Tag titleTag;
    playlist->getTag("TITLE", playlistIndex, &titleTag);  // read, not shown anywhere
    return true;
}

// The built-in title loops on the music channel for the rest of the run; without it, silence.
void GameAudio::playBuiltInTitle() {
    isPlaylist = false;
    int result = soundSystem->createStream(kBuiltInTitle, audio::HARDWARE | audio::MODE_2D | audio::LOOP_NORMAL,
                                           nullptr, &music);
    if (result == audio::OK) result = playMusic(music);
    if (!succeeded(result)) {
        if (music) music->release();
        music = nullptr;
        say("Playing without music");
    }
}

// Starts the first entry from the playlist index on that plays. Past the last entry the index
// goes back to 0 and the next frame starts over; a whole round in which nothing played hands
// over to the built-in title.
void GameAudio::playNextEntry() {
    audio::Tag fileTag;
    while (playlist->getTag("FILE", playlistIndex, &fileTag) == audio::OK) {
        const bool started = startPlaylistEntry(static_cast<const char*>(fileTag.data));
        ++playlistIndex;
        if (started) {
            startedThisRound = true;
            return;
        }
    }
    const bool nothingPlayed = !startedThisRound;
    playlistIndex = 0;
    startedThisRound = false;
    if (nothingPlayed) {
        say((std::string("No playable title in the playlist: playing ") + kBuiltInTitle).c_str());
        playBuiltInTitle();
    }
}

void GameAudio::advancePlaylist(Logger* logger) {
    // The log opens after the sound start-up; the first frame writes what it had to say.
    if (!forLog.empty() && logger) {
        logger->log(forLog);
        forLog.clear();
    }
    if (!musicChannel || !isPlaylist) return;
    bool playing = false;
    musicChannel->isPlaying(&playing);
    if (playing) return;

    if (music) {
        music->release();
        music = nullptr;
    }
    playNextEntry();
}

void GameAudio::toggleMusicPause() {
    if (!musicChannel) return;
    musicChannel->setPaused(!isMusicPaused());
}

void GameAudio::playObjectSound(ObjectKind kind, float gain) {
    audio::Sound* sound = objectSounds[static_cast<int>(kind)];
    // Kinds without a sound, a sound that did not load, or no sound system at all: silence.
    if (!soundSystem || !sound) return;
    if (succeeded(soundSystem->playSound(audio::CHANNEL_FREE, sound, true, &objectChannel)))
        startAtLevel(objectChannel, gain);
}

void GameAudio::playEffect(Effect effect, float gain) {
    audio::Sound* sound = effectSounds[effect];
    if (!soundSystem || !sound) return;
    // A finished effect frees its channel, and the next title may start on it: the effects
    // handle then names the music's channel, and reusing it would cut the music.
    if (effectsChannel && effectsChannel == musicChannel) effectsChannel = nullptr;
    const bool reuse = effect == Fire || effect == Beam;
    if (succeeded(soundSystem->playSound(reuse ? audio::CHANNEL_REUSE : audio::CHANNEL_FREE, sound, true,
                                         &effectsChannel)))
        startAtLevel(effectsChannel, gain);
}

void GameAudio::holdAll(bool on) {
    if (!soundSystem) return;
    if (!on) {
        for (audio::Channel* channel : heldChannels) channel->setPaused(false);
        heldChannels.clear();
        return;
    }
    // Only what sounds now: music the player paused with "m" stays paused after the pause.
    audio::Channel* channel = nullptr;
    for (int i = 0; soundSystem->getChannel(i, &channel) == audio::OK && channel; ++i) {
        bool playing = false, held = false;
        channel->isPlaying(&playing);
        channel->getPaused(&held);
        if (playing && !held && channel->setPaused(true) == audio::OK) heldChannels.push_back(channel);
    }
}

void GameAudio::setVolumes(float musicGain, float effectsGain) {
    if (musicChannel) musicChannel->setVolume(musicGain);
    // The effects already sounding follow at once; new ones start at the level.
    for (audio::Channel* channel : {effectsChannel, objectChannel})
        if (channel && channel != musicChannel) channel->setVolume(effectsGain);
}

void GameAudio::update() {
    if (soundSystem) soundSystem->update();
}
