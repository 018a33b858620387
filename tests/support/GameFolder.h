#pragma once
// A private copy of the game folder for the game-core and end-to-end tests (and the game
// benchmark), so the real folder's highscore.txt and log.txt are never written. Screen and
// label pictures can be replaced by solid colours, so a pixel tells which picture is shown.
#include <gd.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/GlHarness.h"

#ifndef LUMIVEX_GAME_DIR
#define LUMIVEX_GAME_DIR "."
#endif

namespace gamefolder {

using Rgb = std::array<int, 3>;

// i = 1 .. 11; each red differs from the next by 20, and every green from the screens' ones.
inline Rgb labelColour(int i) { return {20 * i + 10, 240 - 10 * i, (60 * i) % 220}; }
inline Rgb titleColour() { return {200, 20, 90}; }
inline Rgb creditsColour() { return {30, 60, 200}; }
inline Rgb enterNameColour() { return {20, 110, 40}; }

inline bool near(const Rgb& a, const Rgb& b, int tolerance = 14) {
    return std::abs(a[0] - b[0]) <= tolerance && std::abs(a[1] - b[1]) <= tolerance && std::abs(a[2] - b[2]) <= tolerance;
}

inline bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// A solid picture, PNG or JPEG by the file's extension.
inline void writePicture(const std::string& path, Rgb c) {
    gdImagePtr im = gdImageCreateTrueColor(64, 32);
    gdImageFilledRectangle(im, 0, 0, 63, 31, gdTrueColor(c[0], c[1], c[2]));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f && path.substr(path.size() - 4) == ".png") gdImagePng(im, f);
    else if (f) gdImageJpeg(im, f, 95);
    if (f) std::fclose(f);
    gdImageDestroy(im);
}

// The screen and label pictures of a data folder in the solid colours above.
inline void writeKnownPictures(const std::string& dir) {
    writePicture(dir + "/Textures/titlescreen.jpg", titleColour());
    writePicture(dir + "/Textures/creditsscreen.jpg", creditsColour());
    writePicture(dir + "/Textures/entername.jpg", enterNameColour());
    for (int i = 1; i <= 11; ++i)
        writePicture(dir + "/Textures/shaderAnzeige" + std::to_string(i) + ".png", labelColour(i));
}

struct Options {
    bool knownPictures = true;  // screen and label pictures in the solid colours above
    std::string sourceDir;      // the folder copied; empty: the build's game folder
};

// Builds the folder and returns its path (empty on failure).
inline std::string make(const std::string& prefix, const Options& options = Options()) {
    const std::string dir = harness::makeTempDir(prefix);
    const std::string src = options.sourceDir.empty() ? std::string(LUMIVEX_GAME_DIR) : options.sourceDir;
    if (dir.empty() || harness::runCommand("cp -r '" + src + "/.' '" + dir + "/'") != 0) return "";
    std::remove((dir + "/highscore.txt").c_str());
    std::remove((dir + "/settings.ini").c_str());  // the player's settings are not the test's
    harness::removeTree(dir + "/replays");  // nor the player's flights
    if (options.knownPictures) writeKnownPictures(dir);
    return dir;
}

}  // namespace gamefolder
