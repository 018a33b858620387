#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/audio/Audio.h"
#include "sound/ToneFiles.h"
#include "support/GlHarness.h"

// These tests listen to what the layer plays: a child process sends OpenAL Soft's output to
// a wave file (finished when the device closes), the parent reads it back.
namespace {

struct Recording {
    std::vector<float> mono;  // loudest channel per frame
    int rate = 0;
};

Recording readRecording(const std::string& path) {
    int channels = 0;
    Recording r;
    const std::vector<float> data = tones::readAll(path, &channels, &r.rate);
    if (channels <= 0) return r;
    r.mono.resize(data.size() / static_cast<size_t>(channels));
    for (size_t f = 0; f < r.mono.size(); ++f) {
        float m = 0.0f;
        for (int c = 0; c < channels; ++c) m = std::max(m, std::fabs(data[f * channels + c]));
        r.mono[f] = m;
    }
    return r;
}

// Span of the audible part: first and last frame above the threshold.
bool audibleSpan(const Recording& r, float threshold, size_t* first, size_t* last) {
    bool found = false;
    for (size_t i = 0; i < r.mono.size(); ++i) {
        if (r.mono[i] > threshold) {
            if (!found) *first = i;
            *last = i;
            found = true;
        }
    }
    return found;
}

// Routes OpenAL Soft to the wave writer; called in the child before the device opens.
void recordTo(const std::string& dir) {
    const std::string conf = dir + "/alsoft.conf";
    harness::writeFileText(conf, "[general]\nfrequency=44100\n[wave]\nfile=" + dir + "/out.wav\n");
    setenv("ALSOFT_DRIVERS", "wave", 1);
    setenv("ALSOFT_CONF", conf.c_str(), 1);
}

void playEffectAndExit(const std::string& dir) {
    recordTo(dir);
    audio::System* system = nullptr;
    audio::Sound* fire = nullptr;
    audio::Channel* channel = nullptr;
    if (audio::System::create(&system) != audio::OK || system->init(32, 0, nullptr) != audio::OK) std::_Exit(2);
    if (system->createSound((dir + "/fire.wav").c_str(), audio::HARDWARE, nullptr, &fire) != audio::OK) std::_Exit(3);
    tones::sleepMs(100);  // some silence first
    if (system->playSound(audio::CHANNEL_REUSE, fire, false, &channel) != audio::OK) std::_Exit(4);
    tones::sleepMs(700);
    system->release();
    std::_Exit(0);
}

void playMusicWithoutUpdateAndExit(const std::string& dir) {
    recordTo(dir);
    audio::System* system = nullptr;
    audio::Sound* music = nullptr;
    audio::Channel* channel = nullptr;
    if (audio::System::create(&system) != audio::OK || system->init(32, 0, nullptr) != audio::OK) std::_Exit(2);
    if (system->createStream((dir + "/song.mp3").c_str(), audio::DEFAULT, nullptr, &music) != audio::OK) std::_Exit(3);
    if (system->playSound(audio::CHANNEL_FREE, music, false, &channel) != audio::OK) std::_Exit(4);
    // Many "frames" in which the game is busy elsewhere and never calls update.
    for (int frame = 0; frame < 120; ++frame) tones::sleepMs(20);
    bool playing = true;
    channel->isPlaying(&playing);
    if (playing) std::_Exit(5);  // 2 s title, 2.4 s later: must have ended
    system->release();
    std::_Exit(0);
}

// A death-test child runs the test body again: it must find the parent's folder, not make
// its own.
std::string sharedDir(const char* variable) {
    if (const char* existing = std::getenv(variable)) return existing;
    const std::string dir = harness::makeTempDir("lumivex-hear");
    setenv(variable, dir.c_str(), 1);
    return dir;
}

TEST(Hearing, FireSoundIsAudibleForItsOwnLength) {
    const std::string dir = sharedDir("LUMIVEX_HEAR_FIRE_DIR");
    ASSERT_TRUE(tones::writeTone(dir + "/fire.wav", 0.3, 880));
    EXPECT_EXIT(playEffectAndExit(dir), ::testing::ExitedWithCode(0), "");
    const Recording r = readRecording(dir + "/out.wav");
    ASSERT_EQ(r.rate, 44100);
    ASSERT_GT(r.mono.size(), static_cast<size_t>(0.6 * r.rate));
    size_t first = 0, last = 0;
    ASSERT_TRUE(audibleSpan(r, 0.02f, &first, &last));
    const double seconds = static_cast<double>(last - first + 1) / r.rate;
    EXPECT_NEAR(seconds, 0.3, 0.02);
    float peak = 0;
    for (float v : r.mono) peak = std::max(peak, v);
    EXPECT_GT(peak, 0.2f);   // a 0.5 tone, panned to the centre
    EXPECT_LT(peak, 0.75f);
    EXPECT_LT(r.mono[first / 2], 0.001f);  // silence before it
    harness::removeTree(dir);
    unsetenv("LUMIVEX_HEAR_FIRE_DIR");
}

TEST(Hearing, MusicFlowsWithoutGapsAcrossManyFramesWithoutUpdate) {
    const std::string dir = sharedDir("LUMIVEX_HEAR_MUSIC_DIR");
    ASSERT_TRUE(tones::writeTone(dir + "/song.mp3", 2.0, 440, 2, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III));
    EXPECT_EXIT(playMusicWithoutUpdateAndExit(dir), ::testing::ExitedWithCode(0), "");
    const Recording r = readRecording(dir + "/out.wav");
    ASSERT_EQ(r.rate, 44100);
    size_t first = 0, last = 0;
    ASSERT_TRUE(audibleSpan(r, 0.02f, &first, &last));
    // The whole title came out, far more than the few buffers queued when it started.
    const double seconds = static_cast<double>(last - first + 1) / r.rate;
    EXPECT_NEAR(seconds, 2.0, 0.06);
    // No gap: every 10 ms window inside the span carries the tone.
    const size_t window = static_cast<size_t>(r.rate / 100);
    int quietWindows = 0;
    for (size_t start = first; start + window <= last; start += window) {
        float m = 0;
        for (size_t i = start; i < start + window; ++i) m = std::max(m, r.mono[i]);
        if (m < 0.1f) ++quietWindows;
    }
    EXPECT_EQ(quietWindows, 0);
    harness::removeTree(dir);
    unsetenv("LUMIVEX_HEAR_MUSIC_DIR");
}

}  // namespace
