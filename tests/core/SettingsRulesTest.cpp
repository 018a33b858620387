// The player's settings without a window: key names, bindings, gains, and settings.ini as the
// game writes it, as players edit it and as damage leaves it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <initializer_list>
#include <set>
#include <sstream>
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

// The settings fuzzer's seeds: "defaults" is the file the game writes for the defaults, which
// pins the names players' files use; "by-hand" is what a player may write.
std::string seed(const std::string& name) { return harness::readFileText(LUMIVEX_SOURCE_DIR "/fuzz/seeds/settings/" + name); }

// Nothing left at a default: what the hand-written seed says (a new setting goes in both).
Settings everythingChanged() {
    Settings s;
    s.musicVolume = 7, s.effectsVolume = 0;
    s.muted = s.fullscreen = s.fpsOverlay = s.howToPlaySeen = true;
    s.vsync = false;
    s.renderScale = RenderScale::kAuto;
    s.keys = {'a', '#', input::kPageUp, ';', input::functionKey(7), input::kPauseKey};
    s.padJump = 3, s.padFire = 4, s.padStart = 9;
    s.grade = Grade::Arcade;
    return s;
}

// The hand-written seed has a byte-order mark, comments, CRLF, odd spacing and case, a newer
// game's names and section, '#' and ';' as keys, and no line end at the end.
TEST(SettingsFile, TheGamesFileAndAPlayersAreReadAndEachLineSetsItsOwnSetting) {
    const std::string defaults = seed("defaults");
    EXPECT_EQ(serializeSettings(Settings()), defaults);
    const std::pair<std::string, Settings> files[] = {{defaults, Settings()}, {"", Settings()}, {seed("by-hand"), everythingChanged()}};
    for (const auto& [text, settings] : files) {
        const SettingsParse read = parseSettings(text);
        EXPECT_EQ(read.problem, "") << text;
        EXPECT_EQ(read.settings, settings) << serializeSettings(read.settings);
    }

    // Read alone, each line of a file with nothing at a default changes that line and no other.
    std::istringstream changed(serializeSettings(everythingChanged())), base(defaults);
    std::string section, line, old;
    for (size_t at = 0; std::getline(changed, line) && std::getline(base, old); at += old.size() + 1) {
        if (line[0] == '[') section = line;
        if (line == old) continue;
        EXPECT_EQ(serializeSettings(parseSettings(section + "\n" + line).settings), std::string(defaults).replace(at, old.size(), line));
    }

    // Every way of writing a switch.
    const std::pair<const char*, bool> switches[] = {{"true", true},  {"TRUE", true},   {"1", true},   {"yes", true},
                                                     {"On", true},    {"false", false}, {"0", false},  {"No", false},
                                                     {"off", false},  {"FaLsE", false}};
    for (const auto& [word, on] : switches) {
        const Settings s = parseSettings(std::string("[display]\nvsync = ") + word + "\nfullscreen = " + word + "\n").settings;
        EXPECT_TRUE(s.vsync == on && s.fullscreen == on) << word;
    }
    // Two lines that swap keys are read as the file leaves them, in either order.
    for (const char* swap : {"jump = Space\nfire = Up\n", "fire = Up\njump = Space\n"}) {
        const SettingsParse swapped = parseSettings(std::string("[keys]\n") + swap);
        EXPECT_TRUE(swapped.problem.empty() && swapped.settings.key(Action::Jump) == ' ' &&
                    swapped.settings.key(Action::Fire) == input::kUp) << swap;
    }
    // Names before any section belong to none and are skipped.
    EXPECT_EQ(parseSettings("music_volume = 9\n[sound]\n").settings, Settings());
}

TEST(SettingsFile, ADamagedLineIsSkippedTheGoodOnesCountAndTheFirstFaultyLineIsNamed) {
    // Each fault comes after good, changed lines: every one of them is kept.
    const std::string good = "[sound]\nmusic_volume = 9\nmute = yes\n[keys]\nfire = x\n";  // lines 1..5
    const std::pair<std::string, std::string> faults[] = {
        {"[sound]\nmusic_volume = 11\n", "line 7: music_volume = 11 is not between 0 and 10"},
        {"[sound]\neffects_volume = -1\n", "line 7: effects_volume = -1 is not between 0 and 10"},
        {"[sound]\nmusic_volume = 99999999999999999999\n", "line 7: music_volume = 99999999999999999999 is not between 0 and 10"},
        {"[sound]\nmusic_volume = loud\n", "line 7: music_volume = loud is not a number"},
        {"[sound]\neffects_volume =\n", "line 7: effects_volume = \"\" is not a number"},
        {"[sound]\nmute = maybe\n", "line 7: mute = maybe is not true or false"},
        {"[display]\nrender_scale = 80 %\n", "line 7: render_scale = 80 % is not auto, 100, 75 or 50"},
        {"[gamepad]\nfire = 0\n", "line 7: fire = 0 is not between 1 and 32"},
        {"[gamepad]\nstart = 33\n", "line 7: start = 33 is not between 1 and 32"},
        {"[keys]\njump = F13\n", "line 7: jump = F13 is not the name of a key"},
        {"[game]\ngrade = hard\n", "line 7: grade = hard is not relaxed, normal or arcade"},
        {"[keys]\nleft = Q\n", "line 7: left = Q is a key the game keeps for itself"},
        {"[keys]\nsink = F11\n", "line 7: sink = F11 is a key the game keeps for itself"},
        // Two actions on one key: named at the later line, or at the file's when the other is a default.
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
        const SettingsParse damaged = parseSettings(good + tail);
        EXPECT_EQ(damaged.problem, problem) << tail;
        EXPECT_EQ(damaged.settings, parseSettings(good).settings) << tail;
    }
    // Line numbers count CRLF lines and blank ones.
    EXPECT_EQ(parseSettings("\r\n# c\r\n[sound]\r\nmute = 2\r\n").problem, "line 4: mute = 2 is not true or false");
    // A long value is cut short in the message.
    const SettingsParse longOne = parseSettings("[sound]\nmute = " + std::string(500, 'x') + "\n");
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

    // Names as the game writes them, and as players may: words and letters in any case.
    const std::tuple<int, const char*, const char*> spelled[] = {
        {input::kPageDown, "PageDown", "PAGEDOWN"}, {input::functionKey(10), "F10", "f10"}, {' ', "Space", "sPaCe"},
        {27, "Escape", "escape"},                   {'q', "Q", "q"},                        {'#', "#", "#"}};
    for (const auto& [code, name, typed] : spelled) {
        EXPECT_EQ(input::keyName(code), name) << code;
        EXPECT_EQ(input::keyFromName(typed), code) << typed;
    }
    // Letters have their lowercase codes; other codes have no name.
    for (int code : std::initializer_list<int>{'A', 'Z', 0, 1, 31, 127, 128, 255, input::kSpecial, input::functionKey(13),
                                               input::kSpecial + 0x63, input::kSpecial + 0x6D, input::kSpecial + 0x70,
                                               input::kPauseKey + 1, -1})
        EXPECT_EQ(input::keyName(code), "") << code;
    for (const char* unknown : {"", " ", "Foo", "F0", "F13", "F01", "Esc", "Return", "AB", "Page Up", "\x7f", "\x01", "\xC3\xA4", "Left "})
        EXPECT_EQ(input::keyFromName(unknown), -1) << unknown;
}

TEST(SettingsKeys, BindingSwapsWithTheActionThatHadTheKeyAndRefusesTheFixedKeys) {
    std::set<int> reserved;
    for (int code = -5; code <= kLastCode; ++code)
        if (input::isReservedKey(code)) reserved.insert(code);
    const std::set<int> fixed = {27, 'q', 'Q', 'm', 'M', input::functionKey(10), input::functionKey(11),
                                 input::functionKey(12), '-', '=', '+', '[', ']', '0', 13, 8};
    EXPECT_EQ(reserved, fixed);

    Settings s;
    EXPECT_EQ(actionForKey(s, 'P'), static_cast<int>(Action::Pause)) << "Caps Lock does not change what P does";
    for (int none : std::initializer_list<int>{'o', input::kPauseKey, input::functionKey(7), 0, -1, 'p' + input::kSpecial})
        EXPECT_EQ(actionForKey(s, none), -1) << none;

    // Jump takes fire's old key, Shift+X is the X key, the character 127 is Delete, and an
    // action's own key again changes nothing.
    const std::pair<Action, int> binds[] = {
        {Action::Fire, input::kUp}, {Action::Pause, 'X'}, {Action::Sink, 127}, {Action::Sink, input::kDelete}};
    for (const auto& [action, code] : binds) EXPECT_TRUE(bindKey(s, action, code)) << code;
    EXPECT_EQ(s.keys, (std::array<int, kActionCount>{input::kLeft, input::kRight, ' ', input::kDelete, input::kUp, 'x'}));

    // Every named key but the fixed ones can be bound to every action; any other code changes nothing.
    int bindable = 0;
    for (int code = -5; code <= kLastCode; ++code)
        for (int a = 0; a < kActionCount; ++a) {
            Settings t = s;
            const bool bound = bindKey(t, static_cast<Action>(a), code);
            EXPECT_TRUE(bound ? t.keys[a] == input::normalKey(code) : t == s) << code << " on " << a;
            bindable += bound && t.keys[a] == code;
        }
    // Letters but Q and M, digits but 0, punctuation but the five volume keys, the words but
    // Enter, Backspace and Escape, F1..F9.
    EXPECT_EQ(bindable, kActionCount * (24 + 9 + (32 - 5) + (16 - 3) + 9));

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
    harness::writeFileText(dir + "/one.ini", "[sound]\nmute = true\nmusic_volume = 11\n");
    harness::writeFileText(dir + "/two.ini", "[sound]\nmute = true\nmusic_volume = 11\neffects_volume = x\n");
    harness::writeFileText(dir + "/large.ini", std::string(files::kTextLimit + 1, '#'));
    ASSERT_EQ(mkdir((dir + "/folder.ini").c_str(), 0700), 0);
    const std::string damaged = " is damaged, line 3: music_volume = 11 is not between 0 and 10; ";
    const struct { const char* name; bool found, muted; std::string problem; } loads[] = {
        {"settings.ini", false, false, ""},
        {"one.ini", true, true, damaged + "that line is skipped, the other settings are kept"},
        {"two.ini", true, true, damaged + "2 lines are skipped, the other settings are kept"},
        {"large.ini", true, false, " cannot be read (file too large): using the default settings"},
        {"folder.ini", true, false, " cannot be read (not a regular file): using the default settings"},
    };
    for (const auto& c : loads) {
        const std::string path = dir + "/" + c.name;
        const SettingsLoad load = loadSettings(path);
        EXPECT_EQ(load.found, c.found) << path;
        EXPECT_EQ(load.problem, c.problem.empty() ? "" : path + c.problem);
        Settings expected;
        expected.muted = c.muted;
        EXPECT_EQ(load.settings, expected) << path;
    }
}

TEST_F(SettingsStorage, SavedSettingsLoadBackAndTheFileIsTheirText) {
    const Settings changed = everythingChanged();
    std::string problem = "left over";
    ASSERT_TRUE(saveSettings(file, changed, &problem));
    EXPECT_EQ(problem, "");
    EXPECT_EQ(harness::readFileText(file), serializeSettings(changed));
    const SettingsLoad load = loadSettings(file);
    EXPECT_TRUE(load.found && load.problem.empty() && load.settings == changed) << load.problem;

    // A file of nothing but junk becomes the game's own.
    harness::writeFileText(file, std::string("\0\0\0", 3));
    ASSERT_TRUE(saveSettings(file, Settings(), nullptr));
    EXPECT_EQ(harness::readFileText(file), serializeSettings(Settings()));

    // A newer game's section and names and the player's comments outlive a save; known values
    // change in place, missing ones join their section.
    harness::writeFileText(file, "# mine\r\n[SOUND]\r\nmusic_volume = 11\r\n[net]\r\nport = 7\r\n[keys]\r\nturbo = T\r\n");
    ASSERT_TRUE(saveSettings(file, changed, nullptr));
    const std::string merged = harness::readFileText(file);
    for (const char* kept : {"# mine\r\n[SOUND]\r\nmusic_volume = 7\r\neffects_volume = 0\r\n", "[net]\r\nport = 7\r\n",
                             "[keys]\r\nleft = A\r\n", "turbo = T\r\n", "\r\n[gamepad]\r\njump = 3\r\n"})
        EXPECT_NE(merged.find(kept), std::string::npos) << kept << "\n" << merged;
    EXPECT_EQ(loadSettings(file).settings, changed);

    const std::string nowhere = dir + "/missing/settings.ini";
    EXPECT_FALSE(saveSettings(nowhere, changed, &problem));
    EXPECT_EQ(problem, "cannot save " + nowhere + ": No such file or directory");
    EXPECT_FALSE(saveSettings(nowhere, changed, nullptr)) << "no message wanted";
}

}  // namespace
