// The generated game data, checked the way the game uses it, with the game folder as working
// directory: models through the reader, pictures and volumes through the game's texture loader,
// sounds through libsndfile.
#include <GL/glew.h>
#include <IL/il.h>
#include <IL/ilu.h>
#define ILUT_USE_OPENGL
#include <IL/ilut.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/Texture.h"
#include "model/glm.h"
#include "support/GlHarness.h"

namespace {

// The image library started the way the resource cache starts it.
TextureLoader& loader() {
    static const bool started = (ilInit(), iluInit(), ilutInit(), true);
    static TextureLoader instance;
    (void)started;
    return instance;
}

TEST(Content, EveryModelReadsWithTexturesAndMaterialsAndUnitizes) {
    for (const char* file : {"ship3.obj", "asteroid1.obj", "bullet.obj", "bullet-powerup.obj", "special-stern.obj"}) {
        SCOPED_TRACE(file);
        GLMmodel* m = glmReadOBJ((std::string("Modells/") + file).c_str());
        EXPECT_GE(m->numtriangles, 40u);
        EXPECT_GT(m->numtexcoords, 0u);
        EXPECT_GT(m->nummaterials, 1u);
        for (GLMgroup* g = m->groups; g; g = g->next) {
            if (g->numtriangles == 0) continue;
            EXPECT_NE(g->material, 0u) << g->name;  // a material of its own, not the fallback
            EXPECT_GT(m->materials[g->material].diffuse[0] + m->materials[g->material].diffuse[1] + m->materials[g->material].diffuse[2], 0.5f);
        }
        for (unsigned int i = 0; i < m->numtriangles; ++i)
            for (unsigned int t : m->triangles[i].tindices) ASSERT_TRUE(t >= 1 && t <= m->numtexcoords);
        glmUnitize(m);
        float extent = 0;
        for (int k = 0; k < 3; ++k) {
            float lo = 1e9f, hi = -1e9f;
            for (unsigned int i = 1; i <= m->numvertices; ++i)
                lo = std::min(lo, m->vertices[3 * i + k]), hi = std::max(hi, m->vertices[3 * i + k]);
            EXPECT_GE(lo, -1.0001f);
            EXPECT_LE(hi, 1.0001f);
            extent = std::max(extent, hi - lo);
        }
        EXPECT_NEAR(extent, 2.0f, 0.35f);
        glmDelete(m);
    }
}

// The texture's side: the picture's own, or the power of two next to it when the image library
// rescales pictures whose sides are not powers of two.
bool sideFits(int side, int picture) {
    return side == picture || ((side & (side - 1)) == 0 && side < 2 * picture && 2 * side > picture);
}

TEST(Content, EveryPictureLoadsWithItsSizeAndAlphaWhereNeeded) {
    struct Picture {
        std::string name;
        int width, height;
        bool alpha;
    };
    std::vector<Picture> pictures = {
        {"titlescreen.jpg", 800, 600, false},      {"creditsscreen.jpg", 800, 600, false},
        {"entername.jpg", 800, 600, false},        {"highscore.jpg", 800, 600, false},
        {"horizon-standard.jpg", 520, 360, false}, {"purehorizon.jpg", 520, 360, false},
        {"sunnysky.jpg", 520, 360, false},         {"sea.jpg", 256, 256, false},
        {"meer.jpg", 256, 256, false},             {"frozensea.jpg", 256, 256, false},
        {"sign1swarm.png", 176, 496, true},        {"sign1attack.png", 176, 496, true},
        {"arrow.png", 64, 160, true},              {"ship1-texture-final.jpg", 512, 512, false},
        {"asteroid1-texture-final.jpg", 512, 512, false}, {"bullet-texture.jpg", 128, 128, false},
        {"bullet-powerup.jpg", 256, 256, false},   {"special-gold-texture.jpg", 256, 256, false},
    };
    for (int i = 1; i <= 11; ++i) pictures.push_back({"shaderAnzeige" + std::to_string(i) + ".png", 648, 66, true});
    // The desktop icons: rounded, so their corners are clear.
    for (int side : {64, 128, 256}) pictures.push_back({"../icons/lumivex-" + std::to_string(side) + ".png", side, side, true});
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.name);
        std::unique_ptr<Texture> tex(loader().loadTexture(p.name, GL_TEXTURE_2D));
        ASSERT_NE(tex, nullptr);
        glBindTexture(GL_TEXTURE_2D, tex->getID());
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_TRUE(sideFits(w, p.width) && sideFits(h, p.height)) << w << " x " << h;
        std::vector<unsigned char> px(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        int solid = 0, clear = 0;
        for (size_t i = 3; i < px.size(); i += 4) solid += px[i] == 255, clear += px[i] == 0;
        // Cut-out pictures: invisible corners, a solid middle; the rest opaque throughout.
        EXPECT_EQ(clear > 0, p.alpha);
        if (p.alpha) {
            EXPECT_EQ(px[3], 0);
            EXPECT_EQ(px[((h / 2) * w + w / 2) * 4 + 3], 255);
            EXPECT_GT(solid, w * h / 10);
        } else {
            EXPECT_EQ(solid, w * h);
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(Content, EachVolumeLoadsAsA3DTextureWithDepth) {
    for (const char* name : {"3dterrain4RGB.dds", "3dTexWinter.dds", "3dTexDesert.dds"}) {
        std::unique_ptr<Texture> tex(loader().load3DTexture(name, GL_TEXTURE_3D));
        ASSERT_NE(tex, nullptr) << name;
        glBindTexture(GL_TEXTURE_3D, tex->getID());
        GLint w = 0, d = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &d);
        EXPECT_EQ(w, 64) << name;
        EXPECT_GT(d, 1) << name;
    }
    glBindTexture(GL_TEXTURE_3D, 0);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(Content, EverySoundAndPlaylistEntryDecodesIsAudibleAndDoesNotClip) {
    std::vector<std::string> sounds = {"fire.wav", "beam.wav", "jump.wav", "collision.wav", "powerup.wav", "bulletpowerup.wav"};
    std::ifstream playlist("Sounds/playlist.m3u");
    ASSERT_TRUE(playlist);
    int entries = 0;
    for (std::string line; std::getline(playlist, line);)
        if (!line.empty() && line[0] != '#') sounds.push_back(line), ++entries;
    EXPECT_GE(entries, 3);
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
    harness::runCommand("diff -r -q -x highscore.png -x log.txt -x highscore.txt -x portable.txt -x Shader -x lumivex '" + dir + "' . 2>&1", &diff);
    EXPECT_EQ(diff, "");
    harness::removeTree(dir);
}

}  // namespace
