#include <GL/glew.h>
#include <GL/freeglut.h>
#include <IL/il.h>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroup.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"
#include "framework/Texture.h"
#include "highscore/HighscoreStore.h"
#include "objects/Spaceship.h"
#include "platform/ReadFile.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"

namespace {

// Drawn when there is no group (before the first game): the defaults.
const StyleLook kPlainLook{};

}  // namespace

void Game::display() {
    advancePlaylist();
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
            drawPlayingFrame();
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

void Game::nextEffectGroup() {
    if (demoRunning) return;  // the demo's schedule chooses its styles, not the stars it takes
    advanceStyle();
}

void Game::advanceStyle() {
    EffectGroup*& group = session.currentEffectGroup;
    if (!group) return;
    if (group->getNext()) {
        group = group->getNext();
        session.scoreMultiplier += 1;
        scorePanel.updateScoreImage(session.score, true, group->getTitle());
    }
    if (!group->getNext() && ship) ship->finalGroupReached = true;
}

void Game::onShipHit() {
    // The demo flies on through a hit: no style lost, no game over, the table never touched.
    if (demoRunning) return;
    EffectGroup*& group = session.currentEffectGroup;
    if (group && group->getPrevious()) {
        group = group->getPrevious();
        session.scoreMultiplier -= 1;
        scorePanel.updateScoreImage(session.score, true, group->getTitle());
        return;
    }

    // A hit in the first group ends the game.
    highscoreSaveFailure.clear();
    if (state != Highscore && session.score > 0) {
        highscoreStore().load(highscoreTable);
        session.highscoreRank = highscoreTable.computeRank(session.score);
        state = EnterName;
    } else if (session.score == 0) {
        reloadHighscoreImage();
    }
    if (state != EnterName) state = Highscore;
    display();
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

void Game::drawPlayingFrame() {
    EffectGroup* group = session.currentEffectGroup;
    const StyleLook& look = group ? group->getLook() : kPlainLook;

    // The frame reads heights under the objects and the sign alone.
    renderTerrainPositionsUnder(world.heightQueryPoints());
    world.updateHeights(heightQuery, topDownCamera);
    if (group) group->activate();

    // The occlusion groups switch the effect on in their activate and off in their deactivate;
    // its passes run once, in composite below.
    const bool ssaoActive = ssao && ssao->isActive();
    if (ssaoActive) {
        ssao->beginGeometryPass(look.occlusionOnly);
    } else if (look.normalView && ssao) {
        ssao->beginNormalPass();
    }

    glClearColor(look.clearColour[0], look.clearColour[1], look.clearColour[2], look.clearColour[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    chaseCamera.apply();
    // The same light in every style, whichever styles came before.
    placeWorldLight();

    // Again, now that the camera matrix is in place.
    if (!ssaoActive && !look.normalView && group) group->activate();

    if (look.sunriseTint)
        glColor4f(1, 1, 1, 1);
    else if (ssaoActive)
        glColor4f(0, 0, 0, 1);

    // The outline pass clears the frame and draws the scene itself.
    if (!look.outlines)
        drawScenery(look, SceneryPass{look.skyNormal, look.terrainShader, look.terrainFog, look.terrainMode}, ssaoActive);

    if (look.normalView && ssao) {
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

    if (look.outlines) drawOutlinePass(look);

    beginOverlay();
    if (ssaoActive) {
        ssao->setOnlySSAO(look.occlusionOnly);
        ssao->composite();
    }
    if (group) group->deactivate();
    drawEffectGroupLabel();
    drawBulletDots();
    scorePanel.drawScoreImage();
    endOverlay();
    if (demoRunning && !timedemoRunning) drawDemoLine();  // no key ends the timedemo

    if (look.normalView) glClear(GL_DEPTH_BUFFER_BIT);
    world.drawSign(session.firstSignShown, session.secondSignShown);
    world.drawArrows();

    if (ssao && ssao->isActive())
        glColor4f(0, 0, 0, 1);
    else
        glColor4f(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    if (soundSystem) soundSystem->update();
}

// Objects, then the terrain, the sea and the sky: nearest first, so that the depth test spares
// the shading of everything the terrain hides. Each is drawn in the state it had when the sky
// came right after the objects and the terrain last: the sky in what the objects leave (colour
// and material), the sea in the sky's colour, the terrain in the sea's picture and material.
void Game::drawScenery(const StyleLook& look, const SceneryPass& pass, bool ssaoActive) {
    EffectGroup* group = session.currentEffectGroup;
    EffectContext& context = effectContext();
    world.drawObjects();

    float objectColour[4], objectDiffuse[2][4];
    glGetFloatv(GL_CURRENT_COLOR, objectColour);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, objectDiffuse[0]);
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, objectDiffuse[1]);
    // The group activated again with one of the pass flags its effects read on activation.
    auto activateWith = [group](bool& flag, bool value) {
        flag = value;
        if (group) group->activate();
    };

    if (look.funkySea) activateWith(context.funkyPassFlag, true);
    world.useSeaSurface(look);
    if (ssaoActive)
        glColor4f(1, 1, 1, 1);
    else if (look.sunriseTint)
        glColor4f(1, 0.5f, 0, 1);
    world.drawTerrain(pass.terrainShader, pass.terrainFog, pass.terrainMode);
    // The terrain's own program ends with it; the sea and the sky are the group's.
    if (pass.terrainShader && !ssaoActive && !look.normalView && group) group->activate();

    glColor4fv(objectColour);
    if (look.sunriseTint) glColor4f(1, 0.5f, 0, 1);
    if (look.funkySea) activateWith(context.funkyPassFlag, false);
    world.drawSea(look);

    glColor4fv(objectColour);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, objectDiffuse[0]);
    glMaterialfv(GL_BACK, GL_DIFFUSE, objectDiffuse[1]);
    if (look.funkySea) activateWith(context.funkyPassFlag, true);
    if (look.backdropPass) activateWith(context.backdropPass, true);
    world.drawSky(pass.skyNormal.x, pass.skyNormal.y, pass.skyNormal.z, look);
    if (look.backdropPass) activateWith(context.backdropPass, false);
}

// Black frame, the scene filled, then its back faces as thick dark lines: outlines remain.
void Game::drawOutlinePass(const StyleLook& look) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT, GL_FILL);
    glDepthFunc(GL_LESS);
    glCullFace(GL_BACK);

    drawScenery(look, SceneryPass{float3{0, 0, 1}, true, false, Desert}, false);

    glLineWidth(7);
    glPolygonMode(GL_BACK, GL_LINE);
    glPolygonOffset(0.5f, 0);
    // Pushed back a little: edges shared with a filled face stay behind it, only the rims show.
    glEnable(GL_POLYGON_OFFSET_LINE);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_FRONT);
    glColor4f(0.2f, 0.2f, 0.2f, 1);
    glDisable(GL_LIGHTING);  // the lines keep their dark grey instead of being lit by the sun

    world.drawObjects();

    glDisable(GL_TEXTURE_2D);
    glLineWidth(4);
    world.drawTerrain(false, false, Untextured);

    glDisable(GL_POLYGON_OFFSET_LINE);
    glPopAttrib();
}
