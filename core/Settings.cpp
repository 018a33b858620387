#include "core/Settings.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "highscore/HighscoreStore.h"
#include "platform/ReadFile.h"

namespace input {
namespace {

struct Named {
    int code;
    const char* name;
};

const Named kNamed[] = {
    {kSpecial + 0x64, "Left"},  {kSpecial + 0x66, "Right"},    {kSpecial + 0x65, "Up"},
    {kSpecial + 0x67, "Down"},  {kSpecial + 0x68, "PageUp"},   {kSpecial + 0x69, "PageDown"},
    {kSpecial + 0x6A, "Home"},  {kSpecial + 0x6B, "End"},      {kSpecial + 0x6C, "Insert"},
    {kSpecial + 0x6F, "Delete"}, {kPauseKey, "Pause"},         {' ', "Space"},
    {13, "Enter"},              {9, "Tab"},                    {8, "Backspace"},
    {27, "Escape"},
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string keyName(int code) {
    for (const Named& n : kNamed)
        if (n.code == code) return n.name;
    if (code > kSpecial && code <= kSpecial + 12) return "F" + std::to_string(code - kSpecial);
    if (code >= 'a' && code <= 'z') return std::string(1, static_cast<char>(code - 'a' + 'A'));
    if (code > ' ' && code < 127 && !(code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    return std::string();
}

int keyFromName(const std::string& name) {
    if (name.size() == 1) {
        const unsigned char c = static_cast<unsigned char>(name[0]);
        if (std::isalpha(c)) return std::tolower(c);
        if (c > ' ' && c < 127) return c;
        return -1;
    }
    const std::string wanted = lower(name);
    for (const Named& n : kNamed)
        if (lower(n.name) == wanted) return n.code;
    if (wanted.size() >= 2 && wanted[0] == 'f') {
        int number = 0;
        for (size_t i = 1; i < wanted.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(wanted[i])) || number > 12) return -1;
            number = number * 10 + (wanted[i] - '0');
        }
        if (number >= 1 && number <= 12 && wanted[1] != '0') return kSpecial + number;
    }
    return -1;
}

bool isReservedKey(int code) {
    switch (code) {
        case 27: case 'q': case 'm': case '-': case '=': case '+': case '[': case ']': case '0': case 13: case 8:
        case kSpecial + 10: case kSpecial + 11: case kSpecial + 12:
            return true;
        default:
            return false;
    }
}

}  // namespace input

namespace {

const char* const kActionNames[kActionCount] = {"left", "right", "jump", "sink", "fire", "pause"};
const char* const kActionTitles[kActionCount] = {"Steer left", "Steer right", "Jump", "Sink", "Fire", "Pause"};

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

bool parseBool(std::string v, bool* out) {
    for (char& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (v == "true" || v == "1" || v == "yes" || v == "on") return *out = true, true;
    if (v == "false" || v == "0" || v == "no" || v == "off") return *out = false, true;
    return false;
}

bool parseInt(const std::string& v, int low, int high, int* out) {
    if (v.empty() || v.size() > 4) return false;
    int n = 0;
    for (char c : v) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        n = n * 10 + (c - '0');
    }
    if (n < low || n > high) return false;
    *out = n;
    return true;
}

bool usable(int key) { return !input::keyName(key).empty() && !input::isReservedKey(key); }

}  // namespace

const char* actionName(Action a) { return kActionNames[static_cast<int>(a)]; }
const char* actionTitle(Action a) { return kActionTitles[static_cast<int>(a)]; }

bool Settings::operator==(const Settings& o) const {
    return musicVolume == o.musicVolume && effectsVolume == o.effectsVolume && muted == o.muted &&
           fullscreen == o.fullscreen && vsync == o.vsync && fpsOverlay == o.fpsOverlay && keys == o.keys &&
           padJump == o.padJump && padFire == o.padFire && padStart == o.padStart;
}

bool bindKey(Settings& s, Action action, int key) {
    if (!usable(key)) return false;
    const int mine = static_cast<int>(action);
    for (int i = 0; i < kActionCount; ++i)
        if (i != mine && s.keys[i] == key) s.keys[i] = s.keys[mine];
    s.keys[mine] = key;
    return true;
}

int actionForKey(const Settings& s, int key) {
    for (int i = 0; i < kActionCount; ++i)
        if (s.keys[i] == key) return i;
    return -1;
}

float musicGain(const Settings& s) { return s.muted ? 0.0f : s.musicVolume / static_cast<float>(kMaxVolume); }
float effectsGain(const Settings& s) { return s.muted ? 0.0f : s.effectsVolume / static_cast<float>(kMaxVolume); }

std::string serializeSettings(const Settings& s) {
    auto b = [](bool v) { return v ? "true" : "false"; };
    std::ostringstream out;
    out << "# Lumivex settings; the game rewrites this file when you change a setting.\n"
        << "[sound]\nmusic_volume = " << s.musicVolume << "\neffects_volume = " << s.effectsVolume
        << "\nmute = " << b(s.muted) << "\n\n[display]\nfullscreen = " << b(s.fullscreen) << "\nvsync = " << b(s.vsync)
        << "\nfps_overlay = " << b(s.fpsOverlay) << "\n\n[keys]\n";
    for (int i = 0; i < kActionCount; ++i) out << kActionNames[i] << " = " << input::keyName(s.keys[i]) << "\n";
    out << "\n[gamepad]\njump = " << s.padJump << "\nfire = " << s.padFire << "\nstart = " << s.padStart << "\n";
    return out.str();
}

SettingsParse parseSettings(const std::string& text) {
    SettingsParse result;
    Settings s;
    std::string section;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    auto fail = [&](const std::string& why) {
        result.problem = "line " + std::to_string(number) + ": " + why;
        return result;
    };
    if (text.find('\0') != std::string::npos) {
        result.problem = "it holds binary data";
        return result;
    }
    while (std::getline(in, raw)) {
        ++number;
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        for (unsigned char c : line)
            if (c < ' ' && c != '\t') return fail("control characters");
        if (line[0] == '[') {
            if (line.back() != ']') return fail("\"" + line + "\" is not a section header");
            section = trim(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("\"" + line + "\" is not name = value");
        const std::string name = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        const std::string shown = name + " = " + value;
        bool ok = true, known = true;
        if (section == "sound") {
            if (name == "music_volume") ok = parseInt(value, 0, kMaxVolume, &s.musicVolume);
            else if (name == "effects_volume") ok = parseInt(value, 0, kMaxVolume, &s.effectsVolume);
            else if (name == "mute") ok = parseBool(value, &s.muted);
            else known = false;
            if (!ok && name != "mute") return fail(shown + " is not between 0 and " + std::to_string(kMaxVolume));
        } else if (section == "display") {
            if (name == "fullscreen") ok = parseBool(value, &s.fullscreen);
            else if (name == "vsync") ok = parseBool(value, &s.vsync);
            else if (name == "fps_overlay") ok = parseBool(value, &s.fpsOverlay);
            else known = false;
        } else if (section == "keys") {
            known = false;
            for (int i = 0; i < kActionCount; ++i)
                if (name == kActionNames[i]) {
                    known = true;
                    const int key = input::keyFromName(value);
                    if (key < 0) return fail(shown + ": no such key");
                    if (input::isReservedKey(key)) return fail(shown + ": that key is kept for the game");
                    s.keys[i] = key;
                }
        } else if (section == "gamepad") {
            if (name == "jump") ok = parseInt(value, 1, kMaxPadButton, &s.padJump);
            else if (name == "fire") ok = parseInt(value, 1, kMaxPadButton, &s.padFire);
            else if (name == "start") ok = parseInt(value, 1, kMaxPadButton, &s.padStart);
            else known = false;
            if (!ok) return fail(shown + " is not a button from 1 to " + std::to_string(kMaxPadButton));
        }
        (void)known;  // names this version does not know are a newer version's: left alone
        if (!ok) return fail(shown + " is not true or false");
    }
    for (int i = 0; i < kActionCount; ++i)
        for (int j = i + 1; j < kActionCount; ++j)
            if (s.keys[i] == s.keys[j]) {
                result.problem = std::string(kActionNames[i]) + " and " + kActionNames[j] + " have the same key " +
                                 input::keyName(s.keys[i]);
                return result;
            }
    result.settings = s;
    return result;
}

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
    errno = 0;
    if (HighscoreStore::replaceFile(path, text.data(), text.size())) return true;
    if (problem) *problem = "cannot save " + path + ": " + std::strerror(errno ? errno : EIO);
    return false;
}
