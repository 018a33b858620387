// Draws a fixed, seeded flight through all eleven styles on the manual clock and writes the
// last frame of each style as a PNG picture. Two builds that draw the same frames write the
// same files, so a change that should not alter the look can be checked with cmp or compare.
//
//   lumivex_frames OUTDIR [SCALE]   (run from the game folder, on a display)
// SCALE (100, 75 or 50, default 100) draws the 3D scene at that share of the window.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <string>

#include "core/FrameShot.h"
#include "core/Game.h"
#include "core/RenderScale.h"
#include "platform/Clock.h"

namespace {

constexpr int kFramesPerStyle = 24;
constexpr uint32_t kFrameMs = 17;

// The same keys in every style: a swerve left, one right, a jump.
void scriptedInput(Game& game, int frame) {
    if (frame == 2) game.special(GLUT_KEY_LEFT, 0, 0);
    if (frame == 8) game.specialUp(GLUT_KEY_LEFT, 0, 0);
    if (frame == 10) game.special(GLUT_KEY_RIGHT, 0, 0);
    if (frame == 16) game.specialUp(GLUT_KEY_RIGHT, 0, 0);
    if (frame == 18) game.special(GLUT_KEY_UP, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    int scale = 100;
    if (argc < 2 || (argc > 2 && (!RenderScale::parse(argv[2], &scale) || scale == RenderScale::kAuto))) {
        std::fprintf(stderr, "usage: %s OUTDIR [100|75|50]\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    testclock::enable(100000);
    Game& game = Game::instance();
    game.setUseSettingsFile(false);  // the same frames whatever the player has set
    game.chooseRenderScale(scale);
    int glutArgc = 1;  // the options are the tool's
    game.startUp(glutArgc, argv);
    game.newGame(4242);  // a fixed flight: the same frames from build to build
    for (int style = 0; style < 11; ++style) {
        for (int frame = 0; frame < kFramesPerStyle; ++frame) {
            scriptedInput(game, frame);
            testclock::advance(kFrameMs);
            game.idle();
            game.display();
        }
        glFinish();
        char name[64];
        std::snprintf(name, sizeof name, "/style%02d.png", style + 1);
        if (!saveFrame(out + name, 0, 0, game.getConfig().windowWidth, game.getConfig().windowHeight)) {
            std::fprintf(stderr, "could not write %s%s\n", out.c_str(), name);
            return 1;
        }
        game.special(GLUT_KEY_F3, 0, 0);
    }
    std::printf("screen %d score %d\n", game.screen(), game.flight().score);
    return 0;
}
