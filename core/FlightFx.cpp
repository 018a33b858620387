#include "core/FlightFx.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kFlashMs = 380;
constexpr uint32_t kShakeMs = 450;
constexpr uint32_t kDropMs = 700;

// A small hash of the particle's number: the same burst looks the same every time.
float noise(uint32_t n) {
    n = (n ^ 61u) ^ (n >> 16);
    n *= 9u;
    n ^= n >> 4;
    n *= 0x27d4eb2du;
    n ^= n >> 15;
    return (n & 0xffffu) / 65535.0f;
}

}  // namespace

void FlightFx::clear() {
    current = Kind::Quiet;
    particles.clear();
    droppedBullets = 0;
}

void FlightFx::hit(uint32_t nowMs, const std::string& title, int multiplier, int bulletsLost) {
    current = Kind::Hit;
    since = nowMs;
    styleTitle = title;
    styleMultiplier = multiplier;
    droppedBullets = bulletsLost;
}

void FlightFx::star(uint32_t nowMs, const std::string& title, int multiplier) {
    current = Kind::Star;
    since = nowMs;
    styleTitle = title;
    styleMultiplier = multiplier;
    droppedBullets = 0;
}

void FlightFx::explode(uint32_t nowMs, const float3& at, int finalScore) {
    current = Kind::GameOver;
    since = nowMs;
    score = finalScore;
    burst(nowMs, at, 14, 0.0008f, 500, 40.0f, true);  // the fireball
    burst(nowMs, at, 150, 0.0035f, 1500, 10.0f, true);  // the pieces
}

void FlightFx::sparks(uint32_t nowMs, const float3& at) { burst(nowMs, at, 14, 0.004f, 320, 5.0f, false); }

void FlightFx::burst(uint32_t nowMs, const float3& at, int count, float speed, uint32_t life, float size, bool fire) {
    for (int i = 0; i < count; ++i) {
        const uint32_t n = seed++ * 4;
        // A direction on the sphere, thrown a little upwards, at a speed of its own.
        const float u = noise(n) * 2 - 1, a = noise(n + 1) * 6.2832f, s = speed * (0.3f + 0.7f * noise(n + 2));
        const float r = std::sqrt(1 - u * u);
        Particle p{at, {r * std::cos(a) * s, (std::fabs(u) * 0.8f + 0.2f) * s, r * std::sin(a) * s}, {1, 1, 1}, nowMs,
                   static_cast<uint32_t>(life * (0.5f + 0.5f * noise(n + 3))), size};
        const float heat = noise(n + 3);
        p.rgb[0] = 1.0f;
        p.rgb[1] = fire ? 0.25f + 0.6f * heat : 0.85f + 0.15f * heat;
        p.rgb[2] = fire ? 0.05f + 0.2f * heat * heat : 0.4f + 0.5f * heat;
        particles.push_back(p);
    }
}

FlightFx::Kind FlightFx::kind(uint32_t nowMs) const {
    // The end of a flight stays until the flight is left; the others fade.
    if (current == Kind::GameOver) return current;
    return nowMs - since < kTransitionMs ? current : Kind::Quiet;
}

void FlightFx::shake(uint32_t nowMs, float* dx, float* dy) const {
    *dx = *dy = 0;
    const uint32_t t = nowMs - since;
    if ((current != Kind::Hit && current != Kind::GameOver) || t >= kShakeMs) return;
    const float strength = (current == Kind::GameOver ? 0.22f : 0.12f) * (1.0f - t / static_cast<float>(kShakeMs));
    *dx = strength * std::sin(t * 0.11f);
    *dy = strength * 0.6f * std::sin(t * 0.17f + 1.3f);
}

bool FlightFx::animating(uint32_t nowMs) const {
    return !particles.empty() || (current != Kind::Quiet && nowMs - since < kTransitionMs);
}

void FlightFx::drawScene(uint32_t nowMs) {
    particles.erase(std::remove_if(particles.begin(), particles.end(),
                                   [nowMs](const Particle& p) { return nowMs - p.born >= p.life; }),
                    particles.end());
    if (particles.empty()) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUseProgram(0);
    glActiveTextureARB(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);  // glowing: overlapping pieces add up
    glDepthMask(GL_FALSE);
    glEnable(GL_POINT_SMOOTH);
    for (const Particle& p : particles) {
        const float t = static_cast<float>(nowMs - p.born), fade = 1.0f - t / p.life;
        glPointSize(std::max(1.0f, p.size * (0.4f + 0.6f * fade)));
        glBegin(GL_POINTS);
        glColor4f(p.rgb[0], p.rgb[1], p.rgb[2], fade);
        // Thrown, and falling back under a gentle pull.
        glVertex3f(p.at.x + p.velocity.x * t, p.at.y + p.velocity.y * t - 0.0000025f * t * t, p.at.z + p.velocity.z * t);
        glEnd();
    }
    glUseProgram(static_cast<GLuint>(program));
    glPopAttrib();
}

void FlightFx::drawOverlay(uint32_t nowMs) const {
    const uint32_t t = nowMs - since;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (current != Kind::Quiet && t < kFlashMs) {
        const float a = 0.45f * (1.0f - t / static_cast<float>(kFlashMs));
        if (current == Kind::Star)
            glColor4f(1.0f, 0.86f, 0.3f, a);
        else
            glColor4f(1.0f, current == Kind::GameOver ? 0.35f : 0.05f, 0.0f, a);
        glRectf(-1, -1, 1, 1);
    }
    // The gun's bullets drop out of the row of dots and fade.
    if (droppedBullets > 0 && t < kDropMs) {
        const float f = t / static_cast<float>(kDropMs);
        for (int i = 0; i < droppedBullets; ++i) {
            const float x = i * 0.05f - 0.12f, y = -0.9f - 0.25f * f * f;
            glPointSize(14);
            glBegin(GL_POINTS);
            glColor4f(1, 0, 0, 1 - f);
            glVertex2f(x, y);
            glEnd();
            glPointSize(8);
            glBegin(GL_POINTS);
            glColor4f(1, 0.87f, 0, 1 - f);
            glVertex2f(x, y);
            glEnd();
        }
    }
    glPopAttrib();
}
