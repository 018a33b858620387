#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/audio/Audio.h"
#include "platform/audio/Playlist.h"
#include "sound/ToneFiles.h"
#include "support/GlHarness.h"

namespace {

// A system on the null device with a folder of generated tones.
class AudioLayer : public ::testing::Test {
protected:
    void SetUp() override {
        dir = harness::makeTempDir("lumivex-audio");
        ASSERT_EQ(audio::System::create(&system), audio::OK);
        ASSERT_EQ(system->init(32, audio::INIT_NORMAL, nullptr), audio::OK);
    }
    void TearDown() override {
        if (system) system->release();
        harness::removeTree(dir);
    }
    std::string tone(const std::string& name, double seconds, double freq = 440.0) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(tones::writeTone(path, seconds, freq));
        return path;
    }
    audio::Sound* effect(const std::string& path) {
        audio::Sound* s = nullptr;
        EXPECT_EQ(system->createSound(path.c_str(), audio::HARDWARE, nullptr, &s), audio::OK);
        return s;
    }
    static bool playing(audio::Channel* c) {
        bool p = false;
        EXPECT_EQ(c->isPlaying(&p), audio::OK);
        return p;
    }
    static audio::Sound* current(audio::Channel* c) {
        audio::Sound* s = nullptr;
        EXPECT_EQ(c->getCurrentSound(&s), audio::OK);
        return s;
    }

    std::string dir;
    audio::System* system = nullptr;
};

TEST(AudioBasics, VersionPassesTheGameCheckAndEveryResultHasItsOwnText) {
    audio::System* system = nullptr;
    ASSERT_EQ(audio::System::create(&system), audio::OK);
    unsigned int version = 0;
    EXPECT_EQ(system->getVersion(&version), audio::OK);
    EXPECT_GE(version, 0x43004u);
    EXPECT_EQ(system->getVersion(nullptr), audio::ERR_INVALID_PARAM);
    // Nothing works before init.
    audio::Sound* s = nullptr;
    EXPECT_EQ(system->createSound("x.wav", 0, nullptr, &s), audio::ERR_UNINITIALIZED);
    EXPECT_EQ(system->update(), audio::ERR_UNINITIALIZED);
    EXPECT_EQ(system->init(0, 0, nullptr), audio::ERR_INVALID_PARAM);
    ASSERT_EQ(system->init(32, 0, nullptr), audio::OK);
    EXPECT_EQ(system->init(32, 0, nullptr), audio::ERR_INITIALIZED);
    audio::Channel* last = nullptr;
    EXPECT_EQ(system->getChannel(31, &last), audio::OK);
    EXPECT_EQ(system->getChannel(32, &last), audio::ERR_INVALID_PARAM);
    system->release();

    EXPECT_STREQ(audio::errorString(audio::OK), "No errors.");
    std::set<std::string> texts;
    for (int r = audio::ERR_INVALID_PARAM; r <= audio::ERR_INVALID_HANDLE; ++r) texts.insert(audio::errorString(r));
    EXPECT_EQ(texts.size(), static_cast<size_t>(audio::ERR_INVALID_HANDLE));
    EXPECT_EQ(texts.count(audio::errorString(-7)), 0u);
    EXPECT_STREQ(audio::errorString(audio::ERR_FILE_NOTFOUND), "File not found.");
}

TEST(PlaylistText, PlainExtendedCommentsBlankLinesAndCrLf) {
    const auto entries = audio::parseM3U(
        "\xEF\xBB\xBF#EXTM3U\r\n"
        "\r\n"
        "#EXTINF:123,First Title\r\n"
        "01 - one.mp3\r\n"
        "# a comment\r\n"
        "  two.wav  \r\n"
        "\n"
        "#EXTINF:-1, Third, with comma \n"
        "sub\\three.ogg");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].file, "01 - one.mp3");
    EXPECT_TRUE(entries[0].hasTitle);
    EXPECT_EQ(entries[0].title, "First Title");
    EXPECT_EQ(entries[1].file, "two.wav");
    EXPECT_FALSE(entries[1].hasTitle);
    EXPECT_EQ(entries[2].file, "sub/three.ogg");
    EXPECT_EQ(entries[2].title, "Third, with comma");
    EXPECT_TRUE(audio::parseM3U("#EXTM3U\n\n# nothing\n   \n").empty());
    EXPECT_TRUE(audio::hasPlaylistExtension("Sounds/playlist.M3U"));
    EXPECT_FALSE(audio::hasPlaylistExtension("Sounds/m3u.wav"));
    EXPECT_TRUE(audio::hasPlaylistHeader("#EXTM3U\n"));
    EXPECT_FALSE(audio::hasPlaylistHeader("RIFF"));
}

TEST_F(AudioLayer, PlaylistTypeAndTagsByIndexWithAnErrorPastTheEnd) {
    harness::writeFileText(dir + "/list.m3u", "#EXTM3U\r\n#EXTINF:1,Alpha\r\na.wav\r\nb.mp3\r\n");
    audio::Sound* list = nullptr;
    ASSERT_EQ(system->createStream((dir + "/list.m3u").c_str(), audio::HARDWARE, nullptr, &list), audio::OK);
    int type = -1;
    ASSERT_EQ(list->getFormat(&type, nullptr, nullptr, nullptr), audio::OK);
    EXPECT_EQ(type, audio::SOUND_TYPE_PLAYLIST);
    EXPECT_EQ(type, 15);

    audio::Tag tag;
    ASSERT_EQ(list->getTag("FILE", 0, &tag), audio::OK);
    EXPECT_STREQ(static_cast<const char*>(tag.data), "a.wav");
    EXPECT_EQ(tag.dataLength, 5u);
    ASSERT_EQ(list->getTag("TITLE", 0, &tag), audio::OK);
    EXPECT_STREQ(static_cast<const char*>(tag.data), "Alpha");
    ASSERT_EQ(list->getTag("FILE", 1, &tag), audio::OK);
    EXPECT_STREQ(static_cast<const char*>(tag.data), "b.mp3");
    EXPECT_EQ(list->getTag("TITLE", 1, &tag), audio::ERR_TAGNOTFOUND);  // no #EXTINF line
    EXPECT_EQ(list->getTag("FILE", 2, &tag), audio::ERR_TAGNOTFOUND);
    EXPECT_EQ(list->getTag("FILE", 200, &tag), audio::ERR_TAGNOTFOUND);
    EXPECT_EQ(list->getTag("FILE", -1, &tag), audio::ERR_INVALID_PARAM);
    int count = 0;
    EXPECT_EQ(list->getNumTags(&count), audio::OK);
    EXPECT_EQ(count, 3);

    // A playlist is read, not played.
    audio::Channel* ch = nullptr;
    EXPECT_EQ(system->playSound(audio::CHANNEL_FREE, list, false, &ch), audio::ERR_NOT_PLAYABLE);
    EXPECT_EQ(list->release(), audio::OK);

    // An empty playlist opens; its first FILE query fails.
    harness::writeFileText(dir + "/empty.m3u", "#EXTM3U\n\n");
    ASSERT_EQ(system->createStream((dir + "/empty.m3u").c_str(), audio::HARDWARE, nullptr, &list), audio::OK);
    EXPECT_EQ(list->getTag("FILE", 0, &tag), audio::ERR_TAGNOTFOUND);
}

TEST_F(AudioLayer, FormatsLengthsAndFileErrors) {
    const std::string wav = tone("tone.wav", 0.25);
    audio::Sound* s = effect(wav);
    ASSERT_NE(s, nullptr);
    int type = -1, format = -1, channels = -1, bits = -1;
    EXPECT_EQ(s->getFormat(&type, &format, &channels, &bits), audio::OK);
    EXPECT_EQ(type, audio::SOUND_TYPE_WAV);
    EXPECT_EQ(format, audio::SOUND_FORMAT_PCM16);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(bits, 16);
    unsigned int ms = 0;
    EXPECT_EQ(s->getLength(&ms), audio::OK);
    EXPECT_EQ(ms, 250u);

    const std::string mp3 = dir + "/tone.mp3";
    ASSERT_TRUE(tones::writeTone(mp3, 0.5, 440.0, 2, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, "Song"));
    audio::Sound* m = nullptr;
    ASSERT_EQ(system->createStream(mp3.c_str(), audio::DEFAULT, nullptr, &m), audio::OK);
    EXPECT_EQ(m->getFormat(&type, nullptr, &channels, nullptr), audio::OK);
    EXPECT_EQ(type, audio::SOUND_TYPE_MPEG);
    EXPECT_EQ(channels, 2);
    audio::Tag tag;
    ASSERT_EQ(m->getTag("TITLE", 0, &tag), audio::OK);
    EXPECT_STREQ(static_cast<const char*>(tag.data), "Song");
    EXPECT_EQ(m->getTag("TITLE", 1, &tag), audio::ERR_TAGNOTFOUND);

    audio::Sound* bad = reinterpret_cast<audio::Sound*>(0x1);
    EXPECT_EQ(system->createSound((dir + "/missing.wav").c_str(), 0, nullptr, &bad), audio::ERR_FILE_NOTFOUND);
    EXPECT_EQ(bad, nullptr);
    harness::writeFileText(dir + "/text.wav", "this is not a sound file at all, just text\n");
    EXPECT_EQ(system->createSound((dir + "/text.wav").c_str(), 0, nullptr, &bad), audio::ERR_FORMAT);
    EXPECT_EQ(system->createStream(dir.c_str(), 0, nullptr, &bad), audio::ERR_FILE_NOTFOUND);  // a folder
    EXPECT_EQ(system->createSound(nullptr, 0, nullptr, &bad), audio::ERR_INVALID_PARAM);
}

TEST_F(AudioLayer, ReusedEffectsChannelStopsTheFirstSoundAndJumpBecomesTheEffectsChannel) {
    audio::Sound* fire = effect(tone("fire.wav", 1.0, 880));
    audio::Sound* jump = effect(tone("jump.wav", 1.0, 330));
    audio::Channel* effects = nullptr;

    // The first fire finds no channel to reuse and takes a free one.
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, fire, false, &effects), audio::OK);
    ASSERT_NE(effects, nullptr);
    audio::Channel* firstShot = effects;
    EXPECT_TRUE(playing(firstShot));

    // The second shot takes over the same channel: one fire sound plays, not two.
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, fire, false, &effects), audio::OK);
    EXPECT_EQ(effects, firstShot);
    EXPECT_TRUE(playing(effects));
    int count = 0;
    EXPECT_EQ(system->getChannelsPlaying(&count), audio::OK);
    EXPECT_EQ(count, 1);

    // Jump takes a free channel (the fire keeps playing) and its handle becomes the effects channel.
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, jump, false, &effects), audio::OK);
    audio::Channel* jumpChannel = effects;
    EXPECT_NE(jumpChannel, firstShot);
    EXPECT_TRUE(playing(firstShot));
    EXPECT_EQ(current(jumpChannel), jump);
    EXPECT_EQ(system->getChannelsPlaying(&count), audio::OK);
    EXPECT_EQ(count, 2);

    // The next fire cuts the jump: it plays on the jump's channel.
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, fire, false, &effects), audio::OK);
    EXPECT_EQ(effects, jumpChannel);
    EXPECT_EQ(current(jumpChannel), fire);
    EXPECT_EQ(system->getChannelsPlaying(&count), audio::OK);
    EXPECT_EQ(count, 2);

    // Stopping a channel frees it; stale handles stay usable (never dangling).
    EXPECT_EQ(firstShot->stop(), audio::OK);
    EXPECT_FALSE(playing(firstShot));
    EXPECT_EQ(current(firstShot), nullptr);
}

TEST_F(AudioLayer, ObjectSoundsOverlapOnFreeChannelsAndSamplesEnd) {
    audio::Sound* boom = effect(tone("collision.wav", 0.15, 200));
    audio::Channel* object = nullptr;
    std::set<audio::Channel*> used;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, boom, false, &object), audio::OK);
        used.insert(object);
    }
    EXPECT_EQ(used.size(), 5u);
    int count = 0;
    EXPECT_EQ(system->getChannelsPlaying(&count), audio::OK);
    EXPECT_EQ(count, 5);
    for (audio::Channel* c : used) EXPECT_TRUE(playing(c));
    // A 0.15 s effect ends by itself.
    EXPECT_TRUE(tones::waitFor([&] { return !playing(object); }));
    EXPECT_TRUE(tones::waitFor([&] {
        system->getChannelsPlaying(&count);
        return count == 0;
    }));

    // A channel index names its channel; out of range is refused.
    audio::Channel* ch = nullptr;
    ASSERT_EQ(system->playSound(7, boom, true, &ch), audio::OK);
    int index = -1;
    EXPECT_EQ(ch->getIndex(&index), audio::OK);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(system->playSound(32, boom, false, &ch), audio::ERR_INVALID_PARAM);
    EXPECT_EQ(system->playSound(audio::CHANNEL_FREE, nullptr, false, &ch), audio::ERR_INVALID_PARAM);
}

TEST_F(AudioLayer, MoreEffectsThanChannelsTakeOverTheOldestButNeverAStream) {
    audio::Sound* longFx = effect(tone("long.wav", 3.0));
    audio::Sound* music = nullptr;
    ASSERT_EQ(system->createStream(tone("music.wav", 3.0).c_str(), audio::DEFAULT, nullptr, &music), audio::OK);
    audio::Channel* musicChannel = nullptr;
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, music, false, &musicChannel), audio::OK);
    audio::Channel* first = nullptr;
    audio::Channel* ch = nullptr;
    for (int i = 0; i < 31; ++i) {
        ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, longFx, false, &ch), audio::OK);
        if (i == 0) first = ch;
    }
    int count = 0;
    EXPECT_EQ(system->getChannelsPlaying(&count), audio::OK);
    EXPECT_EQ(count, 32);
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, longFx, false, &ch), audio::OK);
    EXPECT_EQ(ch, first);
    EXPECT_TRUE(playing(musicChannel));
    EXPECT_EQ(current(musicChannel), music);
}

TEST_F(AudioLayer, StreamPlaysToItsEndThenIsPlayingTurnsFalse) {
    audio::Sound* music = nullptr;
    // Longer than the few queued buffers, so the end is reached only by feeding.
    ASSERT_EQ(system->createStream(tone("song.wav", 1.2).c_str(), audio::DEFAULT, nullptr, &music), audio::OK);
    audio::Channel* ch = nullptr;
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, music, false, &ch), audio::OK);
    EXPECT_TRUE(playing(ch));
    tones::sleepMs(900);
    EXPECT_TRUE(playing(ch));  // well before its end
    EXPECT_TRUE(tones::waitFor([&] { return !playing(ch); }));
    EXPECT_EQ(current(ch), music);  // still assigned, just finished
    // Playing it again starts from the top.
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, music, false, &ch), audio::OK);
    EXPECT_TRUE(playing(ch));
    // Released while playing: the channel stops and stays a valid handle.
    EXPECT_EQ(music->release(), audio::OK);
    EXPECT_FALSE(playing(ch));
    EXPECT_EQ(current(ch), nullptr);
}

TEST_F(AudioLayer, LoopingStreamKeepsPlayingPastItsLength) {
    audio::Sound* music = nullptr;
    ASSERT_EQ(system->createStream(tone("loop.wav", 0.2).c_str(), audio::HARDWARE | audio::MODE_2D | audio::LOOP_NORMAL,
                                   nullptr, &music),
              audio::OK);
    EXPECT_EQ(music->getMode(), 0x2au);
    audio::Channel* ch = nullptr;
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, music, false, &ch), audio::OK);
    tones::sleepMs(700);
    EXPECT_TRUE(playing(ch));
}

TEST_F(AudioLayer, PauseAndResumeAndVolume) {
    audio::Sound* music = nullptr;
    ASSERT_EQ(system->createStream(tone("song.wav", 0.4).c_str(), audio::DEFAULT, nullptr, &music), audio::OK);
    audio::Channel* ch = nullptr;
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, music, false, &ch), audio::OK);
    bool paused = true;
    EXPECT_EQ(ch->getPaused(&paused), audio::OK);
    EXPECT_FALSE(paused);
    EXPECT_EQ(ch->setPaused(true), audio::OK);
    EXPECT_EQ(ch->getPaused(&paused), audio::OK);
    EXPECT_TRUE(paused);
    // Paused longer than the title: it has not ended, it waits.
    tones::sleepMs(700);
    EXPECT_TRUE(playing(ch));
    EXPECT_EQ(ch->setPaused(false), audio::OK);
    EXPECT_EQ(ch->getPaused(&paused), audio::OK);
    EXPECT_FALSE(paused);
    EXPECT_TRUE(playing(ch));
    EXPECT_TRUE(tones::waitFor([&] { return !playing(ch); }));

    // Started paused: nothing plays until resumed.
    audio::Sound* fx = effect(tone("fx.wav", 0.1));
    ASSERT_EQ(system->playSound(audio::CHANNEL_FREE, fx, true, &ch), audio::OK);
    tones::sleepMs(300);
    EXPECT_TRUE(playing(ch));
    EXPECT_EQ(ch->setPaused(false), audio::OK);
    EXPECT_TRUE(tones::waitFor([&] { return !playing(ch); }));
    // Pausing an ended effect does not bring it back.
    EXPECT_EQ(ch->setPaused(true), audio::OK);
    EXPECT_FALSE(playing(ch));

    float volume = 0;
    EXPECT_EQ(ch->setVolume(0.4f), audio::OK);
    EXPECT_EQ(ch->getVolume(&volume), audio::OK);
    EXPECT_FLOAT_EQ(volume, 0.4f);
    EXPECT_EQ(ch->setVolume(3.0f), audio::OK);
    EXPECT_EQ(ch->getVolume(&volume), audio::OK);
    EXPECT_FLOAT_EQ(volume, 1.0f);
    // A new sound on the channel starts at full volume again.
    EXPECT_EQ(ch->setVolume(0.25f), audio::OK);
    ASSERT_EQ(system->playSound(audio::CHANNEL_REUSE, fx, false, &ch), audio::OK);
    EXPECT_EQ(ch->getVolume(&volume), audio::OK);
    EXPECT_FLOAT_EQ(volume, 1.0f);
}

}  // namespace
