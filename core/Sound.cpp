#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Game.h"
#include "platform/audio/Audio.h"

namespace {

const unsigned int kRequiredVersion = 0x43004;

// Opens the playlist entry named by a FILE tag (relative to "Sounds/") as the music stream
// and starts it on a free channel, which becomes the music channel.
void startPlaylistEntry(Game& game, const audio::Tag& fileTag) {
    const std::string path = std::string("Sounds/") + static_cast<const char*>(fileTag.data);
    Game::checkSoundResult(game.soundSystem->createStream(path.c_str(), audio::DEFAULT, nullptr, &game.music));
    // The new title may land on another channel: keep the volume the music was set to.
    float volume = 1.0f;
    const bool keepVolume = game.musicChannel && game.musicChannel->getVolume(&volume) == audio::OK;
    Game::checkSoundResult(game.soundSystem->playSound(audio::CHANNEL_FREE, game.music, false, &game.musicChannel));
    if (keepVolume) game.musicChannel->setVolume(volume);
    audio::Tag titleTag;
    game.playlist->getTag("TITLE", game.playlistIndex, &titleTag);  // read, not shown anywhere
}

}  // namespace

void Game::checkSoundResult(int result) {
    if (result != audio::OK) {
        std::printf("FMOD error! (%d) %s\n", result, audio::errorString(result));
        std::exit(-1);
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

    checkSoundResult(audio::System::create(&soundSystem));
    unsigned int version = 0;
    checkSoundResult(soundSystem->getVersion(&version));
    if (version < kRequiredVersion) {
        std::printf("Error!  You are using an old version of FMOD %08x.  This program requires %08x\n", version,
                    kRequiredVersion);
    }

    checkSoundResult(soundSystem->init(32, audio::INIT_NORMAL, nullptr));
    checkSoundResult(soundSystem->createSound("Sounds/fire.wav", audio::HARDWARE, nullptr, &fireSound));
    checkSoundResult(soundSystem->createSound("Sounds/beam.wav", audio::HARDWARE, nullptr, &beamSound));
    checkSoundResult(soundSystem->createSound("Sounds/jump.wav", audio::HARDWARE, nullptr, &jumpSound));

    checkSoundResult(soundSystem->createStream("Sounds/playlist.m3u", audio::HARDWARE, nullptr, &playlist));
    int type = audio::SOUND_TYPE_UNKNOWN;
    checkSoundResult(playlist->getFormat(&type, nullptr, nullptr, nullptr));
    isPlaylist = type == audio::SOUND_TYPE_PLAYLIST;

    if (isPlaylist) {
        std::printf("PLAYLIST loaded.\n");
        audio::Tag fileTag;
        checkSoundResult(playlist->getTag("FILE", playlistIndex, &fileTag));
        startPlaylistEntry(*this, fileTag);
        playlistIndex = 1;
    } else {
        // No playlist: the fallback title loops on the music channel for the whole run, so
        // the game still has music (and "m" and the start-up volume have a channel to act on).
        checkSoundResult(soundSystem->createStream("Sounds/01 - Remember.mp3",
                                                   audio::HARDWARE | audio::MODE_2D | audio::LOOP_NORMAL, nullptr,
                                                   &music));
        checkSoundResult(soundSystem->playSound(audio::CHANNEL_FREE, music, false, &musicChannel));
    }
}

void Game::advancePlaylist() {
    musicPlaying = false;
    if (!musicChannel || !isPlaylist) return;
    musicChannel->isPlaying(&musicPlaying);
    if (musicPlaying) return;

    if (music) {
        music->release();
        music = nullptr;
    }
    audio::Tag fileTag;
    if (playlist->getTag("FILE", playlistIndex, &fileTag) != audio::OK) {
        playlistIndex = 0;  // past the last entry: the next frame starts over
        return;
    }
    startPlaylistEntry(*this, fileTag);
    ++playlistIndex;
}

void Game::toggleMusicPause() {
    if (!musicChannel) return;
    musicChannel->getPaused(&musicPaused);
    musicChannel->setPaused(!musicPaused);
}

void Game::playObjectSound(ObjectKind kind) {
    audio::Sound* sound = objectSounds[static_cast<int>(kind)];
    // Kinds without a sound, or no sound system at all (tools, tests): silence.
    if (!soundSystem || !sound) return;
    checkSoundResult(soundSystem->playSound(audio::CHANNEL_FREE, sound, false, &objectChannel));
}

void Game::playEffectSound(audio::Sound* sound, bool reuse) {
    if (!soundSystem || !sound) return;
    // A finished effect frees its channel, and the next title may start on it: the effects
    // handle then names the music's channel, and reusing it would cut the music.
    if (effectsChannel && effectsChannel == musicChannel) effectsChannel = nullptr;
    checkSoundResult(soundSystem->playSound(reuse ? audio::CHANNEL_REUSE : audio::CHANNEL_FREE, sound, false,
                                            &effectsChannel));
}
