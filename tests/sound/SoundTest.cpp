// The game's sound (GameAudio) over the sound layer, in game folders of its own under /tmp, and
// what the layer sends to the output.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/GameAudio.h"
#include "objects/ResourceCache.h"
#include "platform/audio/Audio.h"
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

// Polls until the condition holds; the limit only guards against a hang.
bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 2500 && !condition(); ++i) usleep(2000);
    return condition();
}

bool playing(audio::Channel* c) {
    bool p = false;
    return c && c->isPlaying(&p) == audio::OK && p;
}

std::string titleOf(audio::Sound* sound) {
    audio::Tag tag;
    return sound && sound->getTag("TITLE", 0, &tag) == audio::OK ? static_cast<const char*>(tag.data) : "";
}

// A game folder: Sounds/ with the effects unless left out, the built-in title (titled
// "Remember") unless left out, and the playlist if given.
std::string makeGameDir(const std::string& dir, const char* playlist, const char* missing = "") {
    std::filesystem::create_directories(dir + "/Sounds");
    for (const std::string name : {"fire.wav", "beam.wav", "jump.wav", "gameover.wav", "01 - Remember.mp3"})
        if (name != missing) writeTone(dir + "/Sounds/" + name, 0.1, name[0] == '0' ? "Remember" : nullptr);
    if (playlist) harness::writeFileText(dir + "/Sounds/playlist.m3u", playlist);
    return dir;
}

class GameSound : public ::testing::Test {
protected:
    void TearDown() override { sound.shutDown(), harness::removeTree(dir); }
    // Runs frames of the playlist step until `starts` titles have started or the frames run
    // out, and returns their titles in order. A title starts where the music was gone or the
    // playlist moved on; quiet counts the frames without music before each start.
    std::vector<std::string> titlesStarted(size_t starts, int frames, std::vector<int>* quiet = nullptr) {
        std::vector<std::string> started;
        for (int frame = 0, silent = 0; frame < frames && started.size() < starts; ++frame, usleep(2000)) {
            const bool had = sound.getMusic();
            const int index = sound.getPlaylistIndex();
            sound.advancePlaylist(nullptr);
            silent += !sound.getMusic();
            if (!sound.getMusic() || (had && sound.getPlaylistIndex() == index)) continue;
            started.push_back(titleOf(sound.getMusic()));
            if (quiet) quiet->push_back(silent);
            silent = 0;
        }
        return started;
    }
    int channelsPlaying() {
        int n = -1;
        return sound.system()->getChannelsPlaying(&n) == audio::OK ? n : -1;
    }
    GameAudio sound;
    std::string dir = harness::makeTempDir("lumivex-game");
};

// Fire cuts the last effect on the effects channel; a jump takes a free channel, which becomes
// the effects channel; object sounds overlap; none of them touches the music. A paused stream
// waits however long it is held (a twin started with it ends meanwhile), and plays to its end
// once resumed.
TEST_F(GameSound, EffectsObjectSoundsAndStreamsTakeTheirChannelsAndAPausedStreamWaits) {
    makeGameDir(dir, nullptr);
    for (const char* name : {"/Sounds/fire.wav", "/Sounds/jump.wav"}) writeTone(dir + name, 1.0);
    writeTone(dir + "/song.wav", 0.4);
    for (int k = 0; k < kObjectKindCount; ++k)
        if (const char* name = objectKind(static_cast<ObjectKind>(k)).sound) writeTone(dir + "/" + name, 1.0);
    harness::ScopedCwd cwd(dir);
    ResourceCache cache;
    sound.init();
    sound.loadObjectSounds(cache);
    audio::Channel* music = sound.getMusicChannel();
    ASSERT_TRUE(playing(music)) << "the built-in title";
    sound.playEffect(GameAudio::Fire, 1);
    audio::Channel* firstShot = sound.getEffectsChannel();
    sound.playEffect(GameAudio::Fire, 1);
    EXPECT_TRUE(sound.getEffectsChannel() == firstShot && playing(firstShot)) << "the second shot sounds on the first's channel";
    EXPECT_EQ(channelsPlaying(), 2) << "and stops the first";
    sound.playEffect(GameAudio::Jump, 1);
    audio::Channel* jump = sound.getEffectsChannel();
    EXPECT_TRUE(jump != firstShot && playing(firstShot));
    sound.playEffect(GameAudio::Fire, 1);
    EXPECT_EQ(sound.getEffectsChannel(), jump) << "the jump's channel is now the effects channel";
    for (int n = 4; n <= 5; ++n) {
        sound.playObjectSound(ObjectKind::Asteroid, 1);
        EXPECT_EQ(channelsPlaying(), n);
    }
    EXPECT_TRUE(sound.getMusicChannel() == music && playing(music));

    audio::Sound *held = nullptr, *twin = nullptr;
    audio::Channel *heldChannel = nullptr, *twinChannel = nullptr;
    for (audio::Sound** s : {&held, &twin}) ASSERT_EQ(sound.system()->createStream("song.wav", audio::DEFAULT, nullptr, s), audio::OK);
    ASSERT_EQ(sound.system()->playSound(audio::CHANNEL_FREE, held, false, &heldChannel), audio::OK);
    EXPECT_EQ(heldChannel->setPaused(true), audio::OK);
    ASSERT_EQ(sound.system()->playSound(audio::CHANNEL_FREE, twin, false, &twinChannel), audio::OK);
    EXPECT_TRUE(eventually([&] { return !playing(twinChannel); }));
    EXPECT_TRUE(playing(heldChannel)) << "paused longer than the title: it waits, it has not ended";
    EXPECT_EQ(heldChannel->setPaused(false), audio::OK);
    EXPECT_TRUE(playing(heldChannel));
    EXPECT_TRUE(eventually([&] { return !playing(heldChannel); }));
}

// Title after title in the list's order, back to the first after the last with one frame
// without music and no new stream in between. A title that vanishes while the list plays is
// reported once and skipped on every round; once none is left, the built-in title loops.
TEST_F(GameSound, ThePlaylistPlaysInOrderSkipsVanishedTitlesAndEndsWithTheBuiltInTitle) {
    makeGameDir(dir, "#EXTM3U\r\na.wav\r\nb.wav\r\n# comment\r\nc.wav\r\n");
    for (const char* t : {"A", "B", "C"}) writeTone(dir + "/Sounds/" + std::string(1, t[0] + 32) + ".wav", 0.08, t);
    harness::ScopedCwd cwd(dir);
    harness::captureStdout();
    sound.init();
    EXPECT_EQ(harness::capturedStdout(), "PLAYLIST loaded.\n");
    EXPECT_EQ(titleOf(sound.getMusic()), "A");
    std::vector<int> quiet;
    EXPECT_EQ(titlesStarted(3, 5000, &quiet), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(quiet, (std::vector<int>{0, 0, 1}));

    const std::string notFound = "FMOD error! (5) File not found.\nMusic title skipped: Sounds/";
    ASSERT_EQ(unlink("Sounds/b.wav"), 0);
    harness::captureStdout();
    EXPECT_EQ(titlesStarted(3, 5000), (std::vector<std::string>{"C", "A", "C"}));
    EXPECT_EQ(harness::capturedStdout(), notFound + "b.wav\n");
    ASSERT_TRUE(unlink("Sounds/a.wav") == 0 && unlink("Sounds/c.wav") == 0);
    harness::captureStdout();
    EXPECT_EQ(titlesStarted(2, 400), (std::vector<std::string>{"Remember"}));  // it loops: no second start
    EXPECT_EQ(harness::capturedStdout(),
              notFound + "a.wav\n" + notFound + "c.wav\nNo playable title in the playlist: playing Sounds/01 - Remember.mp3\n");
    EXPECT_TRUE(playing(sound.getMusicChannel()));
}

// At the start, every sound that cannot play is told in one line and the game goes on with
// what does: without an effect (its playlist written on Windows: CR-LF, spaces around a name,
// backslashes), without a playlist, with nothing playable in it, with nothing at all. (Broken
// entries in a running game are in tests/faults.)
TEST_F(GameSound, StartUpProblemsAreReportedAndTheGameGoesOnWithWhatPlays) {
    const std::string notFound = "FMOD error! (5) File not found.\n", loaded = "PLAYLIST loaded.\n";
    const std::string fallback = "No playable title in the playlist: playing Sounds/01 - Remember.mp3\n";
    const struct {
        const char *name, *playlist, *missing;
        std::string message;
    } cases[] = {
        {"effect", "#EXTINF:1,One, a title\r\n  sub\\one.wav  \r\n", "beam.wav", notFound + loaded + "music One, effects 2\n"},
        {"noplaylist", nullptr, "", notFound + "music Remember, effects 3\n"},
        {"comments", "#EXTM3U\n\n# only comments\n", "", loaded + fallback + "music Remember, effects 3\n"},
        {"nothing", "folder\nnoise.mp3\n", "01 - Remember.mp3",
         loaded + notFound + "Music title skipped: Sounds/folder\nFMOD error! (6) Unsupported file or audio format.\n" +
             "Music title skipped: Sounds/noise.mp3\n" + fallback + notFound + "Playing without music\nmusic , effects 3\n"},
    };
    for (const auto& c : cases) {
        const std::string game = makeGameDir(dir + "/" + c.name, c.playlist, c.missing);
        for (const char* sub : {"/Sounds/folder", "/Sounds/sub"}) mkdir((game + sub).c_str(), 0755);
        writeTone(game + "/Sounds/sub/one.wav", 0.5, "One");
        harness::writeFileText(game + "/Sounds/noise.mp3", "not a sound at all\n");
        harness::ScopedCwd cwd(game);
        harness::captureStdout();
        sound.init();
        std::printf("music %s, effects %d\n", titleOf(sound.getMusic()).c_str(),
                    !!sound.effectSound(GameAudio::Fire) + !!sound.effectSound(GameAudio::Beam) + !!sound.effectSound(GameAudio::Jump));
        EXPECT_EQ(harness::capturedStdout(), c.message) << c.name;
    }
}

// Listening: a child sends OpenAL Soft's output to a wave file (complete when the device
// closes); the parent reads it back as the loudest channel of each frame. Death-test children
// re-run the test body: they find the parent's folder in the environment.
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

// An effect sounds for its own length, loud; music streams on without gaps through busy
// frames that never call the layer, far longer than the buffers queued at its start.
TEST(Hearing, AnEffectSoundsForItsOwnLengthAndMusicFlowsWithoutUpdates) {
    std::string dir;
    if (const char* parents = std::getenv("LUMIVEX_HEAR_DIR")) dir = parents;
    else setenv("LUMIVEX_HEAR_DIR", (dir = harness::makeTempDir("lumivex-sound")).c_str(), 1);
    ASSERT_TRUE(writeTone(dir + "/fire.wav", 0.3) && writeTone(dir + "/song.mp3", 2.0, nullptr, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III));
    const std::vector<float> fire = record(dir, [&](audio::System* system) {
        audio::Sound* sound = nullptr;
        audio::Channel* channel = nullptr;
        if (system->createSound((dir + "/fire.wav").c_str(), audio::HARDWARE, nullptr, &sound) != audio::OK ||
            system->playSound(audio::CHANNEL_REUSE, sound, false, &channel) != audio::OK || !eventually([&] { return !playing(channel); }))
            std::_Exit(3);
    });
    EXPECT_NEAR(audibleSpan(fire).first, 0.3, 0.02);
    EXPECT_GT(*std::max_element(fire.begin(), fire.end()), 0.2f);  // a 0.5 tone, panned to the centre
    const std::vector<float> music = record(dir, [&](audio::System* system) {
        audio::Sound* sound = nullptr;
        if (system->createStream((dir + "/song.mp3").c_str(), audio::DEFAULT, nullptr, &sound) != audio::OK ||
            system->playSound(audio::CHANNEL_FREE, sound, false, nullptr) != audio::OK)
            std::_Exit(3);
        for (int frame = 0; frame < 120; ++frame) usleep(20000);  // 2.4 s of busy frames, no update
    });
    const auto [seconds, gaps] = audibleSpan(music);
    EXPECT_NEAR(seconds, 2.0, 0.06);
    EXPECT_EQ(gaps, 0);
    harness::removeTree(dir);
    unsetenv("LUMIVEX_HEAR_DIR");
}

}  // namespace
