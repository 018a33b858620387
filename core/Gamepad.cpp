#include "core/Gamepad.h"

namespace {
// A stick at rest seldom reads exactly 0: it steers from 40 % of its way and stops below 25 %,
// so a stick held near the threshold does not flicker between the two.
constexpr int kEngage = 400;
constexpr int kRelease = 250;
}  // namespace

Gamepad::Change Gamepad::update(unsigned buttons, int x, int y) {
    Change c;
    int now = steer;
    if (x <= -kEngage) now = -1;
    else if (x >= kEngage) now = 1;
    else if (x > -kRelease && x < kRelease) now = 0;
    c.steer = now;
    c.steerChanged = now != steer;
    steer = now;

    // freeglut counts y downwards: a stick pushed down reads positive.
    const bool nowDown = y >= kEngage ? true : y < kRelease ? false : down;
    c.sinkPressed = nowDown && !down;
    down = nowDown;

    c.pressed = buttons & ~held;
    held = buttons;
    return c;
}
