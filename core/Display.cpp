#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstring>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "framework/Texture.h"
#include "highscore/HighscoreStore.h"
#include "objects/Spaceship.h"
#include "platform/audio/Audio.h"
#include "terrain/TerrainMode.h"

namespace {

bool named(const EffectGroup* group, const char* name) {
    return group && group->getName() && std::strcmp(group->getName(), name) == 0;
}

}  // namespace

void Game::display() {
    advancePlaylist();

    switch (state) {
        case Title:
            glColor3f(1, 1, 1);
            drawFullScreenImage(titleTexture);
            break;
        case Playing:
            drawPlayingFrame();
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

    glutSwapBuffers();
    glutPostRedisplay();
}

void Game::nextEffectGroup() {
    if (!currentEffectGroup) return;
    if (currentEffectGroup->getNext()) {
        currentEffectGroup = currentEffectGroup->getNext();
        scoreMultiplier += 1;
        scorePanel.updateScoreImage(score, true, currentEffectGroup->getTitle());
    }
    if (!currentEffectGroup->getNext() && ship) ship->finalGroupReached = true;
}

void Game::onShipHit() {
    if (currentEffectGroup && currentEffectGroup->getPrevious()) {
        currentEffectGroup = currentEffectGroup->getPrevious();
        scoreMultiplier -= 1;
        scorePanel.updateScoreImage(score, true, currentEffectGroup->getTitle());
        return;
    }

    // A hit in the first group ends the game.
    highscoreSaveFailure.clear();
    if (state != Highscore && score > 0) {
        HighscoreStore().load(highscoreTable);
        highscoreRank = highscoreTable.computeRank(score);
        state = EnterName;
    } else if (score == 0) {
        reloadHighscoreImage();
    }
    if (state != EnterName) state = Highscore;
    display();
}

void Game::reloadHighscoreImage() {
    delete highscoreTexture;
    highscoreTexture = nullptr;
    TextureLoader loader;
    highscoreTexture = loader.loadTexture("highscore.png", GL_TEXTURE_2D);
    state = Highscore;
}

void Game::drawPlayingFrame() {
    EffectGroup* group = currentEffectGroup;
    const bool blueGreen = named(group, "Blue/Green Shader");
    const bool normal = named(group, "Normal Shader");
    const bool standard = named(group, "Standard Shader");
    const bool sunny = named(group, "Sunny Shader");
    const bool funky = named(group, "Funky Shader");
    const bool backdropGroup = standard || sunny;

    renderTerrainPositions();
    world.updateHeights();
    if (group) group->activate();

    // The SSAO groups switch the effect on in their activate and off in their deactivate.
    const bool ssaoActive = ssao && ssao->isActive();
    if ((ssaoActive || normal) && ssao) ssao->beginGeometryPass();

    if (ssaoActive)
        glClearColor(0.9f, 0.2f, 0.2f, 0);
    else if (blueGreen)
        glClearColor(1.0f, 0.95f, 0.7f, 0);
    else if (normal)
        glClearColor(0.8f, 1.0f, 0.1f, 0);
    else if (standard)
        glClearColor(0.1f, 0.7f, 1.0f, 0);
    else if (named(group, "Phong Shader"))
        glClearColor(0.5f, 0.8f, 1.0f, 0);
    else if (named(group, "Toon Shader"))
        glClearColor(0.9f, 0.8f, 1.0f, 0);
    else if (named(group, "Pure"))
        glClearColor(0.7f, 0.8f, 1.0f, 0);
    else
        glClearColor(0.9f, 0.9f, 1.0f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    chaseCamera.apply();

    // Again, now that the camera matrix is in place.
    if (!ssaoActive && !normal && group) group->activate();

    if (blueGreen)
        glColor4f(1, 1, 1, 1);
    else if (ssaoActive)
        glColor4f(0, 0, 0, 1);

    world.drawObjects();

    if (backdropGroup) {
        backdropPass = true;
        group->activate();
    }
    if (named(group, "Toon Shader") || named(group, "Black&White"))
        world.drawSky(0.1f, 0.5f, 0.25f);
    else if (normal)
        world.drawSky(0, 0, 1);
    else
        world.drawSky(0.1f, 0.5f, 0);
    if (backdropGroup) {
        backdropPass = false;
        group->activate();
    } else if (funky) {
        funkyPassFlag = false;
        group->activate();
    }

    world.drawSea();

    if (funky) {
        funkyPassFlag = true;
        group->activate();
    }

    if (ssaoActive)
        glColor4f(1, 1, 1, 1);
    else if (blueGreen)
        glColor4f(1, 0.5f, 0, 1);

    if (standard)
        world.drawTerrain(true, false, Untextured);
    else if (named(group, "Phong Shader"))
        world.drawTerrain(true, true, Winter);
    else if (sunny)
        world.drawTerrain(true, false, Beach);
    else
        world.drawTerrain(false, false, Untextured);

    if (normal && ssao) {
        ssao->endGeometryPass();
        beginOverlay();
        if (normalShader) normalShader->drawBlurred(ssao->getNormalTexture());
        endOverlay();
    }

    if (ssaoActive) {
        ssao->endGeometryPass();
        glClearColor(0, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        chaseCamera.apply();
    }

    if (named(group, "Pure")) drawOutlinePass();

    beginOverlay();
    if (ssaoActive) {
        // Only the "SSAO only" group follows "Black&White": it shows the occlusion alone.
        ssao->setOnlySSAO(named(group->getPrevious(), "Black&White"));
        ssao->activate();
    }
    if (group) group->deactivate();
    drawEffectGroupLabel();
    drawBulletDots();
    scorePanel.drawScoreImage();
    endOverlay();

    if (ship) {
        if (score > config.firstScoreThreshold - 250 && !firstSignShown) {
            world.signPosition = float3{-6, 0, ship->getPosition().z - 30};
            firstSignShown = true;
        } else if (score > config.secondScoreThreshold - 250 && !secondSignShown) {
            world.signPosition = float3{-6, 0, ship->getPosition().z - 30};
            secondSignShown = true;
        }
    }

    if (normal) glClear(GL_DEPTH_BUFFER_BIT);
    world.drawSign(firstSignShown, secondSignShown);
    world.drawArrows();

    if (ssao && ssao->isActive())
        glColor4f(0, 0, 0, 1);
    else
        glColor4f(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    if (soundSystem) soundSystem->update();
}

// Black frame, the scene filled, then its back faces as thick dark lines: outlines remain.
void Game::drawOutlinePass() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT, GL_FILL);
    glDepthFunc(GL_LESS);
    glCullFace(GL_BACK);

    world.drawObjects();
    world.drawSky(0, 0, 1);
    world.drawSea();
    world.drawTerrain(true, false, Desert);

    glLineWidth(7);
    glPolygonMode(GL_BACK, GL_LINE);
    glPolygonOffset(0.5f, 0);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_FRONT);
    glColor4f(0.2f, 0.2f, 0.2f, 1);

    world.drawObjects();

    glDisable(GL_TEXTURE_2D);
    glLineWidth(4);
    world.drawTerrain(false, false, Untextured);

    glDisable(GL_POLYGON_OFFSET_LINE);
    glPopAttrib();
}
