#include "core/SettingsMenu.h"

#include "core/RenderScale.h"

namespace {

const char* onOff(bool on) { return on ? "On" : "Off"; }

bool* switchOf(Settings& s, int row) {
    switch (row) {
        case SettingsMenu::kMuteRow: return &s.muted;
        case SettingsMenu::kFullscreenRow: return &s.fullscreen;
        case SettingsMenu::kVsyncRow: return &s.vsync;
        case SettingsMenu::kFpsRow: return &s.fpsOverlay;
        default: return nullptr;
    }
}

int* volumeOf(Settings& s, int row) {
    if (row == SettingsMenu::kMusicRow) return &s.musicVolume;
    if (row == SettingsMenu::kEffectsRow) return &s.effectsVolume;
    return nullptr;
}

}  // namespace

void SettingsMenu::open() {
    row = 0;
    waiting = false;
    message.clear();
}

void SettingsMenu::move(int rows) {
    if (waiting) return;
    row = ((row + rows) % kRowCount + kRowCount) % kRowCount;
    message.clear();
}

SettingsMenu::Result SettingsMenu::adjust(Settings& s, int direction) {
    if (waiting || direction == 0) return Result::Unchanged;
    message.clear();
    if (int* volume = volumeOf(s, row)) {
        const int next = *volume + (direction > 0 ? 1 : -1);
        if (next < 0 || next > kMaxVolume) return Result::Unchanged;
        *volume = next;
        return Result::Changed;
    }
    if (bool* on = switchOf(s, row)) {
        *on = !*on;
        return Result::Changed;
    }
    if (row == kRenderScaleRow) {
        s.renderScale = RenderScale::next(s.renderScale, direction);
        return Result::Changed;
    }
    if (row == kGradeRow) {
        s.grade = nextGrade(s.grade, direction);
        return Result::Changed;
    }
    return Result::Unchanged;
}

SettingsMenu::Result SettingsMenu::activate(Settings& s) {
    if (waiting) return Result::Unchanged;
    message.clear();
    if (row == kBackRow) return Result::Leave;
    if (bool* on = switchOf(s, row)) {
        *on = !*on;
        return Result::Changed;
    }
    if (row == kRenderScaleRow || row == kGradeRow) return adjust(s, 1);
    if (row >= kFirstKeyRow && row < kFirstKeyRow + kActionCount) {
        waiting = true;
        message = "Press the new key for " + std::string(actionTitle(static_cast<Action>(row - kFirstKeyRow))) +
                  " (Backspace: keep the old one)";
    }
    return Result::Unchanged;
}

SettingsMenu::Result SettingsMenu::offerKey(Settings& s, int key) {
    if (!waiting) return Result::Unchanged;
    if (key == 8) {
        waiting = false;
        message.clear();
        return Result::Unchanged;
    }
    const Action action = static_cast<Action>(row - kFirstKeyRow);
    if (!bindKey(s, action, key)) {
        const std::string name = input::keyName(key);
        message = (name.empty() ? std::string("That key") : name) + " is kept for the game: choose another";
        return Result::Unchanged;
    }
    waiting = false;
    message.clear();
    return Result::Changed;
}

std::vector<SettingsMenu::Line> SettingsMenu::lines(const Settings& s) const {
    std::vector<Line> out;
    out.push_back({"Music volume", std::to_string(s.musicVolume) + " / " + std::to_string(kMaxVolume)});
    out.push_back({"Effects volume", std::to_string(s.effectsVolume) + " / " + std::to_string(kMaxVolume)});
    out.push_back({"Mute", onOff(s.muted)});
    out.push_back({"Fullscreen", onOff(s.fullscreen)});
    out.push_back({"Vsync", onOff(s.vsync)});
    out.push_back({"Frame rate display", onOff(s.fpsOverlay)});
    for (int i = 0; i < kActionCount; ++i) {
        const bool asked = waiting && row == kFirstKeyRow + i;
        out.push_back({actionTitle(static_cast<Action>(i)), asked ? "..." : input::keyName(s.keys[i])});
    }
    out.push_back({"Render scale", RenderScale::name(s.renderScale)});
    out.push_back({"Grade", gradeName(s.grade)});
    out.push_back({"Back to the title", ""});
    return out;
}
