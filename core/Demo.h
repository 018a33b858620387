#pragma once
#include <cstdint>
#include <vector>

struct GameState;
struct Input;

// The attract mode: after the title has waited kIdleMs without a key, a seeded flight shows
// every style in turn, steered by the autopilot. Rules only: the game asks these what to do.
namespace demo {

constexpr uint32_t kIdleMs = 20000;   // title time without a key before the demo starts
constexpr float kStyleMs = 6000.0f;   // simulated time shown of each style
constexpr unsigned kSeed = 1717;      // the same terrain and the same objects every time

// True once the title has been shown kIdleMs (the unsigned difference survives a clock wrap).
inline bool due(uint32_t titleSinceMs, uint32_t nowMs) { return nowMs - titleSinceMs >= kIdleMs; }

// What a player would hold and press this step: steer clear of the asteroids ahead and
// towards the nearest star ahead, else back to the middle of the field, each object taken
// where it will be when the ship reaches it; jump what is too close to pass.
Input autopilot(const GameState& state);

// Which style the demo shows and when it is over, by simulated time.
class Schedule {
public:
    explicit Schedule(int styles = 11) : styles(styles) {}
    void restart() { elapsedMs = 0, shown = 0; }
    // Adds simulated time; answers how many styles to move on now (0 or, after a stall, more).
    int advance(float dtMs);
    // 0 for the first style; the last style index once the flight is over.
    int style() const;
    bool finished() const { return elapsedMs >= styles * kStyleMs; }

private:
    int styles;
    float elapsedMs = 0;
    int shown = 0;  // the style the game was last moved to
};

}  // namespace demo
