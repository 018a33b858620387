#include "core/Game.h"

int main(int argc, char** argv) {
    Game::instance().run(argc, argv);
    return 0;
}
