// The player's settings without a window: key names, bindings, gains, and settings.ini as the
// game writes it, as players edit it and as damage leaves it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <initializer_list>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/RenderScale.h"
#include "core/Settings.h"
#include "platform/ReadFile.h"
#include "support/TestFiles.h"

namespace {

// Every code a key can have, and some beyond.
constexpr int kLastCode = input::kPauseKey + 0x100;

const char* const kDefaultFile =
    "# Lumivex settings; the game rewrites this file when you change a setting.\n"
    "[sound]\n"
    "music_volume = 4\n"
    "effects_volume = 10\n"
    "mute = false\n"
    "\n"
    "[display]\n"
    "fullscreen = false\n"
    "vsync = true\n"
    "fps_overlay = false\n"
    "render_scale = 100\n"
    "\n"
    "[keys]\n"
    "left = Left\n"
    "right = Right\n"
    "jump = Up\n"
    "sink = Down\n"
    "fire = Space\n"
    "pause = P\n"
    "\n"
    "[gamepad]\n"
    "jump = 1\n"
    "fire = 2\n"
    "start = 8\n"
    "\n"
    "[game]\n"
    "how_to_play_seen = false\n";

// Nothing left at a default.
Settings everythingChanged() {
    Settings s;
    s.musicVolume = 0;
    s.effectsVolume = 7;
    s.muted = true;
    s.fullscreen = true;
    s.vsync = false;
    s.fpsOverlay = true;
    s.keys = {'a', 'd', 'w', 's', input::functionKey(7), input::kPauseKey};
    s.padJump = 3;
    s.padFire = 32;
    s.padStart = 10;
    s.howToPlaySeen = true;
    s.renderScale = RenderScale::kAuto;
    return s;
}

SettingsParse parse(const std::string& text) { return parseSettings(text); }

// The defaults are pinned by the documented file they write.
TEST(SettingsFile, DefaultsAreTheGamesAndWriteTheDocumentedFile) {
    const Settings s;
    EXPECT_EQ(serializeSettings(s), kDefaultFile);
    const SettingsParse back = parse(kDefaultFile);
    EXPECT_EQ(back.problem, "");
    EXPECT_TRUE(back.settings == s);
    EXPECT_EQ(parse("").settings, s) << "an empty file is all defaults";
    EXPECT_EQ(parse("").problem, "");
}

// Every setting changed at once (so one that is not written or not read shows), with every key
// a player can bind on every action: '#' and ';' too, which start comments.
TEST(SettingsFile, EverySettingAndEveryBindableKeySurvivesTheFile) {
    const Settings changed = everythingChanged();
    int bindable = 0;
    for (int code = 0; code <= kLastCode; ++code) {
        if (input::keyName(code).empty()) continue;  // 'A' is the A key's other code
        for (int a = 0; a < kActionCount; ++a) {
            Settings s = changed;
            if (!bindKey(s, static_cast<Action>(a), code)) break;
            if (a == 0) ++bindable;
            const SettingsParse back = parse(serializeSettings(s));
            EXPECT_EQ(back.problem, "") << input::keyName(code) << " on " << actionName(static_cast<Action>(a));
            EXPECT_EQ(back.settings, s) << input::keyName(code) << " on " << actionName(static_cast<Action>(a));
        }
    }
    // Letters but Q and M, digits but 0, punctuation but the five volume keys, the words but
    // Enter, Backspace and Escape, F1..F9.
    EXPECT_EQ(bindable, 24 + 9 + (32 - 5) + (16 - 3) + 9);
}

// The fuzzer's hand-written seed: a byte-order mark, comments, CRLF, odd spacing and case, a
// newer game's names and section, and no line end at the end.
TEST(SettingsFile, WhatPlayersWriteByHandIsRead) {
    const std::string text = harness::readFileText(LUMIVEX_SOURCE_DIR "/fuzz/seeds/settings/by-hand");
    Settings expected;
    expected.padStart = 9;
    expected.padFire = 4;
    expected.vsync = false;
    expected.fullscreen = true;
    expected.fpsOverlay = true;
    expected.keys[static_cast<int>(Action::Fire)] = input::functionKey(7);
    expected.keys[static_cast<int>(Action::Pause)] = input::kPauseKey;
    expected.keys[static_cast<int>(Action::Left)] = 'a';
    expected.keys[static_cast<int>(Action::Sink)] = ';';
    expected.muted = true;
    expected.musicVolume = 7;
    expected.effectsVolume = 0;
    expected.howToPlaySeen = true;
    const SettingsParse read = parse(text);
    EXPECT_EQ(read.problem, "");
    EXPECT_EQ(read.settings, expected) << serializeSettings(read.settings);

    // Every way of writing a switch.
    const std::pair<const char*, bool> switches[] = {{"true", true},  {"TRUE", true},   {"1", true},   {"yes", true},
                                                     {"On", true},    {"false", false}, {"0", false},  {"No", false},
                                                     {"off", false},  {"FaLsE", false}};
    for (const auto& [word, on] : switches) {
        const SettingsParse one = parse(std::string("[display]\nvsync = ") + word + "\n");
        EXPECT_EQ(one.problem, "") << word;
        EXPECT_EQ(one.settings.vsync, on) << word;
    }

    // Two lines that swap keys are read as the file leaves them, in either order.
    for (const char* swap : {"jump = Space\nfire = Up\n", "fire = Up\njump = Space\n"}) {
        const SettingsParse swapped = parse(std::string("[keys]\n") + swap);
        EXPECT_EQ(swapped.problem, "") << swap;
        EXPECT_EQ(swapped.settings.key(Action::Jump), ' ');
        EXPECT_EQ(swapped.settings.key(Action::Fire), input::kUp);
    }
    // Names before any section belong to none and are skipped.
    EXPECT_EQ(parse("music_volume = 9\n[sound]\n").settings, Settings());
}

TEST(SettingsFile, ADamagedLineIsSkippedTheGoodOnesCountAndTheFirstFaultyLineIsNamed) {
    // Each fault comes after good, changed lines: every one of them is kept.
    const std::string good = "[sound]\nmusic_volume = 9\nmute = yes\n[keys]\nfire = x\n";  // lines 1..5
    const std::pair<std::string, std::string> faults[] = {
        {"[sound]\nmusic_volume = 11\n", "line 7: music_volume = 11 is not between 0 and 10"},
        {"[sound]\neffects_volume = -1\n", "line 7: effects_volume = -1 is not between 0 and 10"},
        {"[sound]\nmusic_volume = 99999999999999999999\n",
         "line 7: music_volume = 99999999999999999999 is not between 0 and 10"},
        {"[sound]\nmusic_volume = loud\n", "line 7: music_volume = loud is not a number"},
        {"[sound]\nmusic_volume = 4.5\n", "line 7: music_volume = 4.5 is not a number"},
        {"[sound]\neffects_volume =\n", "line 7: effects_volume = \"\" is not a number"},
        {"[sound]\nmute = maybe\n", "line 7: mute = maybe is not true or false"},
        {"[display]\nvsync = 2\n", "line 7: vsync = 2 is not true or false"},
        {"[display]\nrender_scale = 80 %\n", "line 7: render_scale = 80 % is not auto, 100, 75 or 50"},
        {"[gamepad]\nfire = 0\n", "line 7: fire = 0 is not between 1 and 32"},
        {"[gamepad]\nstart = 33\n", "line 7: start = 33 is not between 1 and 32"},
        {"[gamepad]\njump = A\n", "line 7: jump = A is not a number"},
        {"[keys]\njump = Up Arrow\n", "line 7: jump = Up Arrow is not the name of a key"},
        {"[keys]\njump =\n", "line 7: jump = \"\" is not the name of a key"},
        {"[keys]\njump = F13\n", "line 7: jump = F13 is not the name of a key"},
        {"[keys]\njump = Escape\n", "line 7: jump = Escape is a key the game keeps for itself"},
        {"[keys]\nleft = Q\n", "line 7: left = Q is a key the game keeps for itself"},
        {"[keys]\nsink = F11\n", "line 7: sink = F11 is a key the game keeps for itself"},
        {"[keys]\npause = 0\n", "line 7: pause = 0 is a key the game keeps for itself"},
        // Two actions on one key: named at the later line, or at the file's when the other is a default.
        {"[keys]\nleft = X\n", "line 7: left = X is the key of fire too"},
        {"[keys]\nsink = x\n", "line 7: sink = X is the key of fire too"},
        {"[keys]\nsink = Up\n", "line 7: sink = Up is the key of jump too"},
        // Lines that are neither.
        {"just some words\n", "line 6: \"just some words\" is neither a [section] nor name = value"},
        {"[sound\n", "line 6: \"[sound\" is neither a [section] nor name = value"},
        {"= 4\n", "line 6: \"= 4\" is neither a [section] nor name = value"},
        // Binary junk, a stray carriage return among it.
        {std::string("[sound]\nmute = no\0pe\n", 21), "line 7: holds the control byte 0x00, not settings text"},
        {"\x7f\x45LF\x02\x01\x01\n", "line 6: holds the control byte 0x7F, not settings text"},
        {"# fine\rmute = true\n", "line 6: holds the control byte 0x0D, not settings text"},
        // The first of two faults, even when the later one would also be a conflict.
        {"[sound]\nmute = perhaps\n[keys]\nleft = x\n", "line 7: mute = perhaps is not true or false"},
    };
    for (const auto& [tail, problem] : faults) {
        const SettingsParse damaged = parse(good + tail);
        EXPECT_EQ(damaged.problem, problem) << tail;
        EXPECT_EQ(damaged.settings, parse(good).settings) << tail;
    }
    // Line numbers count CRLF lines and blank ones.
    EXPECT_EQ(parse("\r\n# c\r\n[sound]\r\nmute = 2\r\n").problem, "line 4: mute = 2 is not true or false");
    // A long value is cut short in the message.
    const SettingsParse longOne = parse("[sound]\nmute = " + std::string(500, 'x') + "\n");
    EXPECT_EQ(longOne.problem, "line 2: mute = " + std::string(37, 'x') + "... is not true or false");
}

TEST(SettingsKeys, EveryNamedKeyRoundTripsAndNoNameMeansTwoKeys) {
    std::set<std::string> names;
    int named = 0;
    for (int code = -5; code <= kLastCode; ++code) {
        const std::string name = input::keyName(code);
        if (name.empty()) continue;
        ++named;
        EXPECT_TRUE(names.insert(name).second) << name << " names two keys";
        EXPECT_EQ(input::keyFromName(name), code) << name;
        EXPECT_EQ(input::normalKey(code), code) << "named codes are normal ones: " << name;
    }
    // 26 letters, 10 digits, 32 punctuation characters, 16 words, F1..F12.
    EXPECT_EQ(named, 26 + 10 + 32 + 16 + 12);

    const std::pair<int, const char*> some[] = {
        {input::kLeft, "Left"},          {input::kRight, "Right"},       {input::kUp, "Up"},
        {input::kDown, "Down"},          {input::functionKey(1), "F1"},  {input::functionKey(12), "F12"},
        {input::kPageUp, "PageUp"},      {input::kPageDown, "PageDown"}, {input::kHome, "Home"},
        {input::kEnd, "End"},            {input::kInsert, "Insert"},     {input::kDelete, "Delete"},
        {input::kPauseKey, "Pause"},     {' ', "Space"},                 {13, "Enter"},
        {9, "Tab"},                      {8, "Backspace"},               {27, "Escape"},
        {'a', "A"},                      {'z', "Z"},                     {'0', "0"},
        {'#', "#"},                      {'~', "~"},                     {'!', "!"}};
    for (const auto& [code, name] : some) EXPECT_EQ(input::keyName(code), name) << code;
    EXPECT_EQ(input::kSpecial + 0x64, input::kLeft) << "GLUT's number for Left";
    EXPECT_EQ(input::kSpecial + 0x6F, input::kDelete) << "GLUT's number for Delete";

    // Letters have their lowercase codes; other codes have no name.
    for (int code : std::initializer_list<int>{'A', 'Z', 0, 1, 31, 127, 128, 255, input::kSpecial, input::functionKey(13),
                                               input::kSpecial + 0x63, input::kSpecial + 0x6D, input::kSpecial + 0x70,
                                               input::kPauseKey + 1, -1})
        EXPECT_EQ(input::keyName(code), "") << code;

    // Words and letters in any case.
    const std::pair<const char*, int> spelled[] = {{"left", input::kLeft},      {"PAGEDOWN", input::kPageDown},
                                                   {"pageUp", input::kPageUp},  {"f10", input::functionKey(10)},
                                                   {"sPaCe", ' '},              {"a", 'a'},
                                                   {"Q", 'q'},                  {"escape", 27}};
    for (const auto& [name, code] : spelled) EXPECT_EQ(input::keyFromName(name), code) << name;
    for (const char* unknown : {"", " ", "Foo", "F0", "F13", "F01", "Esc", "Return", "AB", "Page Up", "\x7f", "\x01",
                                "\xC3\xA4", "Left "})
        EXPECT_EQ(input::keyFromName(unknown), -1) << unknown;

    // What the window delivers for Shift+letter and for Delete.
    EXPECT_EQ(input::normalKey('P'), 'p');
    EXPECT_EQ(input::normalKey(127), input::kDelete);
    EXPECT_EQ(input::normalKey('+'), '+');
}

TEST(SettingsKeys, BindingSwapsWithTheActionThatHadTheKeyAndRefusesTheFixedKeys) {
    std::set<int> reserved;
    for (int code = -5; code <= kLastCode; ++code)
        if (input::isReservedKey(code)) reserved.insert(code);
    const std::set<int> fixed = {27, 'q', 'Q', 'm', 'M', input::functionKey(10), input::functionKey(11),
                                 input::functionKey(12), '-', '=', '+', '[', ']', '0', 13, 8};
    EXPECT_EQ(reserved, fixed);

    Settings s;
    EXPECT_TRUE(bindKey(s, Action::Fire, input::kUp));
    EXPECT_EQ(s.key(Action::Fire), input::kUp);
    EXPECT_EQ(s.key(Action::Jump), ' ') << "jump takes fire's old key";
    EXPECT_TRUE(bindKey(s, Action::Pause, 'X')) << "Shift+X is the X key";
    EXPECT_EQ(s.key(Action::Pause), 'x');
    EXPECT_TRUE(bindKey(s, Action::Sink, 127));
    EXPECT_EQ(s.key(Action::Sink), input::kDelete);
    const Settings before = s;
    EXPECT_TRUE(bindKey(s, Action::Sink, input::kDelete)) << "its own key again";
    EXPECT_EQ(s, before);

    std::set<int> refused = fixed;  // and codes of no key
    refused.insert({0, 200, input::kSpecial + 0x70, -1});
    for (int code : refused) {
        for (int a = 0; a < kActionCount; ++a) {
            EXPECT_FALSE(bindKey(s, static_cast<Action>(a), code)) << code;
            EXPECT_EQ(s, before) << code;
        }
    }

    // However keys are handed round, no key does two things and each action keeps one.
    const int offered[] = {'a', input::kLeft, ' ', 'd', input::kRight, 'a', input::kPauseKey, 'p', 'w', input::kUp};
    for (int round = 0; round < 60; ++round) {
        const Action action = static_cast<Action>(round % kActionCount);
        const int key = offered[(round * 7) % 10];
        ASSERT_TRUE(bindKey(s, action, key));
        EXPECT_EQ(actionForKey(s, key), static_cast<int>(action));
        const std::set<int> distinct(s.keys.begin(), s.keys.end());
        EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kActionCount)) << "round " << round;
    }
}

TEST(SettingsKeys, ActionsForKeysAndTheirNames) {
    const Settings s;
    for (int a = 0; a < kActionCount; ++a) EXPECT_EQ(actionForKey(s, s.keys[a]), a);
    EXPECT_EQ(actionForKey(s, 'P'), static_cast<int>(Action::Pause)) << "Caps Lock does not change what P does";
    for (int none :
         std::initializer_list<int>{'o', input::kPauseKey, input::functionKey(7), 0, -1, 'p' + input::kSpecial})
        EXPECT_EQ(actionForKey(s, none), -1) << none;

    const char* const names[] = {"left", "right", "jump", "sink", "fire", "pause"};
    const char* const titles[] = {"Steer left", "Steer right", "Jump", "Sink", "Fire", "Pause"};
    for (int a = 0; a < kActionCount; ++a) {
        EXPECT_STREQ(actionName(static_cast<Action>(a)), names[a]);
        EXPECT_STREQ(actionTitle(static_cast<Action>(a)), titles[a]);
    }
}

TEST(SettingsSound, GainsFollowTheVolumesAndMuteSilencesBoth) {
    // Music and effects volume, muted; the gains they give.
    const std::tuple<int, int, bool, float, float> rows[] = {
        {4, 10, false, 0.4f, 1.0f}, {10, 3, false, 1.0f, 0.3f}, {0, 3, false, 0.0f, 0.3f}, {10, 3, true, 0.0f, 0.0f}};
    for (const auto& [music, effects, muted, musicWanted, effectsWanted] : rows) {
        Settings s;
        s.musicVolume = music, s.effectsVolume = effects, s.muted = muted;
        EXPECT_FLOAT_EQ(musicGain(s), musicWanted) << music << " " << muted;
        EXPECT_FLOAT_EQ(effectsGain(s), effectsWanted) << effects << " " << muted;
    }
}

class SettingsStorage : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.empty()); }
    ~SettingsStorage() override { harness::removeTree(dir); }

    const std::string dir = harness::makeTempDir("lumivex-settings");
    const std::string file = dir + "/settings.ini";
};

TEST_F(SettingsStorage, MissingIsQuietDamagedOrUnreadableSaySoAndGiveDefaults) {
    SettingsLoad load = loadSettings(file);
    EXPECT_FALSE(load.found);
    EXPECT_EQ(load.problem, "");
    EXPECT_EQ(load.settings, Settings());
    EXPECT_FALSE(loadSettings(dir + "/no-folder/settings.ini").found);

    harness::writeFileText(file, "[sound]\nmute = true\nmusic_volume = 11\n");
    load = loadSettings(file);
    EXPECT_TRUE(load.found);
    EXPECT_EQ(load.problem, file + " is damaged, line 3: music_volume = 11 is not between 0 and 10; that line is "
                                   "skipped, the other settings are kept");
    EXPECT_TRUE(load.settings.muted);

    harness::writeFileText(file, std::string(files::kTextLimit + 1, '#'));
    load = loadSettings(file);
    EXPECT_TRUE(load.found);
    EXPECT_EQ(load.problem, file + " cannot be read (file too large): using the default settings");
    EXPECT_EQ(load.settings, Settings());

    const std::string folder = dir + "/folder.ini";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    load = loadSettings(folder);
    EXPECT_TRUE(load.found);
    EXPECT_EQ(load.problem, folder + " cannot be read (not a regular file): using the default settings");
    EXPECT_EQ(load.settings, Settings());
}

TEST_F(SettingsStorage, SavedSettingsLoadBackAndTheFileIsTheirText) {
    const Settings changed = everythingChanged();
    ASSERT_NE(changed, Settings());
    std::string problem = "left over";
    ASSERT_TRUE(saveSettings(file, changed, &problem));
    EXPECT_EQ(problem, "");
    EXPECT_EQ(harness::readFileText(file), serializeSettings(changed));
    SettingsLoad load = loadSettings(file);
    EXPECT_TRUE(load.found);
    EXPECT_EQ(load.problem, "");
    EXPECT_EQ(load.settings, changed);

    // A file of nothing but junk becomes the game's own.
    harness::writeFileText(file, std::string("\0\0\0", 3));
    ASSERT_TRUE(saveSettings(file, Settings(), nullptr));
    EXPECT_EQ(harness::readFileText(file), kDefaultFile);

    // A newer game's section and names and the player's comments outlive a save; known values
    // change in place, missing ones join their section.
    harness::writeFileText(file, "# mine\r\n[SOUND]\r\nmusic_volume = 11\r\n[net]\r\nport = 7\r\n[keys]\r\nturbo = T\r\n");
    ASSERT_TRUE(saveSettings(file, changed, nullptr));
    const std::string merged = harness::readFileText(file);
    for (const char* kept : {"# mine\r\n[SOUND]\r\nmusic_volume = 0\r\neffects_volume = 7\r\n", "[net]\r\nport = 7\r\n",
                             "[keys]\r\nleft = A\r\n", "turbo = T\r\n", "\r\n[gamepad]\r\njump = 3\r\n"})
        EXPECT_NE(merged.find(kept), std::string::npos) << kept << "\n" << merged;
    EXPECT_EQ(loadSettings(file).settings, changed);

    const std::string nowhere = dir + "/missing/settings.ini";
    EXPECT_FALSE(saveSettings(nowhere, changed, &problem));
    EXPECT_EQ(problem, "cannot save " + nowhere + ": No such file or directory");
    EXPECT_FALSE(saveSettings(nowhere, changed, nullptr)) << "no message wanted";
    EXPECT_FALSE(loadSettings(nowhere).found);
}

}  // namespace
