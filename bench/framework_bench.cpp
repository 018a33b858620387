// Cost of the framework's loaders: decoding a picture into a texture, loading a
// volume, and compiling and linking a shader program, against uploading the same raw pixels
// with createTexture in the same run. Works in a temp folder; run from anywhere.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <IL/il.h>
#include <IL/ilu.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <gd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "framework/Logger.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"

namespace {

constexpr int kSize = 256;
std::vector<unsigned char> rawPixels;
Logger* logger = nullptr;

// A picture with gradients and noise, so the codecs have real work.
void writePictures() {
    gdImagePtr image = gdImageCreateTrueColor(kSize, kSize);
    unsigned seed = 12345;
    rawPixels.resize(kSize * kSize * 4);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) % 32);
            const int r = (x + noise) % 256, g = (y + noise) % 256, b = (x ^ y) % 256;
            gdImageSetPixel(image, x, y, gdTrueColor(r, g, b));
            unsigned char* p = &rawPixels[(static_cast<size_t>(kSize - 1 - y) * kSize + x) * 4];
            p[0] = static_cast<unsigned char>(r);
            p[1] = static_cast<unsigned char>(g);
            p[2] = static_cast<unsigned char>(b);
            p[3] = 255;
        }
    FILE* f = std::fopen("Textures/bench.png", "wb");
    if (f) {
        gdImagePng(image, f);
        std::fclose(f);
    }
    f = std::fopen("Textures/bench.jpg", "wb");
    if (f) {
        gdImageJpeg(image, f, 90);
        std::fclose(f);
    }
    gdImageDestroy(image);

    // A 64 x 64 x 8 RGB volume, the size of the game's terrain volumes.
    std::vector<unsigned char> dds{'D', 'D', 'S', ' '};
    const auto put = [&dds](uint32_t v) {
        for (int i = 0; i < 4; ++i) dds.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    const uint32_t header[31] = {124, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x800000, 64, 64, 64 * 3, 8, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 32, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0,
                                 0x1008, 0x200000, 0};
    for (uint32_t v : header) put(v);
    put(0);
    put(0);
    for (int i = 0; i < 64 * 64 * 8 * 3; ++i) dds.push_back(static_cast<unsigned char>(i * 7));
    f = std::fopen("Textures/bench.dds", "wb");
    if (f) {
        std::fwrite(dds.data(), 1, dds.size(), f);
        std::fclose(f);
    }

    f = std::fopen("bench.vert", "w");
    if (f) {
        std::fputs("#version 120\nvarying vec3 n;\nvoid main() {\n  n = gl_NormalMatrix * gl_Normal;\n"
                   "  gl_Position = ftransform();\n}\n", f);
        std::fclose(f);
    }
    // The same vertex shader behind 330,000 short comment lines (1 MB): what a damaged or
    // hostile shader file can look like; the loader must not take seconds over it.
    f = std::fopen("bench-lines.vert", "w");
    if (f) {
        for (int i = 0; i < 330000; ++i) std::fputs("//\n", f);
        std::fputs("#version 120\nvarying vec3 n;\nvoid main() {\n  n = gl_NormalMatrix * gl_Normal;\n"
                   "  gl_Position = ftransform();\n}\n", f);
        std::fclose(f);
    }
    f = std::fopen("bench.frag", "w");
    if (f) {
        std::fputs("#version 120\nuniform vec4 color;\nvarying vec3 n;\nvoid main() {\n"
                   "  float d = max(dot(normalize(n), vec3(0.0, 0.0, 1.0)), 0.0);\n"
                   "  gl_FragColor = vec4(color.rgb * d, color.a);\n}\n", f);
        std::fclose(f);
    }
}

void BM_UploadRawPixels(benchmark::State& state) {
    TextureLoader loader;
    for (auto _ : state) {
        Texture* t = loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE,
                                          GL_LINEAR, true, false, true, rawPixels.data());
        glFinish();
        delete t;
    }
}

void BM_LoadPicture(benchmark::State& state, const char* name) {
    TextureLoader loader;
    for (auto _ : state) {
        Texture* t = loader.loadTexture(name, GL_TEXTURE_2D);
        glFinish();
        if (!t) state.SkipWithError("picture did not load");
        delete t;
    }
}

void BM_LoadVolume(benchmark::State& state) {
    TextureLoader loader;
    for (auto _ : state) {
        Texture* t = loader.load3DTexture("bench.dds", GL_TEXTURE_3D);
        glFinish();
        if (!t) state.SkipWithError("volume did not load");
        delete t;
    }
}

void BM_LoadShaderProgram(benchmark::State& state, const char* vertex) {
    // The loader prints on every load; keep the console to the results.
    std::fflush(stdout);
    const int saved = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    ShaderProgram program(logger);
    for (auto _ : state) {
        program.load(vertex, "bench.frag");
        GLint linked = GL_FALSE;
        glGetProgramiv(program.getProgram(), GL_LINK_STATUS, &linked);
        if (!linked) state.SkipWithError("program did not link");
    }
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(devNull);
}

}  // namespace

int main(int argc, char** argv) {
    if (!openBenchWindow(&argc, argv, "Lumivex framework bench")) return 2;
    ilInit();
    iluInit();

    char dirTemplate[] = "/tmp/lumivex-bench-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir || chdir(dir) != 0 || mkdir("Textures", 0755) != 0) return 2;
    writePictures();
    logger = new Logger();

    benchmark::RegisterBenchmark("upload-raw-256", BM_UploadRawPixels)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load-png-256", BM_LoadPicture, "bench.png")
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load-jpeg-256", BM_LoadPicture, "bench.jpg")
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load-dds-64x64x8", BM_LoadVolume)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load-shader-program", BM_LoadShaderProgram, "bench.vert")
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load-shader-330k-lines", BM_LoadShaderProgram, "bench-lines.vert")
        ->UseRealTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    initializeRepeated(argc, argv, 5);
    AggregateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const AggregateRun* base = reporter.find("upload-raw-256");
    if (base && base->real > 0) {
        std::printf("\nMedians against uploading the raw 256 x 256 pixels (%.3f ms):\n", base->real);
        for (const AggregateRun* run : reporter.all())
            std::printf("  %-22s %8.3f ms  x%.2f\n", run->name.c_str(), run->real, run->real / base->real);
    }
    benchmark::Shutdown();
    delete logger;
    for (const char* f : {"Textures/bench.png", "Textures/bench.jpg", "Textures/bench.dds", "bench.vert",
                          "bench-lines.vert", "bench.frag", "log.txt"})
        unlink(f);
    rmdir("Textures");
    if (chdir("/") == 0) rmdir(dir);
    return 0;
}
