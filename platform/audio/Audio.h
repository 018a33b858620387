#pragma once
// The game's sound layer: sound effects decoded once into OpenAL buffers, music streamed from
// disk by a feeder thread of the layer's own, M3U playlists read as lists of tags, and a fixed
// pool of channels (one OpenAL source each). Decoding is done by libsndfile (WAV, MP3 and the
// other formats it reads).
//
// Every operation returns an int result: OK (0) or one of the error codes below, which
// errorString() turns into text. Handles handed out (System, Sound, Channel) are owned by
// the layer; a Channel pointer stays valid for the life of its System.
//
// How the game uses it (core/Sound.cpp and its callers):
//   System::create(&system); system->getVersion(&version); system->init(32, INIT_NORMAL, nullptr);
//   system->createSound("Sounds/fire.wav", HARDWARE, nullptr, &fireSound);
//   system->createStream("Sounds/playlist.m3u", HARDWARE, nullptr, &playlist);
//   playlist->getFormat(&type, nullptr, nullptr, nullptr);            // PLAYLIST for .m3u
//   playlist->getTag("FILE", index, &tag);                           // tag.data is a C string
//   system->playSound(CHANNEL_FREE, music, false, &musicChannel);
//   system->playSound(CHANNEL_REUSE, fireSound, false, &effectsChannel);   // newGame, fire
//   system->playSound(CHANNEL_FREE, jumpSound, false, &effectsChannel);    // jump
//   musicChannel->isPlaying(&playing); musicChannel->getPaused(&p); musicChannel->setPaused(!p);
//   musicChannel->setVolume(0.4f); system->update();

namespace audio {

class Channel;
class Sound;
class System;
struct ChannelState;

// Result codes.
enum Result {
    OK = 0,
    ERR_INVALID_PARAM = 1,      // null pointer or a value out of range
    ERR_UNINITIALIZED = 2,      // System::init has not succeeded yet
    ERR_INITIALIZED = 3,        // System::init called twice
    ERR_OUTPUT_INIT = 4,        // no sound device could be opened
    ERR_FILE_NOTFOUND = 5,      // the file does not exist or cannot be opened
    ERR_FORMAT = 6,             // the file is not a sound format the layer can decode
    ERR_FILE_BAD = 7,           // reading or decoding failed part way
    ERR_MEMORY = 8,             // an audio buffer or source could not be created
    ERR_TAGNOTFOUND = 9,        // no tag of that name at that index
    ERR_CHANNEL_ALLOC = 10,     // every channel is busy with a stream
    ERR_NOT_PLAYABLE = 11,      // a playlist cannot be played, only read
    ERR_INVALID_HANDLE = 12,    // the channel is not part of a live system
};
const char* errorString(int result);

// Version reported by System::getVersion: 4.30.04 in the 0xMMmmpp layout the game checks.
constexpr unsigned int VERSION = 0x00043004;

// Mode flags for createSound/createStream.
constexpr unsigned int DEFAULT = 0x0;
constexpr unsigned int LOOP_OFF = 0x1;
constexpr unsigned int LOOP_NORMAL = 0x2;
constexpr unsigned int MODE_2D = 0x8;
constexpr unsigned int HARDWARE = 0x20;

// Init flags.
constexpr unsigned int INIT_NORMAL = 0x0;

// Channel index arguments of playSound (0..channels-1 picks that channel).
constexpr int CHANNEL_FREE = -1;
constexpr int CHANNEL_REUSE = -2;

// Sound types reported by getFormat.
enum SoundType {
    SOUND_TYPE_UNKNOWN = 0,
    SOUND_TYPE_WAV = 1,
    SOUND_TYPE_MPEG = 2,
    SOUND_TYPE_OTHER = 3,  // another container libsndfile reads (FLAC, Ogg, AIFF ...)
    SOUND_TYPE_PLAYLIST = 15,
};

// Sample formats reported by getFormat (what the layer hands to OpenAL).
enum SoundFormat {
    SOUND_FORMAT_NONE = 0,
    SOUND_FORMAT_PCM16 = 2,
};

// One tag: a name and its text. data points to a NUL-terminated string owned by the sound,
// valid until the sound is released; dataLength counts the bytes without the NUL.
struct Tag {
    const char* name = nullptr;
    const void* data = nullptr;
    unsigned int dataLength = 0;
};

class System {
public:
    // Creates a system with no device; init opens it.
    static int create(System** system);

    int getVersion(unsigned int* version) const;
    // Opens the default OpenAL device, one source per channel (1..64), and starts the
    // stream feeder. flags and extraDriverData are accepted and ignored.
    int init(int maxChannels, unsigned int flags, void* extraDriverData);

    // An effect: the whole file is decoded now into one OpenAL buffer. A playlist file
    // (.m3u) gives a playlist sound whichever of the two calls opens it.
    int createSound(const char* name, unsigned int mode, void* exinfo, Sound** sound);
    // A stream: decoded as it plays, through a few queued buffers.
    int createStream(const char* name, unsigned int mode, void* exinfo, Sound** sound);

    // channelIndex: CHANNEL_FREE takes an idle channel (the least recently started one);
    // CHANNEL_REUSE with a non-null *channel stops that channel's sound and plays on it
    // (with a null *channel it acts like CHANNEL_FREE); 0..n-1 names a channel.
    // *channel receives the channel played on. channel may be null.
    int playSound(int channelIndex, Sound* sound, bool paused, Channel** channel);

    // Nothing needs it (streams are fed by the layer's thread); kept for the game's frame.
    int update();

    int getChannelsPlaying(int* count);
    int getChannel(int index, Channel** channel);

    // Stops everything, releases all sounds, closes the device and frees the system.
    int release();

    struct Impl;
    Impl* impl() { return d; }

private:
    System();
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;
    Impl* d;
};

class Sound {
public:
    // type: SoundType; format: SoundFormat; channels: 1 or 2 (0 for a playlist);
    // bits: 16 (0 for a playlist). Any pointer may be null.
    int getFormat(int* type, int* format, int* channels, int* bits) const;
    // Length in milliseconds (0 for a playlist).
    int getLength(unsigned int* lengthMs) const;
    // The index-th tag called name. A playlist has "FILE" and "TITLE" per entry (TITLE only
    // for entries with an #EXTINF line); other sounds may have "TITLE" and "ARTIST".
    int getTag(const char* name, int index, Tag* tag) const;
    int getNumTags(int* count) const;
    unsigned int getMode() const;
    // Stops the channels playing it and frees it.
    int release();

    struct Impl;
    Impl* impl() { return d; }

private:
    friend class System;
    friend struct SystemImplAccess;
    explicit Sound(Impl* impl);
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
    Impl* d;
};

class Channel {
public:
    // True while a sound is assigned and has not ended; a paused channel counts as playing.
    int isPlaying(bool* playing);
    int getPaused(bool* paused);
    int setPaused(bool paused);
    int setVolume(float volume);  // clamped to 0..1
    int getVolume(float* volume);
    int stop();
    int getIndex(int* index) const;
    // The sound assigned to the channel (null when idle).
    int getCurrentSound(Sound** sound);

private:
    friend class System;
    friend struct ChannelState;
    friend struct SystemImplAccess;
    Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;
    System::Impl* owner = nullptr;
    int index = 0;
};

}  // namespace audio
