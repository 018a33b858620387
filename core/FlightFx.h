#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/VectorMath.h"

// What a player sees happen beyond the flight itself: the jolt and red flash of a hit, the
// golden flash of a star, the ship breaking up at the end, sparks where a bullet strikes, the
// bullets of an emptied gun dropping away. All of it runs on the frame clock and is drawn over
// the flight; none of it touches the flight.
class FlightFx {
public:
    enum class Kind { Quiet, Hit, Star, GameOver };

    void clear();
    // A style lost (title and multiplier of the style now flown) and the bullets it cost.
    void hit(uint32_t nowMs, const std::string& title, int multiplier, int bulletsLost);
    void star(uint32_t nowMs, const std::string& title, int multiplier);
    void explode(uint32_t nowMs, const float3& at, int score);
    void sparks(uint32_t nowMs, const float3& at);

    // The latest transition, and how far into it (ms); Quiet once it is over (Quiet).
    Kind kind(uint32_t nowMs) const;
    uint32_t age(uint32_t nowMs) const { return nowMs - since; }
    const std::string& title() const { return styleTitle; }
    int multiplier() const { return styleMultiplier; }
    int finalScore() const { return score; }
    // The camera's jolt now, in scene units.
    void shake(uint32_t nowMs, float* dx, float* dy) const;
    bool shipHidden() const { return current == Kind::GameOver; }
    // Anything still moving: frames must go on being drawn.
    bool animating(uint32_t nowMs) const;

    // In the scene's space: particles (sparks, the ship's pieces).
    void drawScene(uint32_t nowMs);
    // In the overlay's -1..1 space: the flash, and the bullets dropping from the row of dots.
    void drawOverlay(uint32_t nowMs) const;

    static constexpr uint32_t kTransitionMs = 1800;

private:
    struct Particle {
        float3 at, velocity;  // units, units per ms
        float rgb[3];
        uint32_t born, life;
        float size;
    };
    void burst(uint32_t nowMs, const float3& at, int count, float speed, uint32_t life, float size, bool fire);

    Kind current = Kind::Quiet;
    uint32_t since = 0;
    std::string styleTitle;
    int styleMultiplier = 1;
    int score = 0;
    int droppedBullets = 0;
    std::vector<Particle> particles;
    uint32_t seed = 1;
};
