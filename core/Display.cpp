#include <GL/glew.h>
#include <GL/freeglut.h>
#include <IL/il.h>

#include <chrono>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "framework/Texture.h"
#include "highscore/HighscoreStore.h"
#include "platform/Clock.h"
#include "platform/ReadFile.h"

Texture* Game::screenPicture() {
    const char* file = nullptr;
    switch (state) {
        case Playing: break;
        case Highscore: file = dailyShown ? config.titlePicture : nullptr; break;
        case Credits: file = config.creditsPicture; break;
        case EnterName: file = config.enterNamePicture; break;
        default: file = config.titlePicture; break;
    }
    if (state != Highscore) {
        delete highscoreTexture;
        highscoreTexture = nullptr;
    }
    if (!file) {
        shownPicture.reset();
        shownPictureFile.clear();
    } else if (shownPictureFile != file && config.textureLoader) {
        shownPicture.reset(config.textureLoader->loadPicture(file));
        shownPictureFile = file;  // one that does not load is not tried again at every frame
    }
    return shownPicture.get();
}

void Game::display() {
    lastDrawn = timeGetTime();
    updateEffectContext();
    beginFrame();
    Texture* const shown = screenPicture();
    // The title behind a panel of its own, dimmed.
    constexpr float kDimmed = 0.45f;
    auto dimmedTitle = [this, shown] {
        glColor3f(kDimmed, kDimmed, kDimmed);
        drawFullScreenImage(shown);
        glColor3f(1, 1, 1);
    };

    switch (state) {
        case Title:
            // After the first title frame, which shows as soon as it can, one style's warm-up
            // under each, out of sight, the next title frame asked for until all are done.
            if (titleFramesShown++ == 0 || warmUpStep()) glutPostRedisplay();
            glColor3f(1, 1, 1);
            if (showingHelp) glColor3f(kDimmed, kDimmed, kDimmed);  // the title behind the card
            drawFullScreenImage(shown);
            glColor3f(1, 1, 1);
            if (showingHelp) {
                drawHowToPlay();
            } else {
                drawTitleKeys();
                drawMusicNote();
                drawSettingsNote();
            }
            break;
        case SettingsScreen:
            dimmedTitle();
            drawSettingsScreen();
            break;
        case ReplaysScreen:
            dimmedTitle();
            drawReplaysScreen();
            break;
        case StatisticsScreen:
            dimmedTitle();
            drawStatisticsScreen();
            break;
        case Playing: {
            const uint32_t now = timeGetTime();
            FrameExtras extras;
            extras.hud = [this] { drawHud(flightState); };
            extras.scene = [this, now] {
                fx.drawScene(now);
                drawGhost();
            };
            fx.shake(now, &extras.shake[0], &extras.shake[1]);
            extras.shipHidden = fx.shipHidden();
            renderer.setSceneScale(renderScale.factor());
            // The score panel as it is at this step, not at the last half second.
            if (styleFrameDue) scorePanel.updateScoreImage(flightState.score, false, currentTitle());
            renderer.draw(flightState, extras);
            if (styleFrameDue) saveStyleFrame();  // the flight alone, before what a replay adds
            // No key ends the timedemo, so it says nothing about keys.
            if (isDemoRunning() && flightState.mode != FlightMode::Timedemo)
                drawDemoLines();
            else if (isReplaying())
                drawReplayLines();
            sound.update();
            if (paused) drawPauseScreen();
            break;
        }
        case Highscore:
            if (dailyShown) {
                dimmedTitle();
                drawDailyTable();
                drawMusicNote();
                break;
            }
            drawFullScreenImage(highscoreTexture);
            drawSaveFailureLine();
            drawGradeNote();
            drawMusicNote();
            break;
        case Credits:
            drawFullScreenImage(shown);
            break;
        case EnterName:
            drawFullScreenImage(shown);
            drawNameEntryLines();
            break;
        default:
            break;
    }

    drawVolumeLine();

    fpsOverlay.frameEnded(timeGetTime(), picture.width, picture.height, picture.x, picture.y);
    // Auto steers the scene's scale by the flight's frame times: from the end of one swap to the
    // start of the next, the frame's drawing finished first, so that a wait for the display's
    // refresh (vsync) counts as room, not as a long frame.
    const bool steering = state == Playing && !paused && renderScale.choice() == RenderScale::kAuto;
    if (steering) glFinish();
    const auto steadyMs = [] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    const double swapStartMs = steadyMs();
    glutSwapBuffers();
    if (steering) {
        if (lastSwapMs >= 0) renderScale.frameEnded(swapStartMs - lastSwapMs);
        lastSwapMs = steadyMs();
    } else {
        lastSwapMs = -1;
    }
    // A flight is drawn frame after frame; every other screen, and a paused flight, only when
    // something on it changes (idle asks for those frames).
    if (state == Playing && !paused) glutPostRedisplay();
}

HighscoreStore Game::highscoreStore(Grade grade) const {
    return HighscoreStore(std::string(), playerFiles.table, playerFiles.picture).forGrade(grade);
}

void Game::reloadHighscoreImage() {
    delete highscoreTexture;
    highscoreTexture = nullptr;
    // The picture may live outside the data folder (the player's own), so it is read by its path.
    files::ReadResult png = files::readRegularFile(highscoreStore(tableGrade).pictureFile(), files::kPictureLimit);
    // A grade's first table, before any score of it was saved: the empty one.
    if (tableGrade != Grade::Normal && png.status == files::ReadStatus::Missing)
        png = files::readRegularFile(paths::kInitialPicture, files::kPictureLimit);
    TextureLoader loader;
    if (png.ok())
        highscoreTexture = loader.loadPictureFromMemory(IL_PNG, png.data.data(), static_cast<unsigned int>(png.data.size()));
    state = Highscore;
}
