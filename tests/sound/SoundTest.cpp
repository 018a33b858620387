#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/GameAudio.h"
#include "platform/audio/Audio.h"
#include "platform/audio/Playlist.h"
#include "support/GlHarness.h"

namespace {

// No sound card needed: unless a test chooses another driver, OpenAL Soft opens its null device.
const int kNullDriver = setenv("ALSOFT_DRIVERS", "null", 0);

// A sine tone of amplitude 0.5 in a libsndfile format.
bool writeTone(const std::string& path, double seconds, const char* title = nullptr, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{44100, 44100, 1, format, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    if (title) sf_set_string(f, SF_STR_TITLE, title);
    std::vector<float> data(static_cast<size_t>(seconds * 44100));
    for (size_t i = 0; i < data.size(); ++i) data[i] = 0.5f * std::sin(2.0 * M_PI * 440.0 * i / 44100);
    const bool ok = sf_write_float(f, data.data(), data.size()) == static_cast<sf_count_t>(data.size());
    sf_close(f);
    return ok;
}

void sleepMs(int ms) { usleep(ms * 1000); }

// Polls until the condition holds; the limit only guards against a hang.
bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 2500 && !condition(); ++i) sleepMs(2);
    return condition();
}

// Death-test children re-run the test body: they find the parent's folder in the environment.
std::string sharedDir(const char* variable) {
    if (const char* existing = std::getenv(variable)) return existing;
    const std::string dir = harness::makeTempDir("lumivex-sound");
    setenv(variable, dir.c_str(), 1);
    return dir;
}

class AudioLayer : public ::testing::Test {
protected:
    void SetUp() override {
        dir = harness::makeTempDir("lumivex-audio");
        ASSERT_EQ(audio::System::create(&system), audio::OK);
        ASSERT_EQ(system->init(32, audio::INIT_NORMAL, nullptr), audio::OK);
    }
    void TearDown() override {
        system->release();
        harness::removeTree(dir);
    }
    audio::Sound* load(const std::string& name, double seconds, bool stream = false) {
        audio::Sound* s = nullptr;
        EXPECT_TRUE(writeTone(dir + "/" + name, seconds));
        EXPECT_EQ(stream ? system->createStream((dir + "/" + name).c_str(), audio::DEFAULT, nullptr, &s)
                         : system->createSound((dir + "/" + name).c_str(), audio::HARDWARE, nullptr, &s),
                  audio::OK);
        return s;
    }
    static bool playing(audio::Channel* c) {
        bool p = false;
        return c->isPlaying(&p) == audio::OK && p;
    }
    int channelsPlaying() {
        int n = -1;
        return system->getChannelsPlaying(&n) == audio::OK ? n : -1;
    }
    std::string dir;
    audio::System* system = nullptr;
};

TEST_F(AudioLayer, ReusedEffectsChannelCutsTheFireJumpTakesAFreeOneAndObjectSoundsOverlap) {
    audio::Sound* fire = load("fire.wav", 1.0);
    audio::Sound* jump = load("jump.wav", 1.0);
    audio::Channel *effects = nullptr, *object = nullptr;
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, fire, false, &effects), audio::OK);
    audio::Channel* firstShot = effects;
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, fire, false, &effects), audio::OK);
    EXPECT_EQ(effects, firstShot);
    EXPECT_EQ(channelsPlaying(), 1) << "the second shot stops the first";

    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, jump, false, &effects), audio::OK);
    audio::Channel* jumpChannel = effects;
    EXPECT_NE(jumpChannel, firstShot);
    EXPECT_TRUE(playing(firstShot));
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, fire, false, &effects), audio::OK);
    EXPECT_EQ(effects, jumpChannel) << "the jump's channel is now the effects channel";
    EXPECT_EQ(channelsPlaying(), 2);

    for (int i = 0; i < 3; ++i) {
        audio::Channel* previous = object;
        ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, fire, false, &object), audio::OK);
        EXPECT_NE(object, previous);
        EXPECT_EQ(channelsPlaying(), 3 + i);
    }
}

TEST_F(AudioLayer, StreamsEndPauseAndResume) {
    audio::Sound* music = load("song.wav", 0.4, true);
    audio::Channel* ch = nullptr;
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, music, false, &ch), audio::OK);
    EXPECT_EQ(ch->setPaused(true), audio::OK);
    sleepMs(700);  // paused longer than the title: it waits, it has not ended
    EXPECT_TRUE(playing(ch));
    EXPECT_EQ(ch->setPaused(false), audio::OK);
    EXPECT_TRUE(playing(ch));
    EXPECT_TRUE(eventually([&] { return !playing(ch); }));
}

TEST_F(AudioLayer, PlaylistTextAndTagsWithAnErrorPastTheEnd) {
    const auto entries = audio::parseM3U("#EXTM3U\r\n\r\n#EXTINF:123,First Title\r\none.mp3\r\n# comment\r\n  two.wav  \n#EXTINF:-1, Third, with comma \nsub\\three.ogg");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].file, "one.mp3");
    EXPECT_EQ(entries[0].title, "First Title");
    EXPECT_EQ(entries[1].file, "two.wav");
    EXPECT_EQ(entries[2].file, "sub/three.ogg");
    EXPECT_EQ(entries[2].title, "Third, with comma");

    harness::writeFileText(dir + "/list.m3u", "#EXTM3U\r\na.wav\r\nb.mp3\r\n");
    audio::Sound* list = nullptr;
    ASSERT_EQ(system->createStream((dir + "/list.m3u").c_str(), audio::HARDWARE, nullptr, &list), audio::OK);
    audio::Tag tag;
    ASSERT_EQ(list->getTag("FILE", 1, &tag), audio::OK);
    EXPECT_STREQ(static_cast<const char*>(tag.data), "b.mp3");
    EXPECT_EQ(list->getTag("FILE", 2, &tag), audio::ERR_TAGNOTFOUND);
}

// A game folder: Sounds/ with the three effects unless left out, the built-in title (titled
// "Remember") unless left out, and the playlist if given.
std::string makeGameDir(const std::string& dir, const char* playlist, const char* missing = "") {
    mkdir(dir.c_str(), 0755);
    mkdir((dir + "/Sounds").c_str(), 0755);
    for (const char* name : {"fire.wav", "beam.wav", "jump.wav"})
        if (std::string(name) != missing) writeTone(dir + "/Sounds/" + name, 0.1);
    if (std::string("01 - Remember.mp3") != missing) writeTone(dir + "/Sounds/01 - Remember.mp3", 0.1, "Remember");
    if (playlist) harness::writeFileText(dir + "/Sounds/playlist.m3u", playlist);
    return dir;
}

std::string titleOf(audio::Sound* sound) {
    audio::Tag tag;
    return sound && sound->getTag("TITLE", 0, &tag) == audio::OK ? static_cast<const char*>(tag.data) : "";
}

class GameSound : public ::testing::Test {
protected:
    void TearDown() override {
        sound.shutDown();
        harness::removeTree(dir);
    }
    // Runs frames of the playlist step until `starts` titles have started or the frames run
    // out, and returns their titles in order. A title starts where the music was gone or the
    // playlist moved on.
    std::vector<std::string> titlesStarted(size_t starts, int frames) {
        std::vector<std::string> started;
        for (int frame = 0; frame < frames && started.size() < starts; ++frame, sleepMs(2)) {
            const bool had = sound.getMusic();
            const int index = sound.getPlaylistIndex();
            sound.advancePlaylist(nullptr);
            if (sound.getMusic() && (!had || sound.getPlaylistIndex() != index)) started.push_back(titleOf(sound.getMusic()));
        }
        return started;
    }
    GameAudio sound;
    std::string dir = harness::makeTempDir("lumivex-game");
};

TEST_F(GameSound, PlaylistOfThreePlaysInOrderAndWrapsWithOneFrameWithoutANewStream) {
    makeGameDir(dir, "#EXTM3U\r\na.wav\r\nb.wav\r\n# comment\r\nc.wav\r\n");
    for (const char* t : {"A", "B", "C"}) writeTone(dir + "/Sounds/" + std::string(1, t[0] + 32) + ".wav", 0.08, t);
    harness::ScopedCwd cwd(dir);
    harness::captureStdout();
    sound.init();
    EXPECT_EQ(harness::capturedStdout(), "PLAYLIST loaded.\n");
    std::vector<std::string> started{titleOf(sound.getMusic())};
    int quietAtWrap = -1, quiet = 0;
    for (int frame = 0, index = sound.getPlaylistIndex(); frame < 5000 && started.size() < 5; ++frame, sleepMs(2)) {
        sound.advancePlaylist(nullptr);
        if (!sound.getMusic()) ++quiet;
        if (sound.getPlaylistIndex() == index || !sound.getMusic()) continue;
        index = sound.getPlaylistIndex();
        started.push_back(titleOf(sound.getMusic()));
        if (started.back() == "A" && quietAtWrap < 0) quietAtWrap = quiet;
        quiet = 0;
    }
    EXPECT_EQ(started, (std::vector<std::string>{"A", "B", "C", "A", "B"}));
    EXPECT_EQ(quietAtWrap, 1);
}

TEST_F(GameSound, TitlesThatVanishWhilePlayingAreSkippedOnceThenTheBuiltInTitleTakesOver) {
    makeGameDir(dir, "a.wav\nb.wav\n");
    for (const char* t : {"A", "B"}) writeTone(dir + "/Sounds/" + std::string(1, t[0] + 32) + ".wav", 0.08, t);
    harness::ScopedCwd cwd(dir);
    sound.init();
    ASSERT_EQ(titleOf(sound.getMusic()), "A");
    ASSERT_EQ(unlink("Sounds/b.wav"), 0);
    harness::captureStdout();
    EXPECT_EQ(titlesStarted(3, 5000), (std::vector<std::string>{"A", "A", "A"}));
    EXPECT_EQ(harness::capturedStdout(), "FMOD error! (5) File not found.\nMusic title skipped: Sounds/b.wav\n");

    ASSERT_EQ(unlink("Sounds/a.wav"), 0);
    harness::captureStdout();
    EXPECT_EQ(titlesStarted(2, 400), (std::vector<std::string>{"Remember"}));  // it loops: no second start
    EXPECT_EQ(harness::capturedStdout(),
              "FMOD error! (5) File not found.\nMusic title skipped: Sounds/a.wav\n"
              "No playable title in the playlist: playing Sounds/01 - Remember.mp3\n");
    bool playing = false;
    audio::Channel* music = sound.getMusicChannel();
    EXPECT_TRUE(music && music->isPlaying(&playing) == audio::OK && playing);
}

TEST(GameSoundStartUp, SoundProblemsAreReportedAndTheGameGoesOnWithWhatPlays) {
    const std::string base = sharedDir("LUMIVEX_SOUND_START_DIR");
    const std::string notFound = "FMOD error! \\(5\\) File not found\\.\n";
    const std::string fallback = "No playable title in the playlist: playing Sounds/01 - Remember\\.mp3\n";
    const struct {
        const char *name, *playlist, *missing;
        std::string message;
    } cases[] = {
        {"effect", "one.wav\n", "beam.wav", "^" + notFound + "PLAYLIST loaded\\.\nmusic One, effects 2\n$"},
        {"noplaylist", nullptr, "", "^" + notFound + "music Remember, effects 3\n$"},
        {"empty", "", "", "^PLAYLIST loaded\\.\n" + fallback + "music Remember, effects 3\n$"},
        {"comments", "#EXTM3U\n\n# only comments\n", "", "^PLAYLIST loaded\\.\n" + fallback + "music Remember, effects 3\n$"},
        {"entries", "#EXTM3U\nnot-there.mp3\nfolder\nnoise.mp3\none.wav\n", "",
         "^PLAYLIST loaded\\.\n" + notFound + "Music title skipped: Sounds/not-there\\.mp3\n" + notFound +
             "Music title skipped: Sounds/folder\n"
             "FMOD error! \\(6\\) Unsupported file or audio format\\.\nMusic title skipped: Sounds/noise\\.mp3\n"
             "music One, effects 3\n$"},
        {"nothing", "folder\n", "01 - Remember.mp3",
         "^PLAYLIST loaded\\.\n" + notFound + "Music title skipped: Sounds/folder\n" + fallback + notFound +
             "Playing without music\n"
             "music , effects 3\n$"},
    };
    for (const auto& c : cases) {
        const std::string dir = makeGameDir(base + "/" + c.name, c.playlist, c.missing);
        writeTone(dir + "/Sounds/one.wav", 0.5, "One");
        mkdir((dir + "/Sounds/folder").c_str(), 0755);
        harness::writeFileText(dir + "/Sounds/noise.mp3", "not a sound at all\n");
        EXPECT_EXIT(
            {
                if (chdir(dir.c_str()) != 0) std::_Exit(3);
                dup2(STDERR_FILENO, STDOUT_FILENO);
                GameAudio sound;
                sound.init();
                std::printf("music %s, effects %d\n", titleOf(sound.getMusic()).c_str(),
                            !!sound.effectSound(GameAudio::Fire) + !!sound.effectSound(GameAudio::Beam) +
                                !!sound.effectSound(GameAudio::Jump));
                std::fflush(stdout);
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(0), c.message)
            << c.name;
    }
    harness::removeTree(base);
    unsetenv("LUMIVEX_SOUND_START_DIR");
}

// Listening: a child sends OpenAL Soft's output to a wave file (complete when the device
// closes); the parent reads it back as the loudest channel of each frame.
std::vector<float> record(const std::string& dir, const std::function<void(audio::System*)>& play) {
    EXPECT_EXIT(
        {
            harness::writeFileText(dir + "/alsoft.conf", "[general]\nfrequency=44100\n[wave]\nfile=" + dir + "/out.wav\n");
            setenv("ALSOFT_DRIVERS", "wave", 1);
            setenv("ALSOFT_CONF", (dir + "/alsoft.conf").c_str(), 1);
            audio::System* system = nullptr;
            if (audio::System::create(&system) != audio::OK || system->init(32, 0, nullptr) != audio::OK) std::_Exit(2);
            play(system);
            system->release();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    SF_INFO info{};
    SNDFILE* f = sf_open((dir + "/out.wav").c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<float> data(static_cast<size_t>(info.frames * info.channels)), loudest(info.frames);
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    for (size_t i = 0; i < data.size(); ++i) loudest[i / info.channels] = std::max(loudest[i / info.channels], std::fabs(data[i]));
    return loudest;
}

// Seconds from the first to the last frame above 0.02, and the number of quiet 10 ms windows between.
std::pair<double, int> audibleSpan(const std::vector<float>& r) {
    size_t first = r.size(), last = 0;
    for (size_t i = 0; i < r.size(); ++i)
        if (r[i] > 0.02f) first = std::min(first, i), last = i;
    int gaps = 0;
    for (size_t start = first; start + 441 <= last; start += 441) gaps += *std::max_element(&r[start], &r[start + 441]) < 0.1f;
    return {first < r.size() ? (last - first + 1) / 44100.0 : 0.0, gaps};
}

TEST(Hearing, FireSoundIsAudibleForItsOwnLength) {
    const std::string dir = sharedDir("LUMIVEX_HEAR_FIRE_DIR");
    ASSERT_TRUE(writeTone(dir + "/fire.wav", 0.3));
    const std::vector<float> r = record(dir, [&](audio::System* system) {
        audio::Sound* fire = nullptr;
        audio::Channel* channel = nullptr;
        if (system->createSound((dir + "/fire.wav").c_str(), audio::HARDWARE, nullptr, &fire) != audio::OK) std::_Exit(3);
        sleepMs(100);  // some silence first
        if (system->playSound(audio::CHANNEL_REUSE, fire, false, &channel) != audio::OK) std::_Exit(4);
        sleepMs(700);
    });
    EXPECT_NEAR(audibleSpan(r).first, 0.3, 0.02);
    EXPECT_GT(*std::max_element(r.begin(), r.end()), 0.2f);  // a 0.5 tone, panned to the centre
    harness::removeTree(dir);
    unsetenv("LUMIVEX_HEAR_FIRE_DIR");
}

TEST(Hearing, MusicFlowsWithoutGapsAcrossManyFramesWithoutUpdate) {
    const std::string dir = sharedDir("LUMIVEX_HEAR_MUSIC_DIR");
    ASSERT_TRUE(writeTone(dir + "/song.mp3", 2.0, nullptr, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III));
    const std::vector<float> r = record(dir, [&](audio::System* system) {
        audio::Sound* music = nullptr;
        audio::Channel* channel = nullptr;
        if (system->createStream((dir + "/song.mp3").c_str(), audio::DEFAULT, nullptr, &music) != audio::OK) std::_Exit(3);
        if (system->playSound(audio::CHANNEL_FREE, music, false, &channel) != audio::OK) std::_Exit(4);
        for (int frame = 0; frame < 120; ++frame) sleepMs(20);  // busy frames, no update
    });
    const auto [seconds, gaps] = audibleSpan(r);
    EXPECT_NEAR(seconds, 2.0, 0.06);  // far more than the buffers queued at the start
    EXPECT_EQ(gaps, 0);
    harness::removeTree(dir);
    unsetenv("LUMIVEX_HEAR_MUSIC_DIR");
}

}  // namespace
