#pragma once
// A private copy of the game folder for the game-core and end-to-end tests: everything the
// build put into the game folder, plus small generated stand-ins for any data the start-up
// needs that is not there, and screen and label pictures of known solid colours so that a
// test can tell from a pixel which picture is on the screen. The real game folder (and its
// highscore.txt) is never written.
#include <gd.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/GlHarness.h"

namespace gamefolder {

using Rgb = std::array<int, 3>;

// Solid colours of the generated pictures (all distinct, none black or white).
inline Rgb labelColour(int i) {  // i = 1 .. 11
    static const Rgb colours[11] = {{230, 40, 40},  {40, 200, 40},  {40, 40, 230},  {230, 230, 40},
                                    {230, 40, 230}, {40, 230, 230}, {250, 140, 20}, {140, 60, 200},
                                    {120, 120, 30}, {30, 120, 120}, {200, 120, 160}};
    return colours[i - 1];
}
inline Rgb titleColour() { return {200, 30, 90}; }
inline Rgb creditsColour() { return {30, 90, 200}; }
inline Rgb enterNameColour() { return {20, 110, 40}; }

inline bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

inline void makeDir(const std::string& path) { ::mkdir(path.c_str(), 0755); }

inline bool writeTone(const std::string& path, double seconds, double frequency) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const sf_count_t frames = static_cast<sf_count_t>(seconds * info.samplerate);
    std::vector<float> data(static_cast<size_t>(frames));
    for (sf_count_t i = 0; i < frames; ++i)
        data[static_cast<size_t>(i)] =
            0.3f * static_cast<float>(std::sin(2.0 * M_PI * frequency * static_cast<double>(i) / info.samplerate));
    const sf_count_t written = sf_writef_float(f, data.data(), frames);
    sf_close(f);
    return written == frames;
}

// A solid picture, PNG (with an opaque alpha channel) or JPEG by the file's extension.
inline bool writePicture(const std::string& path, Rgb c, int w = 64, int h = 32) {
    gdImagePtr im = gdImageCreateTrueColor(w, h);
    if (!im) return false;
    gdImageAlphaBlending(im, 0);
    gdImageSaveAlpha(im, 1);
    gdImageFilledRectangle(im, 0, 0, w - 1, h - 1, gdTrueColorAlpha(c[0], c[1], c[2], 0));
    int size = 0;
    const bool png = path.size() > 4 && path.substr(path.size() - 4) == ".png";
    void* bytes = png ? gdImagePngPtr(im, &size) : gdImageJpegPtr(im, &size, 95);
    gdImageDestroy(im);
    if (!bytes) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(bytes, 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
    if (f) std::fclose(f);
    gdFree(bytes);
    return ok;
}

// A small box with texture coordinates and one material.
inline std::string boxObj(const std::string& mtl) {
    std::string s = "mtllib " + mtl + "\n";
    const char* v[] = {"-1 -1 -1", "1 -1 -1", "1 1 -1", "-1 1 -1", "-1 -1 1", "1 -1 1", "1 1 1", "-1 1 1"};
    for (const char* p : v) s += std::string("v ") + p + "\n";
    s += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl body\n";
    const int f[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5}, {4, 8, 7, 3}, {1, 5, 8, 4}, {2, 3, 7, 6}};
    for (const auto& q : f) {
        s += "f " + std::to_string(q[0]) + "/1 " + std::to_string(q[1]) + "/2 " + std::to_string(q[2]) + "/3\n";
        s += "f " + std::to_string(q[0]) + "/1 " + std::to_string(q[2]) + "/3 " + std::to_string(q[3]) + "/4\n";
    }
    return s;
}

struct Options {
    bool knownPictures = true;  // replace screen and label pictures by known solid colours
    bool withTextures = true;   // false: no Textures/ folder at all
    std::string sourceDir;      // the folder copied; empty: the build's game folder
};

// Builds the folder and returns its path (empty on failure).
inline std::string make(const std::string& prefix, const Options& options = Options()) {
    const std::string dir = harness::makeTempDir(prefix);
    if (dir.empty()) return dir;
#ifdef LUMIVEX_GAME_DIR
    const std::string src = options.sourceDir.empty() ? std::string(LUMIVEX_GAME_DIR) : options.sourceDir;
#else
    const std::string src = options.sourceDir.empty() ? std::string(".") : options.sourceDir;
#endif
    harness::runCommand("cp -r '" + src + "/.' '" + dir + "/' 2>/dev/null");
    std::remove((dir + "/highscore.txt").c_str());
    std::remove((dir + "/log.txt").c_str());

    makeDir(dir + "/Sounds");
    makeDir(dir + "/Modells");
    makeDir(dir + "/Textures");

    const char* effects[] = {"fire.wav", "beam.wav", "jump.wav", "collision.wav", "powerup.wav", "bulletpowerup.wav"};
    double freq = 330;
    for (const char* e : effects) {
        const std::string p = dir + "/Sounds/" + e;
        if (!exists(p)) writeTone(p, 0.1, freq);
        freq += 55;
    }
    if (!exists(dir + "/Sounds/playlist.m3u")) {
        writeTone(dir + "/Sounds/test-music.wav", 2.0, 220);
        harness::writeFileText(dir + "/Sounds/playlist.m3u", "#EXTM3U\n#EXTINF:2,Test tune\ntest-music.wav\n");
    }

    const char* models[] = {"ship3.obj", "asteroid1.obj", "bullet.obj", "bullet-powerup.obj", "special-stern.obj"};
    bool mtlNeeded = false;
    for (const char* m : models) {
        const std::string p = dir + "/Modells/" + m;
        if (!exists(p)) {
            harness::writeFileText(p, boxObj("testbox.mtl"));
            mtlNeeded = true;
        }
    }
    if (mtlNeeded)
        harness::writeFileText(dir + "/Modells/testbox.mtl",
                               "newmtl body\nKa 0.2 0.2 0.2\nKd 0.8 0.6 0.4\nKs 0.2 0.2 0.2\nNs 20\n");

    if (options.knownPictures) {
        writePicture(dir + "/Textures/titlescreen.jpg", titleColour());
        writePicture(dir + "/Textures/creditsscreen.jpg", creditsColour());
        writePicture(dir + "/Textures/entername.jpg", enterNameColour());
        for (int i = 1; i <= 11; ++i)
            writePicture(dir + "/Textures/shaderAnzeige" + std::to_string(i) + ".png", labelColour(i));
    }
    if (!exists(dir + "/Textures/highscore.jpg"))
        writePicture(dir + "/Textures/highscore.jpg", Rgb{10, 10, 60}, 800, 600);
    if (!options.withTextures) harness::removeTree(dir + "/Textures");
    return dir;
}

}  // namespace gamefolder
