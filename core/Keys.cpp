#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "core/Game.h"
#include "platform/Clock.h"

namespace {

bool isNameCharacter(unsigned char key) {
    return std::isalnum(key) || key == ' ' || key == '_' || key == '-';
}

}  // namespace

void Game::keyboard(unsigned char key, int, int) {
    titleSince = timeGetTime();
    // Any key ends the demo, and does nothing else.
    if (isDemoRunning()) {
        endDemo();
        glutPostRedisplay();
        return;
    }
    // The flight's last moment is watched, not played: a held fire key or a hasty Escape
    // must not skip it or pause a flight that is already over.
    if (state == Playing && ending) return;
    if (key == 13 && (glutGetModifiers() & GLUT_ACTIVE_ALT)) {
        toggleFullscreen();
        return;
    }
    // A replay is watched: it pauses, runs four times as fast, or stops; the rest is sound.
    if (isReplaying()) {
        const int code = input::normalKey(key);
        if (key == 27 || key == 'q') {
            endPlayback(true);
        } else if (code == 'p' || actionForKey(settings, code) == static_cast<int>(Action::Pause)) {
            togglePause();
        } else if (code == 'f') {
            fastForward = !fastForward;
        } else if (!volumeKey(code) && code == 'm') {
            sound.toggleMusicPause();
        }
        glutPostRedisplay();
        return;
    }
    if (state == ReplaysScreen) {
        replaysKey(input::normalKey(key));
        return;
    }
    if (state == StatisticsScreen) {
        statisticsKey(input::normalKey(key));
        return;
    }
    // The card goes at any key but the quit keys; before a first flight, the flight follows.
    if (showingHelp && key != 27 && key != 'q') {
        showingHelp = false;
        if (startAfterHelp) newGame();
        glutPostRedisplay();
        return;
    }
    if (state == SettingsScreen) {
        settingsKey(input::normalKey(key));
        return;
    }
    const int code = input::normalKey(key);
    if (paused) {
        // The pause panel: resume, end this flight (its score goes on to the table), or quit.
        if (key == 'q') std::exit(0);
        if (key == 27 || actionForKey(settings, code) == static_cast<int>(Action::Pause)) resume();
        if (code == 'e') {
            resume();
            inputs.press(Input::EndFlight);
        }
        volumeKey(code);
        glutPostRedisplay();
        return;
    }
    // In flight no key throws the flight away: Escape and "q" pause it, and the pause panel
    // offers to end it or to quit.
    if (state == Playing && (key == 27 || key == 'q')) {
        pause();
        return;
    }
    if (state == EnterName) nameKey(key);
    // While a name is typed, "q", "m", the volume keys and the flight keys are letters of it.
    const bool typingName = state == EnterName;

    if (state == Credits && key == 'b') state = Title;
    if (state == Title && key == 'c') state = Credits;
    if (state == Title && key == 'o') openSettings();
    if (state == Title && key == 'h') showHowToPlay(false);
    if ((state == Title || state == Highscore) && code == 'g') cycleGrade();
    if (state == Title && key == 'r') {
        openReplays();
        return;
    }
    if (state == Title && key == 'd') {
        startDaily();
        return;
    }
    if ((state == Title || state == Highscore) && code == 't') {
        openStatistics();
        return;
    }
    if (state == Title || state == Highscore) {
        if (key == 'm') {
            state = Title;
        } else if (key == 's') {
            showHowToPlay(true);
        }
    }

    if (key == 27 || (key == 'q' && !typingName)) std::exit(0);
    if (!typingName) {
        if (state == Playing) pressAction(actionForKey(settings, code));
        volumeKey(code);
        if (key == 'm') sound.toggleMusicPause();
    }

    glutPostRedisplay();
}

void Game::nameKey(unsigned char key) {
    if (key < 128 && isNameCharacter(key)) {
        highscoreTable.appendToName(std::string(1, static_cast<char>(key)));
    } else if (key == 8) {
        highscoreTable.removeLastChar();
    } else if (key == 13 && !highscoreTable.getName().empty()) {
        saveScore();
    }
}

void Game::keyboardUp(unsigned char key, int, int) {
    if (state == Playing && !isDemoRunning()) releaseAction(actionForKey(settings, input::normalKey(key)));
}

void Game::special(int key, int, int) {
    // The frame rate on any screen; a viewer's key, so the demo and the title's wait go on.
    if (key == GLUT_KEY_F10) {
        fpsOverlay.toggle();
        const Settings before = settings;
        settings.fpsOverlay = fpsOverlay.isShown();
        applySettings(before);
        return;
    }
    if (key == GLUT_KEY_F11) {
        toggleFullscreen();
        return;
    }
    titleSince = timeGetTime();
    if (isDemoRunning()) {
        endDemo();
        return;
    }
    if (state == Playing && ending) return;
    const int code = input::kSpecial + key;
    if (isReplaying()) {
        if (key == GLUT_KEY_RIGHT) fastForward = !fastForward;
        if (actionForKey(settings, code) == static_cast<int>(Action::Pause)) togglePause();
        glutPostRedisplay();
        return;
    }
    if (state == ReplaysScreen) {
        replaysKey(code);
        return;
    }
    if (state == SettingsScreen) {
        settingsKey(code);
        return;
    }
    if (paused) {
        if (actionForKey(settings, code) == static_cast<int>(Action::Pause)) resume();
        if (key == GLUT_KEY_F12) resume();
        return;
    }
    if (showingHelp) {
        showingHelp = false;
        if (startAfterHelp) newGame();
        return;
    }
    if (state == Title || state == Highscore) {
        if (key == GLUT_KEY_INSERT) showHowToPlay(true);
        return;
    }
    if (state != Playing) return;

    // A bound key does its action, before any test key of the same name.
    const int action = actionForKey(settings, code);
    if (action >= 0) {
        pressAction(action);
        return;
    }
    switch (key) {
        case GLUT_KEY_F1:
            inputs.press(Input::TestAsteroid);
            break;
        case GLUT_KEY_F4:
            inputs.press(Input::TestStarPowerUp);
            break;
        case GLUT_KEY_F8:
            inputs.press(Input::TestBulletPowerUp);
            break;
        case GLUT_KEY_F2:
            inputs.press(Input::TestHit);
            break;
        case GLUT_KEY_F3:
            inputs.press(Input::TestStar);
            break;
        case GLUT_KEY_F6:
            glutLeaveGameMode();
            break;
        case GLUT_KEY_F7:
            inputs.press(Input::Fire);
            break;
        case GLUT_KEY_F12:
            pause();
            break;
        default:
            break;
    }
}

void Game::specialUp(int key, int, int) {
    if (state != Playing || isDemoRunning()) return;
    releaseAction(actionForKey(settings, input::kSpecial + key));
}

void Game::pressAction(int action) {
    if (action < 0 || state != Playing) return;
    switch (static_cast<Action>(action)) {
        case Action::Left:
            inputs.hold(Input::Left, true);
            break;
        case Action::Right:
            inputs.hold(Input::Right, true);
            break;
        case Action::Jump:
            inputs.press(Input::Jump);
            break;
        case Action::Sink:
            inputs.press(Input::Sink);
            break;
        case Action::Fire:
            inputs.press(Input::Fire);
            break;
        case Action::Pause:
            togglePause();
            break;
    }
}

// Releases count while paused too: a key let go during the pause no longer steers after it.
void Game::releaseAction(int action) {
    if (action == static_cast<int>(Action::Left)) inputs.hold(Input::Left, false);
    if (action == static_cast<int>(Action::Right)) inputs.hold(Input::Right, false);
}

void Game::joystick(unsigned int buttons, int x, int y, int) {
    gamepadPresent = true;
    const Gamepad::Change change = gamepad.update(buttons, x, y);
    const bool start = Gamepad::has(change.pressed, settings.padStart);
    if (change.pressed || change.steerChanged) titleSince = timeGetTime();
    if (isDemoRunning()) {
        if (change.pressed) endDemo();
        return;
    }
    if (start) {
        if (showingHelp) {
            showingHelp = false;
            if (startAfterHelp) newGame();
            return;
        }
        if (state == Title || state == Highscore) {
            showHowToPlay(true);
            return;
        }
        if (state == Playing) {
            togglePause();
            return;
        }
        if (state == Credits || state == SettingsScreen) state = Title;
        return;
    }
    if (state != Playing || paused || isReplaying()) return;
    if (change.steerChanged) {
        inputs.hold(Input::Left, change.steer < 0);
        inputs.hold(Input::Right, change.steer > 0);
    }
    if (Gamepad::has(change.pressed, settings.padJump)) pressAction(static_cast<int>(Action::Jump));
    if (Gamepad::has(change.pressed, settings.padFire)) pressAction(static_cast<int>(Action::Fire));
    if (change.sinkPressed) pressAction(static_cast<int>(Action::Sink));
}

void Game::showHowToPlay(bool start) {
    // Shown by itself once, before a player's first flight; after that only when asked for.
    if (start && settings.howToPlaySeen) {
        newGame();
        return;
    }
    if (start) {
        const Settings before = settings;
        settings.howToPlaySeen = true;
        applySettings(before);
    }
    state = Title;
    showingHelp = true;
    startAfterHelp = start;
    glutPostRedisplay();
}
