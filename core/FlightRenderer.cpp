#include "core/FlightRenderer.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/GameConfig.h"
#include "core/GameState.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroup.h"
#include "effects/EffectGroups.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"
#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "objects/GameObject.h"
#include "objects/ObjectDraw.h"
#include "terrain/TerrainShader.h"

namespace {

// Drawn when there is no style (before start-up): the defaults.
const StyleLook kPlainLook{};

}  // namespace

FlightRenderer::FlightRenderer() : ssao(nullptr), normalShader(nullptr) {}

FlightRenderer::~FlightRenderer() {
    if (widened) glDeleteTextures(1, &widened);
}

void FlightRenderer::create(const GameConfig& config, Logger* logger) {
    ssao = new SSAO();
    ssao->captureProjection();
    normalShader = new NormalShader();
    // The targets are made when a style first draws into them (fitTargets).
    targetSize[0] = config.windowWidth;
    targetSize[1] = config.windowHeight;

    rimProgram = std::make_unique<ShaderProgram>(logger);
    rimProgram->load("Shader/rim.vert", "Shader/rim.frag");

    std::printf("Effect Groups setup START\n");
    std::fflush(stdout);
    styles.clear();
    for (EffectGroup* g = createEffectGroups(ssao, normalShader); g; g = g->getNext()) styles.push_back(g);
    buildPrograms();
    std::printf("Effect Groups setup FINISHED\n");
}

void FlightRenderer::buildPrograms() {
    // The styles' own programs are built with them; the terrain's variants are picked per draw.
    TerrainShader::build(false, Untextured, false);
    TerrainShader::build(kOutlineFill.terrainFog, kOutlineFill.terrainMode, true);
    for (const EffectGroup* g : styles)
        if (g->getLook().terrainShader) TerrainShader::build(g->getLook().terrainFog, g->getLook().terrainMode, true);
}

EffectGroup* FlightRenderer::style(int index) const {
    return index >= 0 && index < static_cast<int>(styles.size()) ? styles[index] : nullptr;
}

void FlightRenderer::applyCamera(const GameState& flight) const {
    glTranslatef(extras.shake[0], extras.shake[1], 0);
    flight.chaseCamera.apply();
}

void FlightRenderer::setSceneScale(float scale) { sceneScale = std::min(std::max(scale, 0.25f), 1.0f); }

void FlightRenderer::fitTargets() {
    const int w = std::max(1, static_cast<int>(std::lround(targetSize[0] * sceneScale)));
    const int h = std::max(1, static_cast<int>(std::lround(targetSize[1] * sceneScale)));
    if (ssao && ssao->getGeometryFBO() && w == fittedSize[0] && h == fittedSize[1]) return;
    // Only when the scale changes: the targets keep their size from frame to frame.
    if (ssao) ssao->setup(w, h);
    if (normalShader) normalShader->setup(w, h);
    fittedSize[0] = w;
    fittedSize[1] = h;
}

void FlightRenderer::draw(const GameState& flight, const FrameExtras& frameExtras) {
    extras = frameExtras;
    const screen::Viewport whole = screen::picture();
    const bool scaled = sceneScale < 1.0f && whole.width > 0 && whole.height > 0;
    screen::Viewport part = whole;
    if (scaled) {
        // Everything that takes the picture's size from the picture takes the part's meanwhile.
        part.width = std::max(1, static_cast<int>(std::lround(whole.width * sceneScale)));
        part.height = std::max(1, static_cast<int>(std::lround(whole.height * sceneScale)));
        screen::setPicture(part);
        screen::applyPicture();
    }
    drawScene(flight);
    if (scaled) {
        screen::setPicture(whole);
        screen::applyPicture();
        widen(part);
    }
    if (extras.hud) {
        screen::beginOverlay();
        extras.hud();
        screen::endOverlay();
    }

    if (ssao && ssao->isActive())
        glColor4f(0, 0, 0, 1);
    else
        glColor4f(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}

void FlightRenderer::widen(const screen::Viewport& part) {
    glUseProgram(0);
    disable2DTexturing(4);
    glActiveTextureARB(GL_TEXTURE0);
    if (!widened || widenedSize[0] != part.width || widenedSize[1] != part.height) {
        if (widened) glDeleteTextures(1, &widened);
        glGenTextures(1, &widened);
        glBindTexture(GL_TEXTURE_2D, widened);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, part.width, part.height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        widenedSize[0] = part.width;
        widenedSize[1] = part.height;
    }
    glBindTexture(GL_TEXTURE_2D, widened);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, part.x, part.y, part.width, part.height);
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_COLOR_LOGIC_OP);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(1, 1, 1, 1);
    screen::beginOverlay();
    drawScreenQuad();
    screen::endOverlay();
    glPopAttrib();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void FlightRenderer::drawScene(const GameState& flight) {
    scenery.sync(flight);
    EffectGroup* group = style(flight.style);
    const StyleLook& look = group ? group->getLook() : kPlainLook;
    if (group) group->activate();

    // The occlusion groups switch the effect on in their activate and off in their deactivate;
    // its passes run once, in composite below.
    const bool ssaoActive = ssao && ssao->isActive();
    // Three styles of eleven draw into the occlusion's targets. Once made, they stay for the
    // styles between: made again on entering an occlusion style, they doubled that style's first
    // frame (a hitch at the very star that brings it) to keep the peak 1.4 MB lower.
    if (ssaoActive || look.normalView) fitTargets();
    if (ssaoActive) {
        ssao->beginGeometryPass(look.occlusionOnly);
    } else if (look.normalView && ssao) {
        ssao->beginNormalPass();
    }

    glClearColor(look.clearColour[0], look.clearColour[1], look.clearColour[2], look.clearColour[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    applyCamera(flight);
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
        drawScenery(flight, look, SceneryPass{look.skyNormal, look.terrainShader, look.terrainFog, look.terrainMode},
                    ssaoActive);

    if (look.normalView && ssao) {
        ssao->endGeometryPass();
        screen::beginOverlay();
        // The occlusion's colour target is not drawn into in this style: the blur's scratch.
        if (normalShader) normalShader->drawBlurred(ssao->getNormalTexture(), ssao->getColorTexture());
        screen::endOverlay();
    }

    if (ssaoActive) {
        ssao->endGeometryPass();
        glClearColor(0, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        applyCamera(flight);
    }

    if (look.outlines) drawOutlinePass(flight, look);

    screen::beginOverlay();
    if (ssaoActive) {
        ssao->setOnlySSAO(look.occlusionOnly);
        ssao->composite();
    }
    if (group) group->deactivate();
    screen::endOverlay();

    if (look.normalView) glClear(GL_DEPTH_BUFFER_BIT);
    scenery.drawSign(flight);
    scenery.drawArrows(flight);
    drawRims(flight, look);
    if (extras.scene) extras.scene();
}

// Objects, then the terrain, the sea and the sky: nearest first, so that the depth test spares
// the shading of everything the terrain hides. Each is drawn in the state it had when the sky
// came right after the objects and the terrain last: the sky in what the objects leave (colour
// and material), the sea in the sky's colour, the terrain in the sea's picture and material.
void FlightRenderer::drawScenery(const GameState& flight, const StyleLook& look, const SceneryPass& pass,
                                 bool ssaoActive) {
    EffectGroup* group = style(flight.style);
    EffectContext& context = effectContext();
    scenery.drawObjects(flight, extras.shipHidden);

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
    scenery.useSeaSurface(flight, look);
    if (ssaoActive)
        glColor4f(1, 1, 1, 1);
    else if (look.sunriseTint)
        glColor4f(1, 0.5f, 0, 1);
    // The ground through its programs' ground variants, which read its one texel once a vertex.
    const bool groundVariant = !pass.terrainShader && !look.normalView &&
                               (ssaoActive ? !look.occlusionOnly : group && group->hasGroundVariant());
    if (groundVariant) {
        if (ssaoActive) ssao->groundPass(true);
        else activateWith(context.groundPass, true);
    }
    scenery.drawTerrain(flight, pass.terrainShader, pass.terrainFog, pass.terrainMode);
    if (groundVariant) {
        if (ssaoActive) ssao->groundPass(false);
        else activateWith(context.groundPass, false);
    }
    // The terrain's own program ends with it; the sea and the sky are the group's.
    if (pass.terrainShader && !ssaoActive && !look.normalView && group) group->activate();

    glColor4fv(objectColour);
    if (look.sunriseTint) glColor4f(1, 0.5f, 0, 1);
    if (look.funkySea) activateWith(context.funkyPassFlag, false);
    scenery.drawSea(flight, look);

    glColor4fv(objectColour);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, objectDiffuse[0]);
    glMaterialfv(GL_BACK, GL_DIFFUSE, objectDiffuse[1]);
    if (look.funkySea) activateWith(context.funkyPassFlag, true);
    if (look.backdropPass) activateWith(context.backdropPass, true);
    scenery.drawSky(flight, pass.skyNormal.x, pass.skyNormal.y, pass.skyNormal.z, look);
    if (look.backdropPass) activateWith(context.backdropPass, false);
}

void FlightRenderer::objectsOnScreen(const GameState& flight, const GLint viewport[4], float margin,
                                     std::vector<PictureRect>& rects) const {
    // A sphere of the kind's radius times the object's largest scale holds it; the eye-space
    // box around that sphere, projected, bounds it.
    rects.clear();
    float modelView[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (const GameObject* obj : flight.world.getActiveObjects()) {
        if (extras.shipHidden && obj == flight.ship.get()) continue;
        float clip[8][4], lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
        objectBoxInClip(*obj, modelView, projection, clip);
        if (!boxMayShow(clip, viewport[2], viewport[3], margin)) continue;  // an asteroid passed, say: nothing to copy
        bool behind = false;
        for (int corner = 0; corner < 8 && !behind; ++corner) {
            behind = clip[corner][3] <= 1e-4f;
            for (int i = 0; i < 2 && !behind; ++i) {
                lo[i] = std::min(lo[i], clip[corner][i] / clip[corner][3]);
                hi[i] = std::max(hi[i], clip[corner][i] / clip[corner][3]);
            }
        }
        if (behind) {
            // Reaching behind the eye: the whole picture, to be safe.
            rects.assign(1, PictureRect{0, 0, viewport[2], viewport[3]});
            return;
        }
        const int x0 = std::max(0, static_cast<int>(std::floor((lo[0] * 0.5f + 0.5f) * viewport[2] - margin)));
        const int y0 = std::max(0, static_cast<int>(std::floor((lo[1] * 0.5f + 0.5f) * viewport[3] - margin)));
        const int x1 = std::min(viewport[2], static_cast<int>(std::ceil((hi[0] * 0.5f + 0.5f) * viewport[2] + margin)));
        const int y1 = std::min(viewport[3], static_cast<int>(std::ceil((hi[1] * 0.5f + 0.5f) * viewport[3] + margin)));
        if (x1 > x0 && y1 > y0) rects.push_back(PictureRect{x0, y0, x1 - x0, y1 - y0});
    }
}

// The rims: each object's own depth first, then its far side pushed outwards (the inverted
// hull of cel shading, Shader/rim.vert) behind it, so that only a band around its outline
// shows, the same width at any distance.
void FlightRenderer::drawRims(const GameState& flight, const StyleLook& look) {
    if (look.rimPixels <= 0 || !rimProgram || !rimProgram->getProgram()) return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float rimWidth = look.rimPixels * sceneScale;
    objectsOnScreen(flight, viewport, rimWidth + 8, copied);
    if (copied.empty()) {
        glClear(GL_DEPTH_BUFFER_BIT);  // the scene's effects come over the scene, as after the bands
        return;
    }
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    // The frame so far, for the shader to pick each band's colour from what it surrounds.
    glActiveTextureARB(GL_TEXTURE0);
    if (!frameCopy || frameCopySize[0] != viewport[2] || frameCopySize[1] != viewport[3]) {
        if (frameCopy) glDeleteTextures(1, &frameCopy);
        glGenTextures(1, &frameCopy);
        glBindTexture(GL_TEXTURE_2D, frameCopy);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, viewport[2], viewport[3], 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        frameCopySize[0] = viewport[2], frameCopySize[1] = viewport[3];
    }
    glBindTexture(GL_TEXTURE_2D, frameCopy);
    // Only where the objects are: the shader reads nothing outside their bands.
    // A software rasteriser pays for each copy as for a draw of its own, about as much as for
    // 20,000 more pixels copied: parts close together go as one.
    joinParts(copied, 20000);
    for (const PictureRect& r : copied)
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, r.x, r.y, viewport[0] + r.x, viewport[1] + r.y, r.width, r.height);

    rimProgram->use();
    const GLuint program = rimProgram->getProgram();
    glUniform1i(glGetUniformLocation(program, "frame"), 0);
    glUniform4f(glGetUniformLocation(program, "view"), static_cast<float>(viewport[0]), static_cast<float>(viewport[1]),
                static_cast<float>(viewport[2]), static_cast<float>(viewport[3]));
    glUniform3fv(glGetUniformLocation(program, "darkRim"), 1, look.darkRim);
    glUniform3fv(glGetUniformLocation(program, "lightRim"), 1, look.lightRim);
    const GLint width = glGetUniformLocation(program, "width");
    glUniform1f(width, 0.0f);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    scenery.drawObjectShapes(flight, extras.shipHidden);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // The band keeps its width on screen whatever the scene's scale.
    glUniform1f(width, rimWidth);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    scenery.drawObjectShapes(flight, extras.shipHidden);
    rimProgram->unuse();
    glPopAttrib();
}

// Black frame, the scene filled, then its back faces as thick dark lines: outlines remain.
void FlightRenderer::drawOutlinePass(const GameState& flight, const StyleLook& look) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glActiveTextureARB(GL_TEXTURE0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT, GL_FILL);
    glDepthFunc(GL_LESS);
    glCullFace(GL_BACK);

    drawScenery(flight, look, kOutlineFill, false);

    // The outlines keep their width on screen whatever the scene's scale.
    glLineWidth(std::max(1.0f, 7 * sceneScale));
    glDepthFunc(GL_LEQUAL);
    glColor4f(0.2f, 0.2f, 0.2f, 1);
    glDisable(GL_LIGHTING);  // the lines keep their dark grey instead of being lit by the sun

    // A smooth model's outlining edges alone (an asteroid's are a twentieth of its edges):
    // inside the outline its filled faces hide the lines, which lie behind or level with them.
    scenery.drawObjectOutlines(flight, extras.shipHidden, false);

    // The other models and the ground: their faces turned away, as lines, pushed back a little:
    // edges shared with a filled face stay behind it, only the rims and ridges show.
    glPolygonMode(GL_BACK, GL_LINE);
    glPolygonOffset(0.5f, 0);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glCullFace(GL_FRONT);
    scenery.drawObjectOutlines(flight, extras.shipHidden, true);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(std::max(1.0f, 4 * sceneScale));
    scenery.drawTerrain(flight, false, false, Untextured);

    glDisable(GL_POLYGON_OFFSET_LINE);
    glPopAttrib();
}
