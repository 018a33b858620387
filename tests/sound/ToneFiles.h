#pragma once
// Sound files for the sound and cache tests, generated here with libsndfile.
#include <sndfile.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tones {

// Tests never need a real sound card: unless a test chose another driver, OpenAL Soft opens
// its null device.
inline bool useNullDriver() {
    setenv("ALSOFT_DRIVERS", "null", 0);
    return true;
}
static const bool kNullDriver = useNullDriver();

// Writes a sine tone (amplitude 0.5) of the given length; format is a libsndfile major and
// minor format, e.g. SF_FORMAT_WAV | SF_FORMAT_PCM_16. Returns false when it cannot.
inline bool writeTone(const std::string& path, double seconds, double frequency = 440.0, int channels = 1,
                      int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16, const char* title = nullptr,
                      int rate = 44100) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    if (title) sf_set_string(f, SF_STR_TITLE, title);
    const sf_count_t frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> data(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[static_cast<size_t>(i * channels + c)] =
                0.5f * static_cast<float>(std::sin(2.0 * M_PI * frequency * static_cast<double>(i) / rate));
    const sf_count_t written = sf_writef_float(f, data.data(), frames);
    sf_close(f);
    return written == frames;
}

// Reads a sound file into interleaved floats; channels and rate are returned.
inline std::vector<float> readAll(const std::string& path, int* channels, int* rate) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<float> data(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    if (channels) *channels = info.channels;
    if (rate) *rate = info.samplerate;
    return data;
}

inline void makeDir(const std::string& path) { ::mkdir(path.c_str(), 0755); }

// Polls a condition every 2 ms until it holds or the time limit passes (a guard against a
// hang, not a measurement).
inline bool waitFor(const std::function<bool()>& condition, int limitMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}

inline void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace tones
