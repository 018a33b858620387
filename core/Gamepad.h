#pragma once

// A gamepad as freeglut reports it: a button mask and three axes from -1000 to 1000. Turns
// those reports into what the game acts on: the steering direction and the buttons pressed
// since the last report (a held button acts once). No GLUT: the rules library holds it.
class Gamepad {
public:
    struct Change {
        int steer = 0;              // -1 left, 0 straight, 1 right: where the stick points now
        bool steerChanged = false;  // steer differs from the last report
        bool sinkPressed = false;   // the stick has just been pushed down
        unsigned pressed = 0;       // buttons down now that were up in the last report
    };

    Change update(unsigned buttons, int x, int y);

    // Whether a mask holds button number (counted from 1, as the settings name them).
    static bool has(unsigned mask, int button) { return button >= 1 && button <= 32 && (mask >> (button - 1)) & 1u; }

    int steering() const { return steer; }

private:
    int steer = 0;
    bool down = false;
    unsigned held = 0;
};
