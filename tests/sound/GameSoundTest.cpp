#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "core/Game.h"
#include "platform/audio/Audio.h"
#include "sound/ToneFiles.h"
#include "support/GlHarness.h"

namespace {

// A game folder with Sounds/: the three effects and whatever playlist a test writes.
std::string makeGameDir(const std::string& playlist, bool withEffects = true) {
    const std::string dir = harness::makeTempDir("lumivex-gamesound");
    tones::makeDir(dir + "/Sounds");
    if (withEffects) {
        tones::writeTone(dir + "/Sounds/fire.wav", 0.3, 880);
        tones::writeTone(dir + "/Sounds/beam.wav", 0.3, 660);
        tones::writeTone(dir + "/Sounds/jump.wav", 0.3, 330);
    }
    if (!playlist.empty()) harness::writeFileText(dir + "/Sounds/playlist.m3u", playlist);
    return dir;
}

std::string escapeRegex(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

std::string soundErrorPattern(int code) {
    return "FMOD error! \\(" + std::to_string(code) + "\\) " + escapeRegex(audio::errorString(code));
}

// Starts the game's sound in dir; in a death-test child the message on standard output is
// sent to standard error, where the test reads it.
// The child made its own copy of the folder (it ran the test body again); it removes it
// however it ends.
std::string childDir;
void removeChildDir() { harness::removeTree(childDir); }

void initSoundIn(const std::string& dir) {
    childDir = dir;
    std::atexit(removeChildDir);
    if (chdir(dir.c_str()) != 0) std::_Exit(3);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    Game::instance().initSound();
    std::fflush(stdout);
    removeChildDir();
    std::_Exit(0);
}

void shutDownGameSound() {
    Game& game = Game::instance();
    if (game.soundSystem) game.soundSystem->release();
    game.soundSystem = nullptr;
    game.musicChannel = game.effectsChannel = game.objectChannel = nullptr;
    game.music = game.playlist = game.fireSound = game.beamSound = game.jumpSound = nullptr;
    game.isPlaylist = false;
}

std::string titleOf(audio::Sound* sound) {
    audio::Tag tag;
    if (!sound || sound->getTag("TITLE", 0, &tag) != audio::OK) return "";
    return static_cast<const char*>(tag.data);
}

class GameSound : public ::testing::Test {
protected:
    void TearDown() override {
        shutDownGameSound();
        if (!dir.empty()) harness::removeTree(dir);
    }
    std::string dir;
};

TEST_F(GameSound, PlaylistOfThreeTitlesPlaysInOrderAndWrapsWithOneQuietFrame) {
    dir = makeGameDir("#EXTM3U\r\n#EXTINF:1,Title A\r\na.wav\r\n\r\nb.wav\r\n# comment\r\nc.wav\r\n");
    tones::writeTone(dir + "/Sounds/a.wav", 0.08, 300, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "A");
    tones::writeTone(dir + "/Sounds/b.wav", 0.08, 400, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "B");
    tones::writeTone(dir + "/Sounds/c.wav", 0.08, 500, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "C");

    Game& game = Game::instance();
    harness::captureStdout();
    {
        harness::ScopedCwd cwd(dir);
        ASSERT_TRUE(cwd.ok());
        game.initSound();
    }
    EXPECT_EQ(harness::capturedStdout(), "PLAYLIST loaded.\n");
    ASSERT_TRUE(game.isPlaylist);
    ASSERT_NE(game.musicChannel, nullptr);
    EXPECT_EQ(game.playlistIndex, 1);
    EXPECT_EQ(titleOf(game.music), "A");
    EXPECT_NE(game.fireSound, nullptr);
    EXPECT_NE(game.beamSound, nullptr);
    EXPECT_NE(game.jumpSound, nullptr);
    game.musicChannel->setVolume(0.4f);  // the start-up volume

    // Frames: record each title started (a start moves the index on; the new stream may
    // reuse the old one's address) and the frames in which none plays or starts.
    std::vector<std::string> started{"A"};
    int quietFramesAtWrap = -1;
    int quietRun = 0;
    int lastIndex = game.playlistIndex;
    for (int frame = 0; frame < 5000 && started.size() < 5; ++frame) {
        {
            harness::ScopedCwd cwd(dir);
            game.advancePlaylist();
        }
        if (game.playlistIndex != lastIndex && game.music) {
            started.push_back(titleOf(game.music));
            if (started.back() == "A" && quietFramesAtWrap < 0) quietFramesAtWrap = quietRun;
            quietRun = 0;
            // The volume set at start-up stays with the music.
            float volume = 0;
            game.musicChannel->getVolume(&volume);
            EXPECT_FLOAT_EQ(volume, 0.4f);
        }
        if (!game.music) {
            ++quietRun;
            EXPECT_EQ(game.playlistIndex, 0);
            EXPECT_FALSE(game.musicPlaying);
        }
        lastIndex = game.playlistIndex;
        tones::sleepMs(2);
    }
    EXPECT_EQ(started, (std::vector<std::string>{"A", "B", "C", "A", "B"}));
    EXPECT_EQ(quietFramesAtWrap, 1);
}

TEST_F(GameSound, WhileMusicPlaysTheStepDoesNothingAndMusicPauseToggles) {
    dir = makeGameDir("one.wav\n");
    tones::writeTone(dir + "/Sounds/one.wav", 1.0);
    Game& game = Game::instance();
    harness::captureStdout();
    {
        harness::ScopedCwd cwd(dir);
        game.initSound();
    }
    harness::capturedStdout();
    audio::Sound* music = game.music;
    game.advancePlaylist();
    EXPECT_TRUE(game.musicPlaying);
    EXPECT_EQ(game.music, music);
    EXPECT_EQ(game.playlistIndex, 1);

    game.toggleMusicPause();
    bool paused = false;
    game.musicChannel->getPaused(&paused);
    EXPECT_TRUE(paused);
    EXPECT_FALSE(game.musicPaused);  // the state read before the toggle
    // A paused title counts as playing: the playlist waits for it.
    tones::sleepMs(1200);
    game.advancePlaylist();
    EXPECT_TRUE(game.musicPlaying);
    EXPECT_EQ(game.music, music);
    game.toggleMusicPause();
    EXPECT_TRUE(game.musicPaused);
    game.musicChannel->getPaused(&paused);
    EXPECT_FALSE(paused);
}

TEST_F(GameSound, MusicPauseWithoutAMusicChannelDoesNothing) {
    Game& game = Game::instance();
    shutDownGameSound();
    game.musicPaused = true;
    game.toggleMusicPause();
    EXPECT_TRUE(game.musicPaused);
    EXPECT_EQ(game.musicChannel, nullptr);
    // Likewise the playlist step and an object sound without a sound system.
    game.advancePlaylist();
    EXPECT_FALSE(game.musicPlaying);
    game.playObjectSound(nullptr);
    EXPECT_EQ(game.objectChannel, nullptr);
}

TEST_F(GameSound, WithoutAPlaylistTheFallbackTitleLoopsOnTheMusicChannel) {
    // A playlist file that holds sound instead of a list: not a playlist.
    dir = makeGameDir("");
    tones::writeTone(dir + "/Sounds/playlist.m3u", 0.1);
    tones::writeTone(dir + "/Sounds/01 - Remember.mp3", 0.2, 440, 2, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    Game& game = Game::instance();
    harness::captureStdout();
    {
        harness::ScopedCwd cwd(dir);
        game.initSound();
    }
    EXPECT_EQ(harness::capturedStdout(), "");
    EXPECT_FALSE(game.isPlaylist);
    ASSERT_NE(game.music, nullptr);
    ASSERT_NE(game.musicChannel, nullptr);
    EXPECT_EQ(game.music->getMode(), 0x2au);
    audio::Sound* current = nullptr;
    game.musicChannel->getCurrentSound(&current);
    EXPECT_EQ(current, game.music);
    audio::Sound* music = game.music;
    // Well past its 0.2 s it still plays, and the playlist step leaves it alone.
    for (int i = 0; i < 50; ++i) {
        game.advancePlaylist();
        tones::sleepMs(10);
    }
    EXPECT_FALSE(game.musicPlaying);  // not read without a playlist
    bool playing = false;
    game.musicChannel->isPlaying(&playing);
    EXPECT_TRUE(playing);
    EXPECT_EQ(game.music, music);
}

TEST_F(GameSound, ObjectSoundsOverlapOnTheObjectChannel) {
    dir = makeGameDir("one.wav\n");
    tones::writeTone(dir + "/Sounds/one.wav", 1.0);
    Game& game = Game::instance();
    harness::captureStdout();
    {
        harness::ScopedCwd cwd(dir);
        game.initSound();
    }
    harness::capturedStdout();
    game.playObjectSound(game.fireSound);
    audio::Channel* first = game.objectChannel;
    game.playObjectSound(game.fireSound);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(game.objectChannel, first);
    bool a = false, b = false;
    first->isPlaying(&a);
    game.objectChannel->isPlaying(&b);
    EXPECT_TRUE(a && b);
    EXPECT_NE(game.objectChannel, game.musicChannel);
}

// Errors at start-up end the program with the sound error text and code 255.
TEST(GameSoundDeathTest, MissingEffectFile) {
    const std::string dir = makeGameDir("one.wav\n");
    tones::writeTone(dir + "/Sounds/one.wav", 0.1);
    ::unlink((dir + "/Sounds/beam.wav").c_str());
    EXPECT_EXIT(initSoundIn(dir), ::testing::ExitedWithCode(255), soundErrorPattern(audio::ERR_FILE_NOTFOUND));
    harness::removeTree(dir);
}

TEST(GameSoundDeathTest, MissingPlaylist) {
    const std::string dir = makeGameDir("");
    EXPECT_EXIT(initSoundIn(dir), ::testing::ExitedWithCode(255), soundErrorPattern(audio::ERR_FILE_NOTFOUND));
    harness::removeTree(dir);
}

TEST(GameSoundDeathTest, PlaylistEntryThatDoesNotExist) {
    const std::string dir = makeGameDir("#EXTM3U\nnot-there.mp3\n");
    EXPECT_EXIT(initSoundIn(dir), ::testing::ExitedWithCode(255),
                "PLAYLIST loaded.\n" + soundErrorPattern(audio::ERR_FILE_NOTFOUND));
    harness::removeTree(dir);
}

TEST(GameSoundDeathTest, PlaylistWithoutEntries) {
    const std::string dir = makeGameDir("#EXTM3U\n\n# only comments\n");
    EXPECT_EXIT(initSoundIn(dir), ::testing::ExitedWithCode(255),
                "PLAYLIST loaded.\n" + soundErrorPattern(audio::ERR_TAGNOTFOUND));
    harness::removeTree(dir);
}

TEST(GameSoundDeathTest, EffectThatIsNoSoundAndAnyErrorResult) {
    const std::string dir = makeGameDir("one.wav\n");
    harness::writeFileText(dir + "/Sounds/fire.wav", "not a wave file");
    EXPECT_EXIT(initSoundIn(dir), ::testing::ExitedWithCode(255), soundErrorPattern(audio::ERR_FORMAT));
    harness::removeTree(dir);
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            Game::checkSoundResult(audio::ERR_MEMORY);
        },
        ::testing::ExitedWithCode(255), "^FMOD error! \\(8\\) Not enough memory or resources\\.\n$");
    // OK does nothing.
    harness::captureStdout();
    Game::checkSoundResult(audio::OK);
    EXPECT_EQ(harness::capturedStdout(), "");
}

TEST(GameSoundStartUp, SuccessfulStartPrintsNoVersionWarning) {
    const std::string dir = makeGameDir("one.wav\n");
    tones::writeTone(dir + "/Sounds/one.wav", 0.1);
    EXPECT_EXIT(initSoundIn(dir), ::testing::ExitedWithCode(0), "^PLAYLIST loaded.\n$");
    harness::removeTree(dir);
}

}  // namespace
