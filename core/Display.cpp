#include <GL/glew.h>
#include <GL/freeglut.h>
#include <IL/il.h>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "framework/Texture.h"
#include "highscore/HighscoreStore.h"
#include "platform/Clock.h"
#include "platform/ReadFile.h"

void Game::display() {
    sound.advancePlaylist(config.logger);
    // The title's idle time counts from the first title frame; a key starts it again.
    if (state != Title) {
        titleShown = false;
    } else if (!titleShown) {
        titleShown = true;
        titleSince = timeGetTime();
    } else if (demo::due(titleSince, timeGetTime())) {
        startDemo();
    }
    updateEffectContext();
    beginFrame();

    switch (state) {
        case Title:
            glColor3f(1, 1, 1);
            drawFullScreenImage(titleTexture);
            drawTitleKeys();
            break;
        case SettingsScreen:
            glColor3f(0.45f, 0.45f, 0.45f);  // the title behind the panel, dimmed
            drawFullScreenImage(titleTexture);
            glColor3f(1, 1, 1);
            drawSettingsScreen();
            break;
        case Playing:
            renderer.draw(flightState, [this] { drawHud(); });
            // No key ends the timedemo, so it says nothing about keys.
            if (flightState.mode == FlightMode::Demo) drawDemoLine();
            sound.update();
            if (paused) drawPauseScreen();
            break;
        case Highscore:
            drawFullScreenImage(highscoreTexture);
            drawSaveFailureLine();
            break;
        case Credits:
            drawFullScreenImage(creditsTexture);
            break;
        case EnterName:
            drawFullScreenImage(enterNameTexture);
            drawNameEntryLines();
            break;
        default:
            break;
    }

    drawVolumeLine();

    fpsOverlay.frameEnded(timeGetTime(), picture.width, picture.height, picture.x, picture.y);
    glutSwapBuffers();
    // A paused flight is drawn again only when something changes on it.
    const bool volumeShown = !volumeText.empty() && timeGetTime() - volumeShownAt <= 1600;
    if (!paused || volumeShown) glutPostRedisplay();
}

HighscoreStore Game::highscoreStore() const {
    return HighscoreStore(std::string(), playerFiles.table, playerFiles.picture);
}

void Game::reloadHighscoreImage() {
    delete highscoreTexture;
    highscoreTexture = nullptr;
    // The picture may live outside the data folder (the player's own), so it is read by its path.
    const files::ReadResult png = files::readRegularFile(playerFiles.picture, files::kPictureLimit);
    TextureLoader loader;
    if (png.ok())
        highscoreTexture = loader.loadTextureFromMemory(IL_PNG, png.data.data(), static_cast<unsigned int>(png.data.size()),
                                                        GL_TEXTURE_2D);
    state = Highscore;
}
