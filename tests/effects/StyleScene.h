#pragma once
// A fixed test scene (lit, textured shapes on a ground plane under a sky backdrop) drawn
// through an effect group the way the game's display drives it. Header-only so the
// benchmark can share it.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"

namespace stylescene {

struct Textures {
    GLuint checker = 0;
    GLuint sky = 0;
};

inline GLuint makeTexture(int w, int h, const std::vector<unsigned char>& rgb) {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return id;
}

inline Textures makeTextures() {
    Textures t;
    std::vector<unsigned char> checker(64 * 64 * 3);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            unsigned char* p = &checker[(y * 64 + x) * 3];
            p[0] = light ? 245 : 150;
            p[1] = light ? 245 : 150;
            p[2] = light ? 240 : 160;
        }
    t.checker = makeTexture(64, 64, checker);
    std::vector<unsigned char> sky(4 * 64 * 3);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 4; ++x) {
            const float f = y / 63.0f;
            unsigned char* p = &sky[(y * 4 + x) * 3];
            p[0] = static_cast<unsigned char>(255 * (0.85f - 0.5f * f));
            p[1] = static_cast<unsigned char>(255 * (0.90f - 0.3f * f));
            p[2] = static_cast<unsigned char>(255 * (1.00f - 0.1f * f));
        }
    t.sky = makeTexture(4, 64, sky);
    return t;
}

inline void releaseTextures(Textures& t) {
    glDeleteTextures(1, &t.checker);
    glDeleteTextures(1, &t.sky);
    t = Textures{};
}

inline void setPerspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 800.0 / 600.0, 0.1, 30.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The game's chase camera in its start position.
inline void applyCamera() { gluLookAt(0.0, 1.4, 0.5, 0.0, 0.5, -1.5, 0.0, 1.0, 0.0); }

// Fixed light (for the groups that do not place light 0 themselves); call after the camera.
inline void placeSceneLight() {
    const GLfloat position[4] = {0.5f, 1.0f, 0.7f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

inline void setupFixedState() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat white[4] = {1, 1, 1, 1};
    const GLfloat ambient[4] = {0.25f, 0.25f, 0.25f, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

inline void material(float r, float g, float b, float shininess) {
    const GLfloat diffuse[4] = {r, g, b, 1};
    const GLfloat ambient[4] = {r * 0.5f, g * 0.5f, b * 0.5f, 1};
    const GLfloat specular[4] = {0.6f, 0.6f, 0.6f, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
}

inline void bindSceneTexture(GLuint id) {
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, id);
}

// Teapot, torus and two cubes, standing on the ground.
inline void drawObjects(const Textures& t) {
    bindSceneTexture(t.checker);
    glPushMatrix();
    glTranslatef(0.0f, 0.38f, -1.6f);
    glRotatef(-30.0f, 0, 1, 0);
    material(1.0f, 0.62f, 0.25f, 40.0f);
    glFrontFace(GL_CW);  // the teapot's faces wind the other way
    glutSolidTeapot(0.5);
    glFrontFace(GL_CCW);
    glPopMatrix();

    glTexCoord2f(0.06f, 0.06f);  // the other shapes carry no texture coordinates: one light cell
    glPushMatrix();
    glTranslatef(-1.05f, 0.3f, -2.1f);
    glRotatef(70.0f, 1, 0, 0);
    material(0.9f, 0.2f, 0.25f, 60.0f);
    glutSolidTorus(0.13, 0.32, 24, 40);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.95f, 0.22f, -1.3f);
    glRotatef(25.0f, 0, 1, 0);
    material(0.25f, 0.45f, 0.95f, 20.0f);
    glutSolidCube(0.44);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.55f, 0.18f, -2.6f);
    glRotatef(-15.0f, 0, 1, 0);
    material(0.3f, 0.8f, 0.4f, 20.0f);
    glutSolidCube(0.36);
    glPopMatrix();
}

inline void drawSky(const Textures& t, float nx, float ny, float nz) {
    bindSceneTexture(t.sky);
    material(1.0f, 1.0f, 1.0f, 1.0f);
    glNormal3f(nx, ny, nz);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-30.0f, -1.0f, -20.0f);
    glTexCoord2f(1, 0);
    glVertex3f(30.0f, -1.0f, -20.0f);
    glTexCoord2f(1, 1);
    glVertex3f(30.0f, 16.0f, -20.0f);
    glTexCoord2f(0, 1);
    glVertex3f(-30.0f, 16.0f, -20.0f);
    glEnd();
}

inline void drawGround(const Textures& t) {
    bindSceneTexture(t.checker);
    material(0.55f, 0.75f, 0.45f, 5.0f);
    glNormal3f(0, 1, 0);
    glBegin(GL_QUADS);
    for (int i = -10; i < 10; ++i)
        for (int j = -20; j < 2; ++j) {
            glTexCoord2f(i * 0.5f, -j * 0.5f);
            glVertex3f(static_cast<float>(i), 0.0f, static_cast<float>(j + 1));
            glTexCoord2f((i + 1) * 0.5f, -j * 0.5f);
            glVertex3f(static_cast<float>(i + 1), 0.0f, static_cast<float>(j + 1));
            glTexCoord2f((i + 1) * 0.5f, -(j + 1) * 0.5f);
            glVertex3f(static_cast<float>(i + 1), 0.0f, static_cast<float>(j));
            glTexCoord2f(i * 0.5f, -(j + 1) * 0.5f);
            glVertex3f(static_cast<float>(i), 0.0f, static_cast<float>(j));
        }
    glEnd();
}

inline void beginOverlay() {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

inline void endOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

inline bool named(EffectGroup* g, const char* name) { return g && std::strcmp(g->getName(), name) == 0; }

// One frame of the running game for this scene, in the display's order of passes.
inline void drawFrame(EffectGroup* group, const Textures& t) {
    Game& game = Game::instance();
    SSAO* ssao = game.getSSAO();
    setPerspective();
    setupFixedState();
    group->activate();
    const bool ssaoActive = ssao && ssao->isActive();
    const bool normal = named(group, "Normal Shader");
    if (ssaoActive || normal) ssao->beginGeometryPass();

    if (ssaoActive) glClearColor(0.9f, 0.2f, 0.2f, 0);
    else if (named(group, "Blue/Green Shader")) glClearColor(1.0f, 0.95f, 0.7f, 0);
    else if (normal) glClearColor(0.8f, 1.0f, 0.1f, 0);
    else if (named(group, "Standard Shader")) glClearColor(0.1f, 0.7f, 1.0f, 0);
    else if (named(group, "Phong Shader")) glClearColor(0.5f, 0.8f, 1.0f, 0);
    else if (named(group, "Toon Shader")) glClearColor(0.9f, 0.8f, 1.0f, 0);
    else if (named(group, "Pure")) glClearColor(0.7f, 0.8f, 1.0f, 0);
    else glClearColor(0.9f, 0.9f, 1.0f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    applyCamera();
    placeSceneLight();
    if (!ssaoActive && !normal) group->activate();
    if (named(group, "Blue/Green Shader")) glColor4f(1, 1, 1, 1);
    else if (ssaoActive) glColor4f(0, 0, 0, 1);

    drawObjects(t);
    const bool backdrop = named(group, "Standard Shader") || named(group, "Sunny Shader");
    if (backdrop) {
        game.backdropPass = true;
        group->activate();
    }
    if (named(group, "Toon Shader") || named(group, "Black&White")) drawSky(t, 0.1f, 0.5f, 0.25f);
    else if (normal) drawSky(t, 0, 0, 1);
    else drawSky(t, 0.1f, 0.5f, 0.0f);
    if (backdrop) {
        game.backdropPass = false;
        group->activate();
    } else if (named(group, "Funky Shader")) {
        game.funkyPassFlag = false;
        group->activate();
    }
    if (named(group, "Funky Shader")) {
        game.funkyPassFlag = true;
        group->activate();
    }
    if (ssaoActive) glColor4f(1, 1, 1, 1);
    else if (named(group, "Blue/Green Shader")) glColor4f(1, 0.5f, 0, 1);
    drawGround(t);

    if (normal) {
        ssao->endGeometryPass();
        beginOverlay();
        game.getNormalShader()->drawBlurred(ssao->getNormalTexture());
        endOverlay();
    }
    if (ssaoActive) {
        ssao->endGeometryPass();
        glClearColor(0, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        applyCamera();
    }
    if (named(group, "Pure")) {
        // Outlines: filled front faces, then the back faces as thick dark lines.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT, GL_FILL);
        glDepthFunc(GL_LESS);
        glCullFace(GL_BACK);
        drawObjects(t);
        drawSky(t, 0, 0, 1);
        drawGround(t);
        glLineWidth(7);
        glPolygonMode(GL_BACK, GL_LINE);
        glPolygonOffset(0.5f, 0);
        glDepthFunc(GL_LEQUAL);
        glCullFace(GL_FRONT);
        glColor4f(0.2f, 0.2f, 0.2f, 1);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        drawObjects(t);
        glDisable(GL_POLYGON_OFFSET_LINE);
        glPopAttrib();
    }
    beginOverlay();
    if (ssaoActive) {
        ssao->setOnlySSAO(named(group->getPrevious(), "Black&White"));
        ssao->activate();
    }
    group->deactivate();
    endOverlay();
    glColor4f(1, 1, 1, 1);
}

// The same scene with no program at all: the baseline.
inline void drawPlainFrame(const Textures& t) {
    setPerspective();
    setupFixedState();
    glClearColor(0.9f, 0.9f, 1.0f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    applyCamera();
    placeSceneLight();
    drawObjects(t);
    drawSky(t, 0.1f, 0.5f, 0.0f);
    drawGround(t);
}

}  // namespace stylescene
