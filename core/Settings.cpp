#include "core/Settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "highscore/HighscoreStore.h"
#include "platform/ReadFile.h"

namespace {

char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lower(std::string text) {
    for (char& c : text) c = lowerChar(c);
    return text;
}

}  // namespace

namespace input {

namespace {

struct NamedKey {
    int code;
    const char* name;
};

// Every key with a word for a name; F1..F12, letters and punctuation are worked out.
constexpr NamedKey kWords[] = {
    {kLeft, "Left"},       {kRight, "Right"},         {kUp, "Up"},       {kDown, "Down"},
    {kPageUp, "PageUp"},   {kPageDown, "PageDown"},   {kHome, "Home"},   {kEnd, "End"},
    {kInsert, "Insert"},   {kDelete, "Delete"},       {kPauseKey, "Pause"},
    {kSpace, "Space"},     {kEnter, "Enter"},         {kTab, "Tab"},     {kBackspace, "Backspace"},
    {kEscape, "Escape"},
};

constexpr int kDeleteCharacter = 127;

}  // namespace

int normalKey(int code) {
    if (code >= 'A' && code <= 'Z') return code - 'A' + 'a';
    if (code == kDeleteCharacter) return kDelete;
    return code;
}

std::string keyName(int code) {
    for (const NamedKey& key : kWords)
        if (key.code == code) return key.name;
    if (code >= functionKey(1) && code <= functionKey(12)) return "F" + std::to_string(code - kSpecial);
    if (code >= 'a' && code <= 'z') return std::string(1, static_cast<char>(code - 'a' + 'A'));
    if (code >= 'A' && code <= 'Z') return std::string();
    if (code > ' ' && code < kDeleteCharacter) return std::string(1, static_cast<char>(code));
    return std::string();
}

int keyFromName(const std::string& name) {
    if (name.size() == 1) {
        const int code = normalKey(static_cast<unsigned char>(name[0]));
        return code > ' ' && code < kDeleteCharacter ? code : -1;
    }
    const std::string wanted = lower(name);
    for (const NamedKey& key : kWords)
        if (lower(key.name) == wanted) return key.code;
    for (int n = 1; n <= 12; ++n)
        if (wanted == "f" + std::to_string(n)) return functionKey(n);
    return -1;
}

bool isReservedKey(int code) {
    // '+' is Shift+'=' on many layouts, and the game turns the music up with either.
    static constexpr int kReserved[] = {kEscape, 'q', 'm', functionKey(10), functionKey(11), functionKey(12),
                                        '-', '=', '+', '[', ']', '0', kEnter, kBackspace};
    const int key = normalKey(code);
    return std::find(std::begin(kReserved), std::end(kReserved), key) != std::end(kReserved);
}

}  // namespace input

namespace {

constexpr const char* kActionNames[kActionCount] = {"left", "right", "jump", "sink", "fire", "pause"};
constexpr const char* kActionTitles[kActionCount] = {"Steer left", "Steer right", "Jump", "Sink", "Fire", "Pause"};

float gain(const Settings& settings, int volume) {
    if (settings.muted) return 0.0f;
    return static_cast<float>(std::clamp(volume, 0, kMaxVolume)) / static_cast<float>(kMaxVolume);
}

const char* boolText(bool value) { return value ? "true" : "false"; }

}  // namespace

const char* actionName(Action action) { return kActionNames[static_cast<int>(action)]; }
const char* actionTitle(Action action) { return kActionTitles[static_cast<int>(action)]; }

bool Settings::operator==(const Settings& other) const {
    return musicVolume == other.musicVolume && effectsVolume == other.effectsVolume && muted == other.muted &&
           fullscreen == other.fullscreen && vsync == other.vsync && fpsOverlay == other.fpsOverlay &&
           keys == other.keys && padJump == other.padJump && padFire == other.padFire && padStart == other.padStart &&
           howToPlaySeen == other.howToPlaySeen;
}

bool bindKey(Settings& settings, Action action, int key) {
    key = input::normalKey(key);
    if (input::isReservedKey(key) || input::keyName(key).empty()) return false;
    const int mine = static_cast<int>(action);
    const int other = actionForKey(settings, key);
    if (other >= 0 && other != mine) settings.keys[other] = settings.keys[mine];
    settings.keys[mine] = key;
    return true;
}

int actionForKey(const Settings& settings, int key) {
    key = input::normalKey(key);
    for (int i = 0; i < kActionCount; ++i)
        if (settings.keys[i] == key) return i;
    return -1;
}

float musicGain(const Settings& settings) { return gain(settings, settings.musicVolume); }
float effectsGain(const Settings& settings) { return gain(settings, settings.effectsVolume); }

std::string serializeSettings(const Settings& s) {
    std::string text = "# Lumivex settings; the game rewrites this file when you change a setting.\n";
    text += "[sound]\n";
    text += "music_volume = " + std::to_string(s.musicVolume) + "\n";
    text += "effects_volume = " + std::to_string(s.effectsVolume) + "\n";
    text += std::string("mute = ") + boolText(s.muted) + "\n";
    text += "\n[display]\n";
    text += std::string("fullscreen = ") + boolText(s.fullscreen) + "\n";
    text += std::string("vsync = ") + boolText(s.vsync) + "\n";
    text += std::string("fps_overlay = ") + boolText(s.fpsOverlay) + "\n";
    text += "\n[keys]\n";
    for (int i = 0; i < kActionCount; ++i) text += std::string(kActionNames[i]) + " = " + input::keyName(s.keys[i]) + "\n";
    text += "\n[gamepad]\n";
    text += "jump = " + std::to_string(s.padJump) + "\n";
    text += "fire = " + std::to_string(s.padFire) + "\n";
    text += "start = " + std::to_string(s.padStart) + "\n";
    text += "\n[game]\n";
    text += std::string("how_to_play_seen = ") + boolText(s.howToPlaySeen) + "\n";
    return text;
}

namespace {

std::string trim(const std::string& text) {
    const char* const space = " \t";
    const std::string::size_type first = text.find_first_not_of(space);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// A value as the problem line shows it: a whole line of junk would not help anyone.
std::string shown(const std::string& value) {
    if (value.empty()) return "\"\"";
    return value.size() <= 40 ? value : value.substr(0, 37) + "...";
}

bool parseBool(const std::string& value, bool* out) {
    const std::string v = lower(value);
    if (v == "true" || v == "1" || v == "yes" || v == "on") {
        *out = true;
        return true;
    }
    if (v == "false" || v == "0" || v == "no" || v == "off") {
        *out = false;
        return true;
    }
    return false;
}

// A whole number with an optional minus; long ones are kept from overflowing, they are out
// of range all the same.
bool parseNumber(const std::string& value, long* out) {
    const bool negative = !value.empty() && value[0] == '-';
    const std::string digits = negative ? value.substr(1) : value;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    long n = 0;
    for (char c : digits) n = std::min(n * 10 + (c - '0'), 1000000L);
    *out = negative ? -n : n;
    return true;
}

// Reads the lines one by one; the first fault stops it.
class Parser {
public:
    explicit Parser(const std::string& text) : text(text) {}

    SettingsParse run() {
        SettingsParse result;
        std::string::size_type start = 0;
        // A byte-order mark is what some editors put first; it is not junk.
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
        while (start < text.size() && problem.empty()) {
            std::string::size_type end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            ++number;
            readLine(line);
            start = end + 1;
        }
        if (problem.empty()) checkKeysDiffer();
        if (problem.empty()) result.settings = settings;
        result.problem = problem;
        return result;
    }

private:
    void fail(int line, const std::string& what) { problem = "line " + std::to_string(line) + ": " + what; }

    void readLine(const std::string& raw) {
        for (char c : raw) {
            const unsigned char byte = static_cast<unsigned char>(c);
            if ((byte < ' ' && byte != '\t') || byte == 127) {
                char code[8];
                std::snprintf(code, sizeof code, "0x%02X", byte);
                return fail(number, std::string("holds the control byte ") + code + ", not settings text");
            }
        }
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') return;
        if (line[0] == '[') {
            if (line.back() != ']') return fail(number, "\"" + shown(line) + "\" is neither a [section] nor name = value");
            section = lower(trim(line.substr(1, line.size() - 2)));
            return;
        }
        const std::string::size_type equals = line.find('=');
        if (equals == std::string::npos || trim(line.substr(0, equals)).empty())
            return fail(number, "\"" + shown(line) + "\" is neither a [section] nor name = value");
        setting(lower(trim(line.substr(0, equals))), trim(line.substr(equals + 1)));
    }

    void setting(const std::string& name, const std::string& value) {
        const std::string what = name + " = " + shown(value);
        if (section == "sound") {
            if (name == "music_volume") return volume(what, value, &settings.musicVolume);
            if (name == "effects_volume") return volume(what, value, &settings.effectsVolume);
            if (name == "mute") return flag(what, value, &settings.muted);
        } else if (section == "display") {
            if (name == "fullscreen") return flag(what, value, &settings.fullscreen);
            if (name == "vsync") return flag(what, value, &settings.vsync);
            if (name == "fps_overlay") return flag(what, value, &settings.fpsOverlay);
        } else if (section == "keys") {
            for (int i = 0; i < kActionCount; ++i)
                if (name == kActionNames[i]) return key(what, value, i);
        } else if (section == "gamepad") {
            if (name == "jump") return button(what, value, &settings.padJump);
            if (name == "fire") return button(what, value, &settings.padFire);
            if (name == "start") return button(what, value, &settings.padStart);
        } else if (section == "game") {
            if (name == "how_to_play_seen") return flag(what, value, &settings.howToPlaySeen);
        }
        // Anything else is a newer game's, or no section's: left alone.
    }

    void volume(const std::string& what, const std::string& value, int* out) {
        range(what, value, 0, kMaxVolume, out);
    }
    void button(const std::string& what, const std::string& value, int* out) {
        range(what, value, 1, kMaxPadButton, out);
    }
    void range(const std::string& what, const std::string& value, int low, int high, int* out) {
        long n = 0;
        if (!parseNumber(value, &n)) return fail(number, what + " is not a number");
        if (n < low || n > high)
            return fail(number, what + " is not between " + std::to_string(low) + " and " + std::to_string(high));
        *out = static_cast<int>(n);
    }

    void flag(const std::string& what, const std::string& value, bool* out) {
        if (!parseBool(value, out)) fail(number, what + " is not true or false");
    }

    void key(const std::string& what, const std::string& value, int action) {
        const int code = input::keyFromName(value);
        if (code < 0) return fail(number, what + " is not the name of a key");
        if (input::isReservedKey(code)) return fail(number, what + " is a key the game keeps for itself");
        settings.keys[action] = code;
        keyLines[action] = number;
    }

    // Only the keys as the whole file leaves them count: two lines may swap keys in either order.
    void checkKeysDiffer() {
        for (int i = 0; i < kActionCount; ++i)
            for (int j = i + 1; j < kActionCount; ++j) {
                if (settings.keys[i] != settings.keys[j]) continue;
                const int later = keyLines[i] > keyLines[j] ? i : j;
                const int other = later == i ? j : i;
                return fail(keyLines[later], std::string(kActionNames[later]) + " = " +
                                                 input::keyName(settings.keys[later]) + " is the key of " +
                                                 kActionNames[other] + " too");
            }
    }

    const std::string& text;
    Settings settings;
    std::string section;
    std::string problem;
    int number = 0;
    std::array<int, kActionCount> keyLines{};  // 0: the default, from no line
};

}  // namespace

SettingsParse parseSettings(const std::string& text) { return Parser(text).run(); }

SettingsLoad loadSettings(const std::string& path) {
    SettingsLoad load;
    const files::ReadResult read = files::readRegularFile(path, files::kTextLimit);
    if (read.status == files::ReadStatus::Missing) return load;
    load.found = true;
    if (!read.ok()) {
        load.problem = path + " cannot be read (" + files::describe(read) + "): using the default settings";
        return load;
    }
    const SettingsParse parse = parseSettings(read.data);
    if (!parse.problem.empty()) {
        load.problem = path + " is damaged (" + parse.problem + "): using the default settings";
        return load;
    }
    load.settings = parse.settings;
    return load;
}

bool saveSettings(const std::string& path, const Settings& settings, std::string* problem) {
    const std::string text = serializeSettings(settings);
    if (HighscoreStore::replaceFile(path, text.data(), text.size())) {
        if (problem) problem->clear();
        return true;
    }
    const int error = errno ? errno : EIO;
    if (problem) *problem = "cannot save " + path + ": " + std::strerror(error);
    return false;
}
