#pragma once
// What the player can change and keeps between games: volumes, the display, the keys of the
// actions and the gamepad's buttons, and their file "settings.ini". Rules library: no GLUT here,
// so the key codes below carry GLUT's numbers themselves.
#include <array>
#include <string>

#include "core/Grade.h"

namespace input {

// One int per key. A character key is its character code, letters always lowercase; a GLUT
// special key is kSpecial + its GLUT code; the Pause key, which GLUT never reports, has a code
// of its own.
constexpr int kSpecial = 0x100;
constexpr int kPauseKey = 0x200;

constexpr int kBackspace = 8;
constexpr int kTab = 9;
constexpr int kEnter = 13;
constexpr int kEscape = 27;
constexpr int kSpace = ' ';
constexpr int functionKey(int n) { return kSpecial + n; }  // F1..F12
constexpr int kLeft = kSpecial + 0x64;
constexpr int kUp = kSpecial + 0x65;
constexpr int kRight = kSpecial + 0x66;
constexpr int kDown = kSpecial + 0x67;
constexpr int kPageUp = kSpecial + 0x68;
constexpr int kPageDown = kSpecial + 0x69;
constexpr int kHome = kSpecial + 0x6A;
constexpr int kEnd = kSpecial + 0x6B;
constexpr int kInsert = kSpecial + 0x6C;
constexpr int kDelete = kSpecial + 0x6F;

// The code a key press stands for: an uppercase letter (Shift, Caps Lock) is its lowercase
// letter, and the character 127, as which X delivers the Delete key, is kDelete. Every other
// code is itself. bindKey, actionForKey and isReservedKey take raw codes through this.
int normalKey(int code);

// "Left", "F1", "PageUp", "Pause", "Space", "Enter", "Tab", "Backspace", "Escape", "A".."Z",
// digits and printable punctuation as themselves; "" for a code with no name (an uppercase
// letter included: its code is the lowercase one).
std::string keyName(int code);
// The code of a name keyName gives, case-insensitive for the words and the letters; -1 for
// anything else (also "").
int keyFromName(const std::string& name);

// Keys that do one fixed thing on every screen, so no action may have them:
//   Escape, Q      quit                       M          title screen, music on or off
//   F10            frame-rate overlay         F11        full screen
//   F12            quit (while playing)       -, =, +    music volume down, up, up
//   [, ]           effects volume down, up    0          mute
//   Enter          Alt+Enter, and confirms on the settings screen
//   Backspace      goes back on the settings screen and in name entry
bool isReservedKey(int code);

}  // namespace input

enum class Action { Left, Right, Jump, Sink, Fire, Pause };
constexpr int kActionCount = 6;
// The action's key in settings.ini: "left", "right", "jump", "sink", "fire", "pause".
const char* actionName(Action action);
// What the settings screen calls it: "Steer left", "Steer right", "Jump", "Sink", "Fire", "Pause".
const char* actionTitle(Action action);

constexpr int kMaxVolume = 10;
constexpr int kMaxPadButton = 32;  // freeglut's button mask has 32 bits

struct Settings {
    int musicVolume = 4;     // 0..kMaxVolume; 4 is the game's usual music level (gain 0.4)
    int effectsVolume = 10;  // 0..kMaxVolume
    bool muted = false;
    bool fullscreen = false;
    bool vsync = true;
    bool fpsOverlay = false;
    int renderScale = 100;  // the 3D scene's share of the picture: 100, 75, 50 (percent) or Auto (0)
    // Indexed by Action.
    std::array<int, kActionCount> keys = {input::kLeft, input::kRight, input::kUp,
                                          input::kDown, input::kSpace, 'p'};
    // Gamepad buttons as players count them, from 1: button 1 is bit 0 of freeglut's mask.
    int padJump = 1;
    int padFire = 2;
    int padStart = 8;
    bool howToPlaySeen = false;  // the rules were shown before the player's first flight
    Grade grade = Grade::Normal;  // what a flight is played at (G on the title)

    int key(Action action) const { return keys[static_cast<int>(action)]; }
    bool operator==(const Settings& other) const;
    bool operator!=(const Settings& other) const { return !(*this == other); }
};

// Gives action the key. When another action had it, the two swap keys, so no key ever does
// two things. False, and nothing changes, for a reserved key or a code with no name.
bool bindKey(Settings& settings, Action action, int key);
// The action key does while playing, as static_cast<int>(Action); -1 when it does none.
int actionForKey(const Settings& settings, int key);

// The gains for the sound layer, 0..1: 0 when muted, else the volume over kMaxVolume.
float musicGain(const Settings& settings);
float effectsGain(const Settings& settings);

// The text of settings.ini, with a comment line on top and the sections [sound], [display],
// [keys] and [gamepad].
std::string serializeSettings(const Settings& settings);

struct SettingsParse {
    Settings settings;
    std::string problem;  // empty, or "line N: ..." naming the fault of the first bad line
    int badLines = 0;
};
// Reads the text serializeSettings writes and what a player may make of it by hand: comments
// (# or ; first on a line), blank lines, spaces, CRLF, booleans as true/false, 1/0, yes/no,
// on/off, any order, missing names (they keep their defaults). Unknown sections and names are
// skipped, as are names before the first section: a newer game may have written them. A bad
// line is skipped and every good one still counts: a line that is not a comment, a [section] or
// name = value, a value out of range or not understood, a key that has no name or is reserved,
// control bytes. Where two actions end on one key, the later line is the bad one and its action
// keeps its default key.
SettingsParse parseSettings(const std::string& text);

struct SettingsLoad {
    Settings settings;
    std::string problem;  // one line for the player; empty when the file was good or missing
    bool found = false;   // false only when there is no file
};
// Reads path through files::readRegularFile. A missing file gives the defaults quietly; one
// that cannot be read gives the defaults and says so; a damaged one keeps its good lines and
// names the first bad one.
SettingsLoad loadSettings(const std::string& path);

// The text of a settings file old (as it was read) with the values of settings: every line
// the game knows rewritten in place, the settings it lacks added to their sections, and what
// this game does not know (comments, a newer game's sections and names) kept as it was. Lines
// no game can read are left out; an old text with nothing left is serializeSettings(settings).
std::string mergeSettings(const std::string& old, const Settings& settings);

// Rewrites path as mergeSettings of its current text, atomically; false with "cannot save
// <path>: <reason>" in problem (when given) on failure.
bool saveSettings(const std::string& path, const Settings& settings, std::string* problem);
