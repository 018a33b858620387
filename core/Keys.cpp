#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "core/Game.h"
#include "highscore/HighscorePicture.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"
#include "objects/Spaceship.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"

namespace {

bool isNameCharacter(unsigned char key) {
    return std::isalnum(key) || key == ' ' || key == '_' || key == '-';
}

}  // namespace

void Game::keyboard(unsigned char key, int, int) {
    titleSince = timeGetTime();
    // Any key ends the demo, and does nothing else.
    if (demoRunning) {
        endDemo();
        glutPostRedisplay();
        return;
    }
    // Name entry.
    if (state == EnterName) {
        if (key < 128 && isNameCharacter(key)) {
            highscoreTable.appendToName(std::string(1, static_cast<char>(key)));
        } else if (key == 8) {
            highscoreTable.removeLastChar();
        } else if (key == 13) {
            if (!highscoreTable.getName().empty()) {
                highscoreSaveFailure = HighscorePicture::commitAndRender(highscoreTable, highscoreStore()).playerMessage();
                reloadHighscoreImage();
            }
        }
    }
    // While a name is typed, "q", "m" and the space bar are letters of it, not commands.
    const bool typingName = state == EnterName;

    if (state == Credits && key == 'b') state = Title;
    if (state == Title && key == 'c') state = Credits;
    if (state == Title || state == Highscore) {
        if (key == 'm') {
            state = Title;
        } else if (key == 's') {
            newGame();
        }
    }

    if (key == 27 || (key == 'q' && !typingName)) std::exit(0);
    if (key == ' ' && !typingName) fire();
    if (key == 'm' && !typingName) toggleMusicPause();

    glutPostRedisplay();
}

void Game::keyboardUp(unsigned char, int, int) {}

void Game::special(int key, int, int) {
    // The frame rate on any screen; a viewer's key, so the demo and the title's wait go on.
    if (key == GLUT_KEY_F10) {
        fpsOverlay.toggle();
        return;
    }
    titleSince = timeGetTime();
    if (demoRunning) {
        endDemo();
        return;
    }
    if (state == Title || state == Highscore) {
        if (key == GLUT_KEY_INSERT) newGame();
        return;
    }
    if (state != Playing || !ship) return;

    switch (key) {
        case GLUT_KEY_LEFT:
            session.leftHeld = true;
            break;
        case GLUT_KEY_RIGHT:
            session.rightHeld = true;
            break;
        case GLUT_KEY_UP:
            if (ship->getMotionState() != Jumping) {
                playEffectSound(jumpSound, false);
                ship->addVelocity(0, config.steerRate * 1.75f, 0);
                ship->setMotionState(Jumping);
            }
            break;
        case GLUT_KEY_DOWN:
            if (ship->getMotionState() == Jumping || ship->getMotionState() == Airborne)
                ship->addVelocity(0, -config.steerRate, 0);
            break;
        case GLUT_KEY_F1:
            world.addObject(new Asteroid(1.5f), false);
            break;
        case GLUT_KEY_F4:
            world.addObject(new PowerUp(), false);
            break;
        case GLUT_KEY_F8:
            world.addObject(new BulletPowerUp(), false);
            break;
        case GLUT_KEY_F2:
            onShipHit();
            break;
        case GLUT_KEY_F3:
            nextEffectGroup();
            break;
        case GLUT_KEY_F6:
            glutLeaveGameMode();
            break;
        case GLUT_KEY_F7:
            fire();
            break;
        case GLUT_KEY_F12:
            std::exit(0);
        default:
            break;
    }
}

void Game::specialUp(int key, int, int) {
    if (state != Playing || demoRunning) return;
    if (key == GLUT_KEY_LEFT) session.leftHeld = false;
    if (key == GLUT_KEY_RIGHT) session.rightHeld = false;
}

void Game::fire() {
    if (bulletCount <= 0 || !ship) return;
    bulletCount -= 1;
    playEffectSound(fireSound, true);

    Bullet* bullet = new Bullet();
    const float3 p = ship->getPosition();
    bullet->setPosition(p.x, p.y, p.z - 0.3f);
    bullet->setVelocity(0, 0, -0.01f);
    world.addToActive(bullet);
}
