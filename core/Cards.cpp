#include <GL/glew.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <functional>
#include <string>

#include "core/Game.h"
#include "framework/Screen.h"
#include "framework/Texture.h"
#include "highscore/TextCard.h"
#include "platform/Clock.h"

namespace {

using namespace cardcolour;

constexpr uint32_t kVolumeShownMs = 1500;

std::string keyOf(const Settings& s, Action a) { return input::keyName(s.key(a)); }

}  // namespace

// Fixed function, blended, over the picture, in its -1..1 coordinates; every state restored.
void Game::drawBlendedOverlay(const std::function<void()>& draw) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUseProgram(0);
    screen::beginOverlay();
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_COLOR_LOGIC_OP);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    draw();
    screen::endOverlay();
    glUseProgram(static_cast<GLuint>(program));
    glPopAttrib();
}

void Game::drawCard(CardSlot& slot, const TextCard& card, float x, float y, float w, float h, float alpha) {
    // At the picture's own resolution, so the letters stay sharp in a large window.
    const float scale = pictureScale();
    const int widthPx = std::max(1, static_cast<int>(w * scale + 0.5f));
    const int heightPx = std::max(1, static_cast<int>(h * scale + 0.5f));
    const std::string key = card.key() + "@" + std::to_string(widthPx) + "x" + std::to_string(heightPx);
    if (slot.key != key || !slot.texture) {
        const std::vector<unsigned char> pixels = card.render(widthPx, heightPx);
        if (pixels.empty()) return;
        delete slot.texture;
        TextureLoader loader;
        slot.texture = loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, widthPx, heightPx, GL_RGBA, GL_UNSIGNED_BYTE,
                                            GL_LINEAR, true, false, true, pixels.data());
        slot.key = key;
    }

    Texture* texture = slot.texture;
    drawBlendedOverlay([texture, x, y, w, h, alpha] {
        texture->bind(GL_TEXTURE_2D, 0);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor4f(1, 1, 1, alpha);
        const float x0 = x / 400.0f - 1, x1 = (x + w) / 400.0f - 1;
        const float y0 = 1 - y / 300.0f, y1 = 1 - (y + h) / 300.0f;
        // The layer's rows run from the top.
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(x0, y0);
        glTexCoord2f(0, 1), glVertex2f(x0, y1);
        glTexCoord2f(1, 1), glVertex2f(x1, y1);
        glTexCoord2f(1, 0), glVertex2f(x1, y0);
        glEnd();
    });
}

void Game::drawPauseScreen() {
    // The frozen flight, dimmed.
    drawBlendedOverlay([] {
        glColor4f(0, 0, 0, 0.55f);
        glRectf(-1, -1, 1, 1);
    });

    if (isReplaying()) {
        TextCard card(500, 220);
        card.panel(4, 4, 496, 216, kPanel, kBorder);
        card.text("Replay paused", 250, 66, 30, kGold, TextCard::Centre);
        const std::string rows[][2] = {{"P", "resume"}, {"F or Right", "fast forward"}, {"Esc or Q", "stop the replay"}};
        for (int i = 0; i < 3; ++i) {
            card.text(rows[i][0], 235, 120 + i * 30, 15, kKey, TextCard::Right);
            card.text(rows[i][1], 255, 120 + i * 30, 15, kBody);
        }
        drawCard(pauseCard, card, 150, 190, 500, 220);
        return;
    }
    TextCard card(500, 330);
    card.panel(4, 4, 496, 326, kPanel, kBorder);
    card.text("Paused", 250, 70, 34, kGold, TextCard::Centre);
    std::string resume = keyOf(settings, Action::Pause);
    if (settings.key(Action::Pause) != input::kPauseKey) resume += ", Pause";
    resume += ", Esc";
    if (gamepadPresent) resume += ", Start";
    const std::string rows[][2] = {
        {resume, "resume"},
        {"E", "end this flight"},
        {"Q", "quit the game"},
        {keyOf(settings, Action::Left) + " " + keyOf(settings, Action::Right), "steer"},
        {keyOf(settings, Action::Jump) + " / " + keyOf(settings, Action::Sink), "jump / sink"},
        {keyOf(settings, Action::Fire), "fire"},
        {"F11 or Alt+Enter", "fullscreen"},
        {"- +   [ ]   0", "music, effects, mute"},
    };
    for (int i = 0; i < 8; ++i) {
        const double y = 112 + i * 26;
        card.text(rows[i][0], 235, y, 14, kKey, TextCard::Right);
        card.text(rows[i][1], 255, y, 14, kBody);
    }
    drawCard(pauseCard, card, 150, 135, 500, 330);
}

void Game::drawSettingsScreen() {
    TextCard card;
    card.panel(110, 40, 690, 580, kScreenPanel, kBorder);
    card.text("Settings", 400, 92, 30, kGold, TextCard::Centre);
    const std::vector<SettingsMenu::Line> lines = settingsMenu.lines(settings);
    for (size_t i = 0; i < lines.size(); ++i) {
        // The keys, the render scale with the grade, and the way back each a group of their own.
        const int gaps = (i >= SettingsMenu::kFirstKeyRow) + (i >= SettingsMenu::kRenderScaleRow) + (i >= SettingsMenu::kBackRow);
        const double y = 128 + i * 25 + gaps * 8;
        const bool chosen = static_cast<int>(i) == settingsMenu.selected();
        if (chosen) card.panel(140, y - 20, 660, y + 7, 0xffffff30, 0);
        card.text(lines[i].label, 170, y, 14, chosen ? kGold : kBody);
        card.text(lines[i].value, 630, y, 14, kKey, TextCard::Right);
    }
    const std::string& note = !settingsMenu.note().empty() ? settingsMenu.note() : settingsProblem;
    if (!note.empty()) card.text(note, 400, 528, 11, settingsMenu.note().empty() ? kRed : kGold, TextCard::Centre);
    card.text("Up Down: choose   Left Right: change   Enter: set or bind   B: back", 400, 558, 11, kBody,
              TextCard::Centre);
    drawCard(settingsCard, card, 0, 0, 800, 600);
}

void Game::drawVolumeLine() {
    if (volumeText.empty() || timeGetTime() - volumeShownAt > kVolumeShownMs) return;
    TextCard card(300, 50);
    card.panel(2, 2, 298, 48, kPanel, kBorder);
    card.text(volumeText, 150, 33, 15, kBody, TextCard::Centre);
    drawCard(volumeCard, card, 250, 20, 300, 50);
}

// The three lines in the name-entry picture's box, set smaller where a long name needs it, so
// that they stay inside the box at any window size.
void Game::drawNameEntryLines() {
    TextCard card(380, 120);
    const std::string lines[3] = {"Your score: " + std::to_string(flightState.score),
                                  "Your rank: " + std::to_string(highscoreRank),
                                  "Enter Name: " + highscoreTable.getName() + "_"};
    for (int i = 0; i < 3; ++i) card.text(lines[i], 22, 36 + i * 32, 17, i == 2 ? kKey : kBody, TextCard::Left, 340);
    drawCard(nameCard, card, 290, 310, 380, 120);
}

// A save that failed, above the table in red, as long as the table shows.
void Game::drawSaveFailureLine() {
    if (highscoreSaveFailure.empty()) return;
    TextCard card(520, 30);
    card.text(highscoreSaveFailure, 260, 22, 15, 0xff2020ff, TextCard::Centre, 510);
    drawCard(failureCard, card, 140, 192, 520, 30);
}

// A player who paused the music with M, and went on to another screen, is told it is off.
void Game::drawMusicNote() {
    if (!sound.isMusicPaused()) return;
    TextCard card(200, 36);
    card.panel(2, 2, 198, 34, kPanel, kBorder);
    card.text("Music paused (M)", 100, 24, 13, kBody, TextCard::Centre);
    drawCard(noteCard, card, 588, 12, 200, 36);
}

void Game::drawTitleKeys() {
    // The flight keys as the player has bound them, in the panel's right column, and under them
    // the grade the next flight is played at.
    TextCard card(800, 200);
    const std::string rows[][2] = {
        {keyOf(settings, Action::Left) + "  " + keyOf(settings, Action::Right), "steer"},
        {keyOf(settings, Action::Jump), "jump"},
        {keyOf(settings, Action::Sink), "sink"},
        {keyOf(settings, Action::Fire) + " or F7", "fire"},
        {keyOf(settings, Action::Pause) + (settings.key(Action::Pause) != input::kPauseKey ? " or Pause" : ""), "pause"},
    };
    for (int i = 0; i < 5; ++i) {
        const double y = 44 + i * 21;
        card.text(rows[i][0], 560, y, 14, kKey, TextCard::Right);
        card.text(rows[i][1], 577, y, 14, kBody);
    }
    card.text("G", 560, 155, 14, kKey, TextCard::Right);
    card.text(std::string("grade: ") + gradeName(settings.grade), 577, 155, 14, kGold);
    if (gamepadPresent) {
        card.text("Gamepad: stick steers, " + std::to_string(settings.padJump) + " jumps, " + std::to_string(settings.padFire) +
                      " fires, " + std::to_string(settings.padStart) + " starts, pauses",
                  420, 178, 11, kBody);
    }
    drawCard(titleKeysCard, card, 0, 400, 800, 200);
}

// A damaged settings file or a failed save, over the top of the title: the player may never
// open the settings screen that says it too.
void Game::drawSettingsNote() {
    if (settingsProblem.empty()) return;
    // The file by its name: its folder would not fit.
    std::string line = settingsProblem;
    const std::string& path = playerFiles.settings;
    if (line.find(path) != std::string::npos) line.replace(line.find(path), path.size(), path.substr(path.rfind('/') + 1));
    const std::string::size_type split = line.find("; ");
    const std::string parts[2] = {line.substr(0, split), split == std::string::npos ? "" : line.substr(split + 2)};
    TextCard note(800, 60);
    note.panel(60, 6, 740, 56, kPanel, 0);
    for (int i = 0; i < 2; ++i)
        note.text(parts[i], 400, 26 + i * 20, std::min(12.0, 780.0 / std::max<size_t>(1, parts[i].size())), kRed,
                  TextCard::Centre);
    // Below the music note when that shows.
    drawCard(settingsNoteCard, note, 0, sound.isMusicPaused() ? 50 : 0, 800, 60);
}
