#pragma once
#include <string>
#include <vector>

#include "core/Settings.h"

// The settings screen without its drawing: which row is chosen, what the arrow keys and Enter
// do to the settings, and the wait for the key that a binding row is given. No GL: the rules
// library holds it, and the game draws rows() and applies what changed.
class SettingsMenu {
public:
    enum Row { kMusicRow, kEffectsRow, kMuteRow, kFullscreenRow, kVsyncRow, kFpsRow, kFirstKeyRow };
    // After the keys, so that a key's row stays where players (and their fingers) know it.
    static constexpr int kRenderScaleRow = kFirstKeyRow + kActionCount;
    static constexpr int kGradeRow = kRenderScaleRow + 1;
    static constexpr int kBackRow = kGradeRow + 1;
    static constexpr int kRowCount = kBackRow + 1;

    enum class Result { Unchanged, Changed, Leave };

    struct Line {
        std::string label;
        std::string value;
    };

    void open();  // the first row, no wait, no note
    void move(int rows);  // up (negative) or down, round the list
    // Left (-1) and right (+1): a volume steps, a switch flips, a choice moves on.
    Result adjust(Settings& settings, int direction);
    // Enter: a switch flips, a choice moves on, a key row waits for its key, the last row leaves.
    Result activate(Settings& settings);
    // While waiting: the key pressed. A key that cannot be bound leaves the binding as it was
    // and says why in note(); Backspace gives up waiting.
    Result offerKey(Settings& settings, int key);

    int selected() const { return row; }
    bool waitingForKey() const { return waiting; }
    const std::string& note() const { return message; }
    std::vector<Line> lines(const Settings& settings) const;

private:
    int row = 0;
    bool waiting = false;
    std::string message;
};
