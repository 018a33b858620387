#pragma once
// A fixed test scene (textured shapes on a ground plane under a sky backdrop) drawn through an
// effect group in the display's order of passes. Header-only: the effects benchmark shares it.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstring>
#include <vector>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroup.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"

namespace stylescene {

struct Textures { GLuint checker = 0, sky = 0; };

// A light/dark checker and a sky gradient (blue at the top, pale at the horizon).
inline Textures makeTextures() {
    GLuint ids[2];
    glGenTextures(2, ids);
    for (int k = 0; k < 2; ++k) {
        std::vector<unsigned char> rgb;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                for (float v : {0.85f - 0.5f * y / 63, 0.9f - 0.3f * y / 63, 1.0f - 0.1f * y / 63})
                    rgb.push_back(static_cast<unsigned char>(255 * (k ? v : (x / 8 + y / 8) % 2 ? 0.6f : 0.96f)));
        glBindTexture(GL_TEXTURE_2D, ids[k]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    return Textures{ids[0], ids[1]};
}

// The game's projection, and an identity model-view.
inline void setPerspective() {
    Game::instance().initProjection();
    glLoadIdentity();
}

// The game's chase camera in its start position.
inline void applyCamera() { gluLookAt(0.0, 1.4, 0.5, 0.0, 0.5, -1.5, 0.0, 1.0, 0.0); }

// Depth test and back-face culling; the lights are the game's own (placeWorldLight).
inline void setupFixedState() {
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE}) glEnable(cap);
    glDepthFunc(GL_LEQUAL);
    const GLfloat specular[4] = {0.6f, 0.6f, 0.6f, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40);
}

// Binds the texture on unit 0 and sets the material colour for the next part.
inline void surface(GLuint texture, float r, float g, float b) {
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    const GLfloat colour[4] = {r, g, b, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, colour);
}

// A textured quad through four corners given as x, y, z, s, t.
inline void quad(const float corners[4][5]) {
    glBegin(GL_QUADS);
    for (int k = 0; k < 4; ++k) {
        glTexCoord2fv(corners[k] + 3);
        glVertex3fv(corners[k]);
    }
    glEnd();
}

// Teapot, torus (on its side) and cube standing on the ground.
inline void drawObjects(const Textures& t) {
    const float shapes[3][7] = {{0, 0.38f, -1.6f, -30, 1, 0.62f, 0.25f},
                                {-1.05f, 0.3f, -2.1f, 70, 0.9f, 0.2f, 0.25f},
                                {0.95f, 0.22f, -1.3f, 25, 0.25f, 0.45f, 0.95f}};
    for (int k = 0; k < 3; ++k) {
        surface(t.checker, shapes[k][4], shapes[k][5], shapes[k][6]);
        glPushMatrix();
        glTranslatef(shapes[k][0], shapes[k][1], shapes[k][2]);
        glRotatef(shapes[k][3], k == 1, k != 1, 0);
        glTexCoord2f(0.06f, 0.06f);               // shapes without texture coordinates show one light cell
        glFrontFace(k == 0 ? GL_CW : GL_CCW);  // the teapot's faces wind the other way
        k == 0 ? glutSolidTeapot(0.5) : k == 1 ? glutSolidTorus(0.13, 0.32, 24, 40) : glutSolidCube(0.44);
        glFrontFace(GL_CCW);
        glPopMatrix();
    }
}

inline void drawSky(const Textures& t, float nx, float ny, float nz) {
    const float corners[4][5] = {{-30, -1, -20, 0, 0}, {30, -1, -20, 1, 0}, {30, 16, -20, 1, 1}, {-30, 16, -20, 0, 1}};
    surface(t.sky, 1, 1, 1);
    glNormal3f(nx, ny, nz);
    quad(corners);
}

inline void drawGround(const Textures& t) {
    const float corners[4][5] = {{-10, 0, 2, 0, 0}, {10, 0, 2, 10, 0}, {10, 0, -20, 10, 11}, {-10, 0, -20, 0, 11}};
    surface(t.checker, 0.55f, 0.75f, 0.45f);
    glNormal3f(0, 1, 0);
    quad(corners);
}

// Full-screen passes: identity matrices, no depth test, no lighting; endOverlay restores.
inline void beginOverlay() {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glPushMatrix();
        glLoadIdentity();
    }
}

inline void endOverlay() {
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glPopMatrix();
    }
    glPopAttrib();
}

// The scene with no program at all (the baseline), or the frame's passes around a group.
inline void drawPlainFrame(const Textures& t, EffectGroup* group = nullptr) {
    const StyleLook look = group ? group->getLook() : StyleLook{};
    EffectContext& context = effectContext();
    Game& game = Game::instance();
    SSAO* ssao = game.getSSAO();
    setPerspective();
    setupFixedState();
    if (group) group->activate();
    const bool ssaoActive = group && ssao->isActive(), normal = look.normalView, offscreen = ssaoActive || normal;
    const bool backdrop = look.backdropPass;
    if (ssaoActive) ssao->beginGeometryPass(look.occlusionOnly);  // positions, normals and colours for the composite
    if (normal && !ssaoActive) ssao->beginNormalPass();
    glClearColor(0.9f, 0.9f, 1.0f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(!ssaoActive, !ssaoActive, !ssaoActive, 1);  // the geometry pass marks textured parts black
    applyCamera();
    placeWorldLight();
    if (group && !offscreen) group->activate();  // again, now that the camera is in place
    drawObjects(t);
    context.backdropPass = backdrop;
    if (backdrop) group->activate();
    drawSky(t, look.skyNormal.x, look.skyNormal.y, look.skyNormal.z);
    context.backdropPass = false;
    context.funkyPassFlag = true;
    if (backdrop || look.funkySea) group->activate();
    if (look.sunriseTint || ssaoActive) glColor4f(1, ssaoActive ? 1 : 0.5f, ssaoActive, 1);
    drawGround(t);
    if (offscreen) ssao->endGeometryPass();
    if (look.outlines) {  // outlines: the back faces as thick dark lines over the filled scene
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glLineWidth(7);
        glPolygonMode(GL_BACK, GL_LINE);
        glCullFace(GL_FRONT);
        glDisable(GL_LIGHTING);
        glColor4f(0.2f, 0.2f, 0.2f, 1);
        drawObjects(t);
        glPopAttrib();
    }
    if (!group) return;
    beginOverlay();
    if (normal) game.getNormalShader()->drawBlurred(ssao->getNormalTexture());
    if (ssaoActive) {
        ssao->setOnlySSAO(look.occlusionOnly);
        ssao->composite();
    }
    group->deactivate();
    endOverlay();
}

inline void drawFrame(EffectGroup* group, const Textures& t) { drawPlainFrame(t, group); }

}  // namespace stylescene
