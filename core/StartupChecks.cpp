#include "core/StartupChecks.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>

void requireGlew(unsigned int glewResult) {
    if (glewResult == GLEW_OK) return;
    std::fprintf(stderr, "Could not initialise GLEW: %s\n",
                 reinterpret_cast<const char*>(glewGetErrorString(glewResult)));
    std::exit(1);
}
