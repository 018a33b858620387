#pragma once
#include <string>
#include <vector>

#include "objects/ObjectKind.h"

class Logger;
class ResourceCache;
namespace audio {
class Channel;
class Sound;
class System;
}  // namespace audio

// The game's sound and music: one sound system, the three effects (fire, beam, jump), each
// object kind's contact sound, the playlist played title after title, and the channels they
// play on. Sound is never a reason to stop the game: a failing call is reported and the game
// goes on with whatever does play, down to silence.
class GameAudio {
public:
    enum Effect { Fire, Beam, Jump, GameOver };

    GameAudio();
    ~GameAudio();
    GameAudio(const GameAudio&) = delete;
    GameAudio& operator=(const GameAudio&) = delete;

    // The sound start-up: the system, the effects, the playlist and the first title, from the
    // working folder's "Sounds/".
    void init();
    // Each object kind's contact sound, through the cache (once the system is up).
    void loadObjectSounds(ResourceCache& cache);
    // Gives the system up (the run's end, or a test's).
    void shutDown();

    // The playlist step at the top of every frame: the next title once the last has ended.
    // The first call also writes the start-up's notice into the log.
    void advancePlaylist(Logger* logger);
    void toggleMusicPause();  // "m"; nothing without a music channel
    // Fire and beam reuse the effects channel (cutting the last effect), jump and the end of a
    // flight take a free one; either becomes the effects channel. Never the music's channel.
    void playEffect(Effect effect, float gain);
    void playObjectSound(ObjectKind kind, float gain);
    // Holds whatever sounds now (the pause), or lets it go on.
    void holdAll(bool on);
    void setVolumes(float musicGain, float effectsGain);
    void update();

    // For the tests and the settings: what plays where.
    audio::System* system() const { return soundSystem; }
    audio::Channel* getMusicChannel() const { return musicChannel; }
    audio::Channel* getEffectsChannel() const { return effectsChannel; }
    audio::Sound* getMusic() const { return music; }
    audio::Sound* effectSound(Effect effect) const { return effectSounds[effect]; }
    int getPlaylistIndex() const { return playlistIndex; }
    bool isMusicPaused() const;

private:
    int playMusic(audio::Sound* title);
    bool startPlaylistEntry(const char* fileTag);
    void playBuiltInTitle();
    void playNextEntry();

    audio::System* soundSystem;
    audio::Channel* effectsChannel;
    audio::Channel* objectChannel;
    audio::Channel* musicChannel;
    audio::Sound* effectSounds[4];
    audio::Sound* objectSounds[kObjectKindCount];  // played when the ship touches one of the kind
    audio::Sound* music;
    audio::Sound* playlist;
    bool isPlaylist;
    int playlistIndex;
    std::vector<audio::Channel*> heldChannels;  // the channels the pause holds
    std::vector<int> reported;  // playlist entries already reported as unplayable
    bool startedThisRound;      // a title started since the playlist last wrapped
    std::string forLog;         // a start-up notice for the log, which opens later
};
