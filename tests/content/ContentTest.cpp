// The generated game data, checked the way the game uses it, with the game folder as working
// directory: models through the reader, pictures and volumes through the game's texture loader,
// sounds through libsndfile.
#include <GL/glew.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "framework/Texture.h"
#include "model/glm.h"
#include "platform/audio/Playlist.h"
#include "support/GlHarness.h"
#include "terrain/GroundGrain.h"

namespace {

TEST(Content, EveryModelReadsWithTexturesAndMaterialsAndUnitizes) {
    for (const char* file : {"ship3.obj", "asteroid1.obj", "asteroid1-far.obj", "bullet.obj", "bullet-powerup.obj",
                             "special-stern.obj"}) {
        SCOPED_TRACE(file);
        GLMmodel* m = glmReadOBJ((std::string("Modells/") + file).c_str());
        EXPECT_TRUE(m->numtriangles >= 40 && m->nummaterials > 1) << m->numtriangles << " " << m->nummaterials;
        for (GLMgroup* g = m->groups; g; g = g->next) {
            const float* diffuse = m->materials[g->material].diffuse;
            // a material of its own, not the fallback, and not black
            EXPECT_TRUE(g->numtriangles == 0 || (g->material != 0 && diffuse[0] + diffuse[1] + diffuse[2] > 0.5f)) << g->name;
        }
        for (unsigned int i = 0; i < m->numtriangles; ++i)
            for (unsigned int t : m->triangles[i].tindices) ASSERT_TRUE(t >= 1 && t <= m->numtexcoords);
        glmUnitize(m);  // the longest side 2 wide, centred: every coordinate within -1 .. 1
        const auto [lo, hi] = std::minmax_element(m->vertices + 3, m->vertices + 3 * (m->numvertices + 1));
        EXPECT_TRUE(*lo >= -1.0001f && *hi <= 1.0001f && *hi - *lo > 1.65f) << *lo << " .. " << *hi;
        glmDelete(m);
    }
}

// The texture's side: the picture's own, or the power of two next to it when the image library
// rescales pictures whose sides are not powers of two.
bool sideFits(int side, int picture) {
    return side == picture || ((side & (side - 1)) == 0 && side < 2 * picture && 2 * side > picture);
}

// Every picture with its size, an alpha channel exactly for the PNG cut-outs (invisible
// corners, a solid middle), and every volume as a 3D texture 64 wide with depth.
TEST(Content, EveryPictureAndVolumeLoadsWithItsSizeAndAlphaWhereNeeded) {
    TextureLoader loader;
    std::vector<std::pair<std::vector<std::string>, std::array<int, 2>>> pictures = {
        {{"titlescreen.jpg", "creditsscreen.jpg", "entername.jpg", "highscore.jpg"}, {800, 600}},
        {{"horizon-standard.jpg", "purehorizon.jpg", "sunnysky.jpg"}, {520, 360}},
        {{"sea.jpg", "meer.jpg", "frozensea.jpg", "bullet-powerup.jpg", "special-gold-texture.jpg"}, {256, 256}},
        {{"ship1-texture-final.jpg", "asteroid1-texture-final.jpg"}, {512, 512}},
        {{"sign1swarm.png", "sign1attack.png"}, {176, 496}}, {{"arrow.png"}, {64, 160}},
        {{"bullet-texture.jpg"}, {128, 128}}, {{}, {648, 66}}};
    for (int i = 1; i <= 11; ++i) pictures.back().first.push_back("shaderAnzeige" + std::to_string(i) + ".png");
    // The desktop icons: rounded, so their corners are clear.
    for (int side : {64, 128, 256}) pictures.push_back({{"../icons/lumivex-" + std::to_string(side) + ".png"}, {side, side}});
    for (const auto& [names, size] : pictures)
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            std::unique_ptr<Texture> tex(loader.loadTexture(name, GL_TEXTURE_2D));
            ASSERT_NE(tex, nullptr);
            int w = 0, h = 0;
            const std::vector<unsigned char> px = harness::readTexture(GL_TEXTURE_2D, tex->getID(), &w, &h);
            ASSERT_TRUE(sideFits(w, size[0]) && sideFits(h, size[1])) << w << " x " << h;
            int solid = 0;
            for (size_t i = 3; i < px.size(); i += 4) solid += px[i] == 255;
            const bool cutOut = name.find(".png") != std::string::npos;
            EXPECT_TRUE(cutOut ? px[3] == 0 && px[((h / 2) * w + w / 2) * 4 + 3] == 255 && solid > w * h / 10 : solid == w * h)
                << solid;
        }
    for (const char* name : {"3dterrain4RGB.dds", "3dTexWinter.dds", "3dTexDesert.dds"}) {
        std::unique_ptr<Texture> tex(loader.load3DTexture(name, GL_TEXTURE_3D));
        ASSERT_NE(tex, nullptr) << name;
        int w = 0, h = 0, d = 0;
        harness::readTexture(GL_TEXTURE_3D, tex->getID(), &w, &h, &d);
        EXPECT_TRUE(w == 64 * groundgrain::kScale && d > 1) << name << ": " << w << " x " << h << " x " << d;
    }
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(Content, EverySoundAndPlaylistEntryDecodesIsAudibleAndDoesNotClip) {
    std::vector<std::string> sounds = {"fire.wav", "beam.wav", "jump.wav", "collision.wav", "gameover.wav", "powerup.wav",
                                     "bulletpowerup.wav"};
    for (const audio::PlaylistEntry& entry : audio::parseM3U(harness::readFileText("Sounds/playlist.m3u"))) sounds.push_back(entry.file);
    EXPECT_GE(sounds.size(), 9u) << "three titles in the playlist";
    for (const std::string& name : sounds) {
        SF_INFO info{};
        SNDFILE* f = sf_open(("Sounds/" + name).c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << name << " does not exist or does not decode";
        std::vector<float> buf(4096 * info.channels);
        double peak = 0, energy = 0;
        for (sf_count_t n; (n = sf_readf_float(f, buf.data(), 4096)) > 0;)
            for (sf_count_t i = 0; i < n * info.channels; ++i) peak = std::max(peak, double(std::fabs(buf[i]))), energy += double(buf[i]) * buf[i];
        sf_close(f);
        EXPECT_LT(peak, 0.99) << name << " clips";
        EXPECT_GT(std::sqrt(energy / (info.frames * info.channels)), 0.05) << name << " is silent";
    }
}

// Same bytes on every run: a second run into a fresh folder matches the game folder.
TEST(Content, ToolOutputIsDeterministic) {
    const std::string dir = harness::makeTempDir("lumivex-content");
    std::string out;
    ASSERT_EQ(harness::runCommand("../tools/lumivex_content '" + dir + "' 2>&1", &out), 0) << out;
    std::string diff;
    harness::runCommand("diff -r -q -x highscore.png -x log.txt -x highscore.txt -x settings.ini -x stats.txt -x replays -x portable.txt -x Shader -x lumivex '" + dir + "' . 2>&1", &diff);
    EXPECT_EQ(diff, "");
    harness::removeTree(dir);
}

}  // namespace
