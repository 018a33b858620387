// Loaded into the game by the timedemo's test (LD_PRELOAD): counts the modules of code the
// software rasteriser builds, one for each shader variant it meets, before the game's second
// swap (the timedemo's warm-up and untimed first frame) and after it, and writes the two counts
// to the file LUMIVEX_DRIVER_WATCH names as the game ends.
#include <GL/glx.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

static int swaps = 0, built[2] = {0, 0};

extern "C" void* LLVMModuleCreateWithNameInContext(const char* name, void* context) {
    ++built[swaps >= 2];
    return reinterpret_cast<void* (*)(const char*, void*)>(dlsym(RTLD_NEXT, __func__))(name, context);
}

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    ++swaps;
    reinterpret_cast<void (*)(Display*, GLXDrawable)>(dlsym(RTLD_NEXT, __func__))(display, drawable);
}

__attribute__((destructor)) static void report() {
    const char* path = std::getenv("LUMIVEX_DRIVER_WATCH");
    if (FILE* f = path ? std::fopen(path, "w") : nullptr) std::fprintf(f, "%d %d\n", built[0], built[1]), std::fclose(f);
}
