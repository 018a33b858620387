#include "platform/audio/Audio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ReadFile.h"
#include "platform/audio/Playlist.h"

namespace audio {

namespace {

constexpr int kMaxChannels = 64;
// Streaming: a few buffers of about 0.19 s each at 44.1 kHz keep music going through a
// long frame without holding more than a fraction of a second of a title in memory.
constexpr int kStreamBuffers = 4;
constexpr int kStreamFrames = 8192;
constexpr auto kFeedPeriod = std::chrono::milliseconds(10);

// An effect is decoded whole: at most this many samples (about three minutes of 44.1 kHz
// stereo) whatever length its header claims.
constexpr sf_count_t kEffectSampleLimit = 16 << 20;

ALenum alFormatFor(int channels) { return channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16; }

// More than two channels are folded to mono; OpenAL takes 1 or 2 for plain 16-bit data.
int outputChannels(int fileChannels) { return fileChannels == 2 ? 2 : 1; }

// Folds interleaved frames of n channels into mono, in place.
void foldToMono(short* data, sf_count_t frames, int channels) {
    if (channels <= 1) return;
    for (sf_count_t f = 0; f < frames; ++f) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) sum += data[f * channels + c];
        data[f] = static_cast<short>(sum / channels);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Internal state

struct Sound::Impl {
    enum Kind { Sample, Stream, Playlist };
    System::Impl* system = nullptr;
    Sound* handle = nullptr;
    Kind kind = Sample;
    unsigned int mode = 0;
    std::string path;
    int type = SOUND_TYPE_UNKNOWN;
    int fileChannels = 0;
    int sampleRate = 0;
    sf_count_t frames = 0;
    ALuint buffer = 0;          // Sample: the whole sound
    SNDFILE* file = nullptr;    // Stream: the open decoder
    std::vector<PlaylistEntry> entries;                       // Playlist
    std::vector<std::pair<std::string, std::string>> tags;    // other kinds

    bool loops() const { return (mode & LOOP_NORMAL) != 0; }
};

struct ChannelState {
    Channel handle;
    ALuint source = 0;
    Sound::Impl* sound = nullptr;
    bool paused = false;
    float volume = 1.0f;
    uint64_t startSerial = 0;
    // Streams only.
    ALuint streamBuffers[kStreamBuffers] = {};
    bool decoderDone = false;  // the decoder has delivered its last frame
    bool finished = false;     // ... and the source has played it
};

struct System::Impl {
    System* handle = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    ALCboolean(ALC_APIENTRY* setThreadContext)(ALCcontext*) = nullptr;
    bool initialised = false;
    bool stopping = false;
    int numChannels = 0;
    uint64_t serial = 0;
    ChannelState channels[kMaxChannels];
    std::set<Sound::Impl*> sounds;
    std::thread feeder;
    std::vector<short> scratch;  // decoding buffer, used under the lock

    void makeCurrent() {
        if (setThreadContext)
            setThreadContext(context);
        else if (alcGetCurrentContext() != context)
            alcMakeContextCurrent(context);
    }

    // Everything below runs with the mutex held.
    void detachSource(ChannelState& cs) {
        alSourceStop(cs.source);
        alSourcei(cs.source, AL_BUFFER, 0);
    }

    void stopChannel(ChannelState& cs) {
        if (!cs.sound) return;
        detachSource(cs);
        cs.sound = nullptr;
        cs.paused = false;
        cs.decoderDone = false;
        cs.finished = false;
    }

    bool channelActive(ChannelState& cs) {
        if (!cs.sound) return false;
        if (cs.sound->kind == Sound::Impl::Stream) {
            serviceStream(cs);
            return !cs.finished;
        }
        ALint state = AL_STOPPED;
        alGetSourcei(cs.source, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING || state == AL_PAUSED) return true;
        // Started paused and not yet resumed; an effect that has ended stays ended even if
        // its channel is paused afterwards.
        return state == AL_INITIAL && cs.paused;
    }

    // Decodes up to one buffer's worth of the channel's stream; returns the frames written
    // into scratch (0 when the stream has ended).
    sf_count_t decodeChunk(Sound::Impl& s) {
        scratch.resize(static_cast<size_t>(kStreamFrames) * std::max(1, s.fileChannels));
        sf_count_t got = 0;
        bool rewound = false;
        while (got < kStreamFrames) {
            const sf_count_t n = sf_readf_short(s.file, scratch.data() + got * s.fileChannels, kStreamFrames - got);
            if (n > 0) {
                got += n;
                rewound = false;
                continue;
            }
            // End of the title: a looping stream starts over (once per empty read, so an
            // empty file cannot spin).
            if (!s.loops() || rewound || sf_seek(s.file, 0, SEEK_SET) < 0) break;
            rewound = true;
        }
        if (s.fileChannels > 2) foldToMono(scratch.data(), got, s.fileChannels);
        return got;
    }

    bool queueChunk(ChannelState& cs, ALuint buffer) {
        Sound::Impl& s = *cs.sound;
        const sf_count_t frames = decodeChunk(s);
        if (frames <= 0) {
            cs.decoderDone = true;
            return false;
        }
        const int outCh = outputChannels(s.fileChannels);
        alBufferData(buffer, alFormatFor(outCh), scratch.data(),
                     static_cast<ALsizei>(frames * outCh * sizeof(short)), s.sampleRate);
        alSourceQueueBuffers(cs.source, 1, &buffer);
        return true;
    }

    // Refills the processed buffers of a streaming channel, restarts it after an underrun
    // and notices its end.
    void serviceStream(ChannelState& cs) {
        if (cs.finished) return;
        ALint processed = 0;
        alGetSourcei(cs.source, AL_BUFFERS_PROCESSED, &processed);
        while (processed-- > 0) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(cs.source, 1, &buffer);
            if (!cs.decoderDone) queueChunk(cs, buffer);
        }
        ALint queued = 0;
        ALint state = AL_STOPPED;
        alGetSourcei(cs.source, AL_BUFFERS_QUEUED, &queued);
        alGetSourcei(cs.source, AL_SOURCE_STATE, &state);
        if (queued == 0 && cs.decoderDone) {
            cs.finished = true;
            return;
        }
        if (!cs.paused && state != AL_PLAYING && queued > 0) alSourcePlay(cs.source);
    }

    void serviceAllStreams() {
        for (int i = 0; i < numChannels; ++i) {
            ChannelState& cs = channels[i];
            if (cs.sound && cs.sound->kind == Sound::Impl::Stream) serviceStream(cs);
        }
    }

    void feederLoop() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stopping) {
            makeCurrent();
            serviceAllStreams();
            wake.wait_for(lock, kFeedPeriod, [this] { return stopping; });
        }
        if (setThreadContext) setThreadContext(nullptr);
    }

    void shutdown() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        if (feeder.joinable()) feeder.join();
        std::lock_guard<std::mutex> lock(mutex);
        if (!initialised) return;
        makeCurrent();
        for (int i = 0; i < numChannels; ++i) stopChannel(channels[i]);
        for (Sound::Impl* s : sounds) {
            if (s->buffer) alDeleteBuffers(1, &s->buffer);
            if (s->file) sf_close(s->file);
            s->buffer = 0;
            s->file = nullptr;
        }
        for (int i = 0; i < numChannels; ++i) {
            alDeleteSources(1, &channels[i].source);
            alDeleteBuffers(kStreamBuffers, channels[i].streamBuffers);
        }
        if (setThreadContext) setThreadContext(nullptr);
        if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
        alcCloseDevice(device);
        context = nullptr;
        device = nullptr;
        initialised = false;
    }
};

// Systems still open at exit are shut down before OpenAL's own clean-up runs, so the feeder
// thread never touches a destroyed context and file outputs are finished properly.
namespace {
std::mutex registryMutex;
std::set<System::Impl*>& liveSystems() {
    static std::set<System::Impl*>* systems = new std::set<System::Impl*>;  // outlives exit
    return *systems;
}
void shutdownAtExit() {
    std::set<System::Impl*> systems;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        systems.swap(liveSystems());
    }
    for (System::Impl* s : systems) s->shutdown();
}
}  // namespace

struct SystemImplAccess {
    static Sound* newSound(Sound::Impl* impl) { return new Sound(impl); }
    static ChannelState* state(const Channel* c) {
        if (!c || !c->owner) return nullptr;
        return &c->owner->channels[c->index];
    }
};

// ---------------------------------------------------------------------------------------
// Errors

const char* errorString(int result) {
    switch (result) {
    case OK: return "No errors.";
    case ERR_INVALID_PARAM: return "An invalid parameter was passed to this function.";
    case ERR_UNINITIALIZED: return "The sound system has not been initialised.";
    case ERR_INITIALIZED: return "The sound system has already been initialised.";
    case ERR_OUTPUT_INIT: return "The sound output device could not be opened.";
    case ERR_FILE_NOTFOUND: return "File not found.";
    case ERR_FORMAT: return "Unsupported file or audio format.";
    case ERR_FILE_BAD: return "Error loading file.";
    case ERR_MEMORY: return "Not enough memory or resources.";
    case ERR_TAGNOTFOUND: return "The requested tag could not be found.";
    case ERR_CHANNEL_ALLOC: return "No channel could be allocated: every channel is busy with a stream.";
    case ERR_NOT_PLAYABLE: return "A playlist cannot be played; read its entries as tags.";
    case ERR_INVALID_HANDLE: return "An invalid object handle was used.";
    default: return "Unknown error.";
    }
}

// ---------------------------------------------------------------------------------------
// System

System::System() : d(new Impl) { d->handle = this; }

System::~System() { delete d; }

int System::create(System** system) {
    if (!system) return ERR_INVALID_PARAM;
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(shutdownAtExit); });
    *system = new System;
    for (int i = 0; i < kMaxChannels; ++i) {
        (*system)->d->channels[i].handle.owner = (*system)->d;
        (*system)->d->channels[i].handle.index = i;
    }
    return OK;
}

int System::getVersion(unsigned int* version) const {
    if (!version) return ERR_INVALID_PARAM;
    *version = VERSION;
    return OK;
}

int System::init(int maxChannels, unsigned int, void*) {
    if (maxChannels < 1 || maxChannels > kMaxChannels) return ERR_INVALID_PARAM;
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->initialised) return ERR_INITIALIZED;

    d->device = alcOpenDevice(nullptr);
    if (!d->device) return ERR_OUTPUT_INIT;
    // Sounds that start together can add up past full scale (the flight's last hit: the crash,
    // the break-up and the music); the library's limiter turns the mix down for that moment.
    // It looks a millisecond ahead, so a sharp onset may still touch full scale.
    // No effect sends: the game has no reverb, and each of the library's 256 voices would keep
    // the state of two (0.8 MB in all).
    const bool canLimit = alcIsExtensionPresent(d->device, "ALC_SOFT_output_limiter") == ALC_TRUE;
    const ALCint attributes[] = {ALC_MAX_AUXILIARY_SENDS, 0, canLimit ? ALC_OUTPUT_LIMITER_SOFT : 0, ALC_TRUE, 0};
    d->context = alcCreateContext(d->device, attributes);
    if (!d->context) {
        alcCloseDevice(d->device);
        d->device = nullptr;
        return ERR_OUTPUT_INIT;
    }
    // Each thread of ours names its context, so several systems can live side by side.
    if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context") == ALC_TRUE)
        d->setThreadContext = reinterpret_cast<ALCboolean(ALC_APIENTRY*)(ALCcontext*)>(
            alcGetProcAddress(nullptr, "alcSetThreadContext"));
    d->makeCurrent();
    alGetError();

    int made = 0;
    for (; made < maxChannels; ++made) {
        ChannelState& cs = d->channels[made];
        alGenSources(1, &cs.source);
        if (alGetError() != AL_NO_ERROR) break;
        alGenBuffers(kStreamBuffers, cs.streamBuffers);
        if (alGetError() != AL_NO_ERROR) {
            alDeleteSources(1, &cs.source);
            break;
        }
        alSourcei(cs.source, AL_SOURCE_RELATIVE, AL_TRUE);  // plain 2D playback
        alSource3f(cs.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    }
    if (made < maxChannels) {
        for (int i = 0; i < made; ++i) {
            alDeleteSources(1, &d->channels[i].source);
            alDeleteBuffers(kStreamBuffers, d->channels[i].streamBuffers);
        }
        if (d->setThreadContext) d->setThreadContext(nullptr);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(d->context);
        alcCloseDevice(d->device);
        d->context = nullptr;
        d->device = nullptr;
        return ERR_MEMORY;
    }
    d->numChannels = maxChannels;
    d->initialised = true;
    d->stopping = false;
    d->feeder = std::thread([impl = d] { impl->feederLoop(); });
    {
        std::lock_guard<std::mutex> reg(registryMutex);
        liveSystems().insert(d);
    }
    return OK;
}

namespace {

// Opens a sound file with libsndfile, which takes over fd (and closes it, on failure too),
// and fills the common fields of a sound.
int openSoundFile(Sound::Impl& s, int fd, SNDFILE** out) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!file) return ERR_FORMAT;
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(file);
        return ERR_FORMAT;
    }
    switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64: s.type = SOUND_TYPE_WAV; break;
    case SF_FORMAT_MPEG: s.type = SOUND_TYPE_MPEG; break;
    default: s.type = SOUND_TYPE_OTHER; break;
    }
    s.fileChannels = info.channels;
    s.sampleRate = info.samplerate;
    s.frames = info.frames;
    if (const char* title = sf_get_string(file, SF_STR_TITLE)) s.tags.emplace_back("TITLE", title);
    if (const char* artist = sf_get_string(file, SF_STR_ARTIST)) s.tags.emplace_back("ARTIST", artist);
    *out = file;
    return OK;
}

std::string readHead(int fd, size_t bytes) {
    std::string head(bytes, '\0');
    const ssize_t got = ::pread(fd, &head[0], bytes, 0);
    head.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return head;
}

}  // namespace

static int createAny(System::Impl* d, const char* name, unsigned int mode, bool stream, Sound** sound) {
    if (!name || !sound) return ERR_INVALID_PARAM;
    *sound = nullptr;
    std::unique_ptr<Sound::Impl> s(new Sound::Impl);
    s->system = d;
    s->mode = mode;
    s->path = name;

    // Plain files only, opened without blocking: a folder, a FIFO or a device in place of a
    // sound counts as a missing file, and a file past the size limit as a bad one.
    files::ReadResult opened;
    const int fd = files::openRegularFile(s->path, files::kSoundLimit, &opened);
    if (fd < 0) return opened.status == files::ReadStatus::TooLarge ? ERR_FILE_BAD : ERR_FILE_NOTFOUND;

    // A playlist is known by its header; a plain .m3u has none, so a file with that name is
    // a playlist unless it decodes as sound.
    SNDFILE* file = nullptr;
    bool playlist = hasPlaylistHeader(readHead(fd, 16));
    if (playlist) {
        ::close(fd);
    } else {
        const int result = openSoundFile(*s, fd, &file);
        if (result != OK) {
            if (!hasPlaylistExtension(s->path)) return result;
            playlist = true;
            s->tags.clear();
        }
    }

    if (playlist) {
        const files::ReadResult text = files::readRegularFile(s->path, files::kTextLimit);
        if (!text.ok()) return text.status == files::ReadStatus::TooLarge ? ERR_FILE_BAD : ERR_FILE_NOTFOUND;
        s->kind = Sound::Impl::Playlist;
        s->type = SOUND_TYPE_PLAYLIST;
        s->fileChannels = 0;
        s->sampleRate = 0;
        s->frames = 0;
        s->entries = parseM3U(text.data);
    } else if (stream) {
        s->kind = Sound::Impl::Stream;
        s->file = file;
    } else {
        // Effects: decode the whole file once now, so playing costs no decoding later.
        s->kind = Sound::Impl::Sample;
        const sf_count_t frames = std::min<sf_count_t>(s->frames, kEffectSampleLimit / s->fileChannels);
        std::vector<short> data(static_cast<size_t>(std::max<sf_count_t>(frames, 0)) * s->fileChannels);
        const sf_count_t got = frames > 0 ? sf_readf_short(file, data.data(), frames) : 0;
        sf_close(file);
        if (got < 0) return ERR_FILE_BAD;
        if (s->fileChannels > 2) foldToMono(data.data(), got, s->fileChannels);
        const int outCh = outputChannels(s->fileChannels);
        std::lock_guard<std::mutex> lock(d->mutex);
        d->makeCurrent();
        alGetError();
        alGenBuffers(1, &s->buffer);
        if (alGetError() != AL_NO_ERROR) return ERR_MEMORY;
        alBufferData(s->buffer, alFormatFor(outCh), data.data(),
                     static_cast<ALsizei>(got * outCh * sizeof(short)), s->sampleRate);
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &s->buffer);
            return ERR_MEMORY;
        }
    }

    std::lock_guard<std::mutex> lock(d->mutex);
    Sound* handle = SystemImplAccess::newSound(s.get());
    s->handle = handle;
    d->sounds.insert(s.get());
    s.release();
    *sound = handle;
    return OK;
}

int System::createSound(const char* name, unsigned int mode, void*, Sound** sound) {
    if (!d->initialised) return ERR_UNINITIALIZED;
    return createAny(d, name, mode, false, sound);
}

int System::createStream(const char* name, unsigned int mode, void*, Sound** sound) {
    if (!d->initialised) return ERR_UNINITIALIZED;
    return createAny(d, name, mode, true, sound);
}

int System::playSound(int channelIndex, Sound* sound, bool paused, Channel** channel) {
    if (!sound || channelIndex < CHANNEL_REUSE || channelIndex >= kMaxChannels) return ERR_INVALID_PARAM;
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->initialised) return ERR_UNINITIALIZED;
    Sound::Impl* s = sound->d;
    if (s->system != d || !d->sounds.count(s)) return ERR_INVALID_HANDLE;
    if (s->kind == Sound::Impl::Playlist) return ERR_NOT_PLAYABLE;
    if (channelIndex >= d->numChannels) return ERR_INVALID_PARAM;
    d->makeCurrent();

    ChannelState* target = nullptr;
    if (channelIndex >= 0) {
        target = &d->channels[channelIndex];
    } else if (channelIndex == CHANNEL_REUSE && channel && *channel) {
        if ((*channel)->owner != d) return ERR_INVALID_HANDLE;
        target = &d->channels[(*channel)->index];
    }

    // A stream has one decoder, so it plays on one channel at a time.
    if (s->kind == Sound::Impl::Stream) {
        for (int i = 0; i < d->numChannels; ++i)
            if (d->channels[i].sound == s) d->stopChannel(d->channels[i]);
    }

    if (!target) {
        // The idle channel started longest ago; handles the game still holds of recently
        // finished sounds are thus the last to be handed out again.
        for (int i = 0; i < d->numChannels; ++i) {
            ChannelState& cs = d->channels[i];
            if (!d->channelActive(cs) && (!target || cs.startSerial < target->startSerial)) target = &cs;
        }
        // None idle: take over the oldest effect; streams are never cut for a new sound.
        if (!target) {
            for (int i = 0; i < d->numChannels; ++i) {
                ChannelState& cs = d->channels[i];
                if (cs.sound->kind == Sound::Impl::Sample && (!target || cs.startSerial < target->startSerial))
                    target = &cs;
            }
        }
        if (!target) return ERR_CHANNEL_ALLOC;
    }

    ChannelState& cs = *target;
    d->stopChannel(cs);
    // Back to the initial state: a sound started paused on a channel that has played before
    // must start when it is unpaused, as on a fresh one.
    alSourceRewind(cs.source);
    cs.sound = s;
    cs.paused = paused;
    cs.startSerial = ++d->serial;
    cs.volume = 1.0f;  // every sound starts at full volume, whatever the channel had before
    alSourcef(cs.source, AL_GAIN, cs.volume);
    if (s->kind == Sound::Impl::Sample) {
        alSourcei(cs.source, AL_LOOPING, s->loops() ? AL_TRUE : AL_FALSE);
        alSourcei(cs.source, AL_BUFFER, static_cast<ALint>(s->buffer));
    } else {
        alSourcei(cs.source, AL_LOOPING, AL_FALSE);
        sf_seek(s->file, 0, SEEK_SET);
        for (int i = 0; i < kStreamBuffers && !cs.decoderDone; ++i) d->queueChunk(cs, cs.streamBuffers[i]);
        ALint queued = 0;
        alGetSourcei(cs.source, AL_BUFFERS_QUEUED, &queued);
        if (queued == 0) cs.finished = true;  // an empty title ends at once
    }
    if (!paused && !cs.finished) alSourcePlay(cs.source);
    if (channel) *channel = &cs.handle;
    return OK;
}

int System::update() {
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->initialised) return ERR_UNINITIALIZED;
    d->makeCurrent();
    d->serviceAllStreams();
    return OK;
}

int System::getChannelsPlaying(int* count) {
    if (!count) return ERR_INVALID_PARAM;
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->initialised) return ERR_UNINITIALIZED;
    d->makeCurrent();
    int n = 0;
    for (int i = 0; i < d->numChannels; ++i) n += d->channelActive(d->channels[i]) ? 1 : 0;
    *count = n;
    return OK;
}

int System::getChannel(int index, Channel** channel) {
    if (!channel) return ERR_INVALID_PARAM;
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->initialised) return ERR_UNINITIALIZED;
    if (index < 0 || index >= d->numChannels) return ERR_INVALID_PARAM;
    *channel = &d->channels[index].handle;
    return OK;
}

int System::release() {
    {
        std::lock_guard<std::mutex> reg(registryMutex);
        liveSystems().erase(d);
    }
    d->shutdown();
    for (Sound::Impl* s : d->sounds) {
        delete s->handle;
        delete s;
    }
    d->sounds.clear();
    delete this;
    return OK;
}

// ---------------------------------------------------------------------------------------
// Sound

Sound::Sound(Impl* impl) : d(impl) {}

Sound::~Sound() {}

int Sound::getFormat(int* type, int* format, int* channels, int* bits) const {
    const bool playlist = d->kind == Impl::Playlist;
    if (type) *type = d->type;
    if (format) *format = playlist ? SOUND_FORMAT_NONE : SOUND_FORMAT_PCM16;
    if (channels) *channels = playlist ? 0 : outputChannels(d->fileChannels);
    if (bits) *bits = playlist ? 0 : 16;
    return OK;
}

int Sound::getLength(unsigned int* lengthMs) const {
    if (!lengthMs) return ERR_INVALID_PARAM;
    *lengthMs = d->sampleRate > 0 ? static_cast<unsigned int>(d->frames * 1000 / d->sampleRate) : 0;
    return OK;
}

int Sound::getTag(const char* name, int index, Tag* tag) const {
    if (!name || !tag || index < 0) return ERR_INVALID_PARAM;
    const std::string* text = nullptr;
    if (d->kind == Impl::Playlist) {
        if (index < static_cast<int>(d->entries.size())) {
            const PlaylistEntry& e = d->entries[static_cast<size_t>(index)];
            if (std::strcmp(name, "FILE") == 0) text = &e.file;
            else if (std::strcmp(name, "TITLE") == 0 && e.hasTitle) text = &e.title;
        }
    } else {
        int seen = 0;
        for (const auto& t : d->tags) {
            if (t.first == name && seen++ == index) {
                text = &t.second;
                break;
            }
        }
    }
    if (!text) return ERR_TAGNOTFOUND;
    tag->name = name;
    tag->data = text->c_str();
    tag->dataLength = static_cast<unsigned int>(text->size());
    return OK;
}

int Sound::getNumTags(int* count) const {
    if (!count) return ERR_INVALID_PARAM;
    if (d->kind == Impl::Playlist) {
        int n = 0;
        for (const auto& e : d->entries) n += e.hasTitle ? 2 : 1;
        *count = n;
    } else {
        *count = static_cast<int>(d->tags.size());
    }
    return OK;
}

unsigned int Sound::getMode() const { return d->mode; }

int Sound::release() {
    System::Impl* sys = d->system;
    {
        std::lock_guard<std::mutex> lock(sys->mutex);
        if (!sys->sounds.erase(d)) return ERR_INVALID_HANDLE;
        if (sys->initialised) {
            sys->makeCurrent();
            for (int i = 0; i < sys->numChannels; ++i)
                if (sys->channels[i].sound == d) sys->stopChannel(sys->channels[i]);
            if (d->buffer) alDeleteBuffers(1, &d->buffer);
        }
        if (d->file) sf_close(d->file);
    }
    delete d;
    delete this;
    return OK;
}

// ---------------------------------------------------------------------------------------
// Channel

#define LOCKED_CHANNEL(cs)                                      \
    ChannelState* cs = SystemImplAccess::state(this);           \
    if (!cs) return ERR_INVALID_HANDLE;                         \
    std::lock_guard<std::mutex> channelLock(owner->mutex);      \
    if (!owner->initialised) return ERR_UNINITIALIZED;          \
    owner->makeCurrent()

int Channel::isPlaying(bool* playing) {
    if (!playing) return ERR_INVALID_PARAM;
    LOCKED_CHANNEL(cs);
    *playing = owner->channelActive(*cs);
    return OK;
}

int Channel::getPaused(bool* paused) {
    if (!paused) return ERR_INVALID_PARAM;
    LOCKED_CHANNEL(cs);
    *paused = cs->paused;
    return OK;
}

int Channel::setPaused(bool paused) {
    LOCKED_CHANNEL(cs);
    if (cs->paused == paused) return OK;
    cs->paused = paused;
    if (!cs->sound) return OK;
    ALint state = AL_STOPPED;
    alGetSourcei(cs->source, AL_SOURCE_STATE, &state);
    if (paused) {
        if (state == AL_PLAYING) alSourcePause(cs->source);
    } else if (state == AL_PAUSED || state == AL_INITIAL) {
        alSourcePlay(cs->source);
    }
    return OK;
}

int Channel::setVolume(float volume) {
    LOCKED_CHANNEL(cs);
    cs->volume = std::min(1.0f, std::max(0.0f, volume));
    alSourcef(cs->source, AL_GAIN, cs->volume);
    return OK;
}

int Channel::getVolume(float* volume) {
    if (!volume) return ERR_INVALID_PARAM;
    LOCKED_CHANNEL(cs);
    *volume = cs->volume;
    return OK;
}

int Channel::stop() {
    LOCKED_CHANNEL(cs);
    owner->stopChannel(*cs);
    return OK;
}

int Channel::getIndex(int* index) const {
    if (!index) return ERR_INVALID_PARAM;
    *index = this->index;
    return OK;
}

int Channel::getCurrentSound(Sound** sound) {
    if (!sound) return ERR_INVALID_PARAM;
    LOCKED_CHANNEL(cs);
    *sound = cs->sound ? cs->sound->handle : nullptr;
    return OK;
}

#undef LOCKED_CHANNEL

}  // namespace audio
