#include "core/Settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "core/RenderScale.h"
#include "platform/ReadFile.h"
#include "platform/WriteFile.h"

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
           renderScale == other.renderScale && keys == other.keys && padJump == other.padJump &&
           padFire == other.padFire && padStart == other.padStart && howToPlaySeen == other.howToPlaySeen &&
           grade == other.grade;
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

namespace {

const char* const kByteOrderMark = "\xEF\xBB\xBF";

// One setting as the file has it.
struct Field {
    const char* section;
    const char* name;
    std::string value;
};

// Every setting, in the order of the file the game writes.
std::vector<Field> fieldsOf(const Settings& s) {
    std::vector<Field> fields = {{"sound", "music_volume", std::to_string(s.musicVolume)},
                                 {"sound", "effects_volume", std::to_string(s.effectsVolume)},
                                 {"sound", "mute", boolText(s.muted)},
                                 {"display", "fullscreen", boolText(s.fullscreen)},
                                 {"display", "vsync", boolText(s.vsync)},
                                 {"display", "fps_overlay", boolText(s.fpsOverlay)},
                                 {"display", "render_scale", s.renderScale == RenderScale::kAuto ? "auto" : std::to_string(s.renderScale)}};
    for (int i = 0; i < kActionCount; ++i) fields.push_back({"keys", kActionNames[i], input::keyName(s.keys[i])});
    fields.push_back({"gamepad", "jump", std::to_string(s.padJump)});
    fields.push_back({"gamepad", "fire", std::to_string(s.padFire)});
    fields.push_back({"gamepad", "start", std::to_string(s.padStart)});
    fields.push_back({"game", "how_to_play_seen", boolText(s.howToPlaySeen)});
    fields.push_back({"game", "grade", gradeKey(s.grade)});
    return fields;
}

std::string fieldLine(const Field& field) { return std::string(field.name) + " = " + field.value; }

}  // namespace

std::string serializeSettings(const Settings& s) {
    std::string text = "# Lumivex settings; the game rewrites this file when you change a setting.\n";
    const char* section = nullptr;
    for (const Field& field : fieldsOf(s)) {
        if (!section || std::strcmp(section, field.section) != 0) {
            text += std::string(section ? "\n[" : "[") + field.section + "]\n";
            section = field.section;
        }
        text += fieldLine(field) + "\n";
    }
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

// One line of the file as the reader takes it.
struct Line {
    enum Kind { Nothing, Section, Setting, Junk };  // Nothing: a blank line or a comment
    Kind kind = Nothing;
    std::string section;      // Section: its name in lower case
    std::string name, value;  // Setting: the name in lower case and the value as written
    std::string fault;        // Junk: why it cannot be read
};

Line classify(const std::string& raw) {
    Line line;
    for (char c : raw) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte < ' ' && byte != '\t') || byte == 127) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", byte);
            line.kind = Line::Junk;
            line.fault = std::string("holds the control byte ") + code + ", not settings text";
            return line;
        }
    }
    const std::string text = trim(raw);
    if (text.empty() || text[0] == '#' || text[0] == ';') return line;
    const std::string::size_type equals = text.find('=');
    if (text[0] == '[' && text.back() == ']') {
        line.kind = Line::Section;
        line.section = lower(trim(text.substr(1, text.size() - 2)));
    } else if (text[0] != '[' && equals != std::string::npos && !trim(text.substr(0, equals)).empty()) {
        line.kind = Line::Setting;
        line.name = lower(trim(text.substr(0, equals)));
        line.value = trim(text.substr(equals + 1));
    } else {
        line.kind = Line::Junk;
        line.fault = "\"" + shown(text) + "\" is neither a [section] nor name = value";
    }
    return line;
}

// Calls each(line) for every line of text, the byte-order mark some editors put first left out;
// also where it opens a later line (files joined end to end), and however many open it, so that
// a line reads the same wherever a save moves it.
template <typename Each>
void forEachLine(const std::string& text, Each each) {
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        while (start < end && text.compare(start, 3, kByteOrderMark) == 0) start = std::min(start + 3, end);
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        each(line);
        start = end + 1;
    }
}

// Reads the lines one by one. A line that cannot be read, or holds a value that is not
// understood, is skipped with its fault noted: every other line still counts.
class Parser {
public:
    explicit Parser(const std::string& text) : text(text) {}

    SettingsParse run() {
        forEachLine(text, [this](const std::string& line) {
            ++number;
            readLine(line);
        });
        resolveKeyClashes();
        SettingsParse result;
        result.settings = settings;
        result.badLines = static_cast<int>(faults.size());
        // The fault of the first line, whatever order they were found in.
        for (const auto& fault : faults)
            if (result.problem.empty() || fault.first < firstFaultLine) {
                firstFaultLine = fault.first;
                result.problem = "line " + std::to_string(fault.first) + ": " + fault.second;
            }
        return result;
    }

private:
    void fail(int line, const std::string& what) { faults.emplace_back(line, what); }

    void readLine(const std::string& raw) {
        const Line line = classify(raw);
        if (line.kind == Line::Junk) return fail(number, line.fault);
        if (line.kind == Line::Section) section = line.section;
        if (line.kind == Line::Setting) setting(line.name, line.value);
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
            if (name == "render_scale") {
                if (!RenderScale::parse(value, &settings.renderScale)) fail(number, what + " is not auto, 100, 75 or 50");
                return;
            }
        } else if (section == "keys") {
            for (int i = 0; i < kActionCount; ++i)
                if (name == kActionNames[i]) return key(what, value, i);
        } else if (section == "gamepad") {
            if (name == "jump") return button(what, value, &settings.padJump);
            if (name == "fire") return button(what, value, &settings.padFire);
            if (name == "start") return button(what, value, &settings.padStart);
        } else if (section == "game") {
            if (name == "how_to_play_seen") return flag(what, value, &settings.howToPlaySeen);
            if (name == "grade") {
                if (!parseGrade(value, &settings.grade)) fail(number, what + " is not relaxed, normal or arcade");
                return;
            }
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

    // Only the keys as the whole file leaves them count: two lines may swap keys in either
    // order. Where two actions end on one key, the later line is the faulty one and its action
    // keeps its default key; defaults never clash, so this ends.
    void resolveKeyClashes() {
        const Settings defaults;
        for (bool clash = true; clash;) {
            clash = false;
            for (int i = 0; i < kActionCount && !clash; ++i)
                for (int j = i + 1; j < kActionCount && !clash; ++j) {
                    if (settings.keys[i] != settings.keys[j]) continue;
                    clash = true;
                    const int later = keyLines[i] > keyLines[j] ? i : j;
                    const int other = later == i ? j : i;
                    fail(keyLines[later], std::string(kActionNames[later]) + " = " +
                                              input::keyName(settings.keys[later]) + " is the key of " +
                                              kActionNames[other] + " too");
                    settings.keys[later] = defaults.keys[later];
                    keyLines[later] = 0;
                }
        }
    }

    const std::string& text;
    Settings settings;
    std::string section;
    std::vector<std::pair<int, std::string>> faults;  // line and what is wrong with it
    int firstFaultLine = 0;
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
    load.settings = parse.settings;
    if (parse.badLines == 1)
        load.problem = path + " is damaged, " + parse.problem + "; that line is skipped, the other settings are kept";
    else if (parse.badLines > 1)
        load.problem = path + " is damaged, " + parse.problem + "; " + std::to_string(parse.badLines) +
                       " lines are skipped, the other settings are kept";
    return load;
}

std::string mergeSettings(const std::string& old, const Settings& settings) {
    const std::vector<Field> fields = fieldsOf(settings);
    const std::string::size_type firstEnd = old.find('\n');
    const char* const newline = firstEnd != std::string::npos && firstEnd > 0 && old[firstEnd - 1] == '\r' ? "\r\n" : "\n";
    std::vector<std::string> kept;
    std::vector<bool> written(fields.size(), false);
    // Where the settings a section lacks go: after its last one, or its heading.
    std::map<std::string, std::size_t> anchor;
    std::string section;
    forEachLine(old, [&](const std::string& raw) {
        const Line line = classify(raw);
        if (line.kind == Line::Junk) return;  // what no game can read is not worth keeping
        if (line.kind == Line::Section) {
            section = line.section;
            kept.push_back(raw);
            anchor.emplace(section, kept.size() - 1);
            return;
        }
        for (std::size_t i = 0; line.kind == Line::Setting && i < fields.size(); ++i)
            if (section == fields[i].section && line.name == fields[i].name) {
                kept.push_back(fieldLine(fields[i]));
                written[i] = true;
                anchor[section] = kept.size() - 1;
                return;
            }
        kept.push_back(raw);  // comments, blank lines, a newer game's settings and sections
    });
    if (kept.empty()) return serializeSettings(settings);

    std::map<std::size_t, std::vector<std::string>> inserted;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto at = anchor.find(fields[i].section);
        if (!written[i] && at != anchor.end()) inserted[at->second].push_back(fieldLine(fields[i]));
    }
    std::string text = old.compare(0, 3, kByteOrderMark) == 0 ? kByteOrderMark : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        text += kept[i] + newline;
        for (const std::string& line : inserted[i]) text += line + newline;
    }
    // Sections the file lacks altogether go at its end.
    const char* open = nullptr;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (written[i] || anchor.count(fields[i].section)) continue;
        if (!open || std::strcmp(open, fields[i].section) != 0) {
            text += std::string(newline) + "[" + fields[i].section + "]" + newline;
            open = fields[i].section;
        }
        text += fieldLine(fields[i]) + newline;
    }
    return text;
}

bool saveSettings(const std::string& path, const Settings& settings, std::string* problem) {
    // Rewritten, not replaced: what this game does not know (a newer game's settings, the
    // player's comments) stays in the file.
    const files::ReadResult old = files::readRegularFile(path, files::kTextLimit);
    const std::string text = mergeSettings(old.ok() ? old.data : std::string(), settings);
    std::string why;
    if (files::replaceFile(path, text.data(), text.size(), &why)) {
        if (problem) problem->clear();
        return true;
    }
    if (problem) *problem = "cannot save " + path + ": " + why;
    return false;
}
