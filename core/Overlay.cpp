#include <GL/glew.h>
#include <GL/freeglut.h>

#include <string>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "framework/Screen.h"
#include "framework/Texture.h"

void Game::drawImageQuad(Texture* texture, float ax, float ay, float, float bx, float by, float) {
    // A picture that failed to load is skipped, never bound.
    if (texture) {
        texture->bind(GL_TEXTURE_2D, 0);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

        screen::beginOverlay();
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(ax, by, 0);
        glTexCoord2f(1, 0);
        glVertex3f(bx, by, 0);
        glTexCoord2f(1, 1);
        glVertex3f(bx, ay, 0);
        glTexCoord2f(0, 1);
        glVertex3f(ax, ay, 0);
        glEnd();
        screen::endOverlay();
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

void Game::drawFullScreenImage(Texture* texture) { drawImageQuad(texture, -1, 1, 0, 1, -1, 0); }

void Game::drawEffectGroupLabel(const GameState& flight) {
    const EffectGroup* group = renderer.style(flight.style);
    const int i = group ? group->getLook().label : 0;
    Texture* label = i >= 0 && i < kStyleCount ? labelTextures[i] : labelTextures[0];
    if (!label) return;

    glColor4f(1, 1, 1, 1);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    label->bind(GL_TEXTURE_2D, 0);

    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-0.96f, -0.96f, 0);
    glTexCoord2f(1, 0);
    glVertex3f(-0.15f, -0.96f, 0);
    glTexCoord2f(1, 1);
    glVertex3f(-0.15f, -0.85f, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-0.96f, -0.85f, 0);
    glEnd();

    glDisable(GL_ALPHA_TEST);
}

void Game::drawBulletDots(int bullets) {
    if (bullets <= 0) return;
    // The label left texturing on, and with GL_REPLACE a textured point would show a texel
    // instead of its own colour.
    const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_2D);
    // A red ring around a yellow dot, each colour one draw for all the bullets: a point size
    // change costs a software rasteriser a new setup. The dots lie apart, so the order does not
    // show.
    const struct {
        float size, colour[4];
    } layers[] = {{14, {1, 0, 0, 1}}, {8, {1, 0.87f, 0, 1}}};
    for (const auto& layer : layers) {
        glPointSize(layer.size);
        glBegin(GL_POINTS);
        glColor4fv(layer.colour);
        for (int i = 0; i < bullets; ++i) glVertex3f(i * 0.05f - 0.12f, -0.9f, 0);
        glEnd();
    }
    if (textured) glEnable(GL_TEXTURE_2D);
}
