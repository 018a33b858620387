#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "core/Game.h"
#include "platform/Clock.h"

namespace {

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

void Game::loadSettings() {
    if (!useSettingsFile) return;
    const SettingsLoad load = ::loadSettings(playerFiles.settings);
    settings = load.settings;
    settingsProblem = load.problem;
    // Once, on the console; the settings screen shows it until a save replaces the file.
    if (!settingsProblem.empty()) say(settingsProblem);
    settingsLoaded = true;
    if (!settings.vsync) swapInterval = 0;  // --no-vsync wins over the setting, never the reverse
    if (settings.fpsOverlay != fpsOverlay.isShown()) fpsOverlay.toggle();
    if (!renderScaleChosen) renderScale.choose(settings.renderScale);
}

void Game::saveSettings() {
    if (!settingsLoaded) return;
    std::string problem;
    if (::saveSettings(playerFiles.settings, settings, &problem)) {
        settingsProblem.clear();
    } else if (problem != settingsProblem) {
        settingsProblem = problem;
        say(problem);
    }
}

void Game::applySettings(const Settings& before) {
    if (settings.fullscreen != before.fullscreen) setFullscreen(settings.fullscreen, false);
    if (settings.vsync != before.vsync) {
        swapInterval = settings.vsync ? 1 : 0;
        applySwapInterval();
    }
    if (settings.fpsOverlay != fpsOverlay.isShown()) fpsOverlay.toggle();
    if (settings.renderScale != before.renderScale && !renderScaleChosen) renderScale.choose(settings.renderScale);
    if (musicGain(settings) != musicGain(before) || effectsGain(settings) != effectsGain(before)) applyVolumes();
    if (settings != before) saveSettings();
}

void Game::chooseRenderScale(int choice) {
    renderScaleChosen = true;
    renderScale.choose(choice);
}

void Game::changeSettings(const Settings& wanted) {
    const Settings before = settings;
    settings = wanted;
    applySettings(before);
}

void Game::applyVolumes() {
    // A flight's end is marked by its own sound: the music steps back under it for a moment.
    sound.setVolumes(musicGain(settings) * (musicDucked ? 0.3f : 1.0f), effectsGain(settings));
}

void Game::changeVolume(int* level, int delta, const char* name) {
    const Settings before = settings;
    *level = std::min(kMaxVolume, std::max(0, *level + delta));
    settings.muted = false;  // a volume key is meant to be heard
    volumeText = std::string(name) + " volume " + std::to_string(*level) + " / " + std::to_string(kMaxVolume);
    volumeShownAt = timeGetTime();
    applySettings(before);
}

void Game::toggleMute() {
    const Settings before = settings;
    settings.muted = !settings.muted;
    volumeText = settings.muted ? "Sound off" : "Sound on";
    volumeShownAt = timeGetTime();
    applySettings(before);
}

bool Game::volumeKey(int code) {
    switch (code) {
        case '-': changeVolume(&settings.musicVolume, -1, "Music"); return true;
        case '=': case '+': changeVolume(&settings.musicVolume, 1, "Music"); return true;
        case '[': changeVolume(&settings.effectsVolume, -1, "Effects"); return true;
        case ']': changeVolume(&settings.effectsVolume, 1, "Effects"); return true;
        case '0': toggleMute(); return true;
        default: return false;
    }
}

void Game::openSettings() {
    settingsMenu.open();
    state = SettingsScreen;
}

void Game::settingsKey(int code) {
    if (code == 27) std::exit(0);  // Escape quits on every screen, even while a key is awaited
    const Settings before = settings;
    SettingsMenu::Result result = SettingsMenu::Result::Unchanged;
    if (settingsMenu.waitingForKey()) {
        result = settingsMenu.offerKey(settings, code);
    } else if (code == input::kSpecial + GLUT_KEY_UP) {
        settingsMenu.move(-1);
    } else if (code == input::kSpecial + GLUT_KEY_DOWN) {
        settingsMenu.move(1);
    } else if (code == input::kSpecial + GLUT_KEY_LEFT) {
        result = settingsMenu.adjust(settings, -1);
    } else if (code == input::kSpecial + GLUT_KEY_RIGHT) {
        result = settingsMenu.adjust(settings, 1);
    } else if (code == 13 || code == ' ') {
        result = settingsMenu.activate(settings);
    } else if (code == 'b' || code == 8) {
        result = SettingsMenu::Result::Leave;
    } else if (code == 'q') {
        std::exit(0);
    } else {
        volumeKey(code);
        glutPostRedisplay();
        return;
    }
    if (result == SettingsMenu::Result::Leave) state = Title;
    applySettings(before);
    glutPostRedisplay();
}
