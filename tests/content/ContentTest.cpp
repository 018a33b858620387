// The generated game data, checked the way the game uses it: models through the reader, pictures
// and volumes through the game's texture loader into the test's GL context, sounds through
// libsndfile. Runs with the game folder as working directory.
#include <GL/glew.h>
#include <IL/il.h>
#include <IL/ilu.h>
#define ILUT_USE_OPENGL
#include <IL/ilut.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Texture.h"
#include "model/glm.h"
#include "support/GlHarness.h"

namespace {

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class Content : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ilInit();
        iluInit();
        ilutInit();
        ilutRenderer(ILUT_OPENGL);
    }
};

struct ModelCase {
    const char* file;
    int longestAxis;  // 0 x, 1 y, 2 z
    int thinnestAxis;
};

TEST_F(Content, EveryModelReadsWithTexturesMaterialsAndUnitizes) {
    const ModelCase cases[] = {{"Modells/ship3.obj", 0, 1},
                               {"Modells/asteroid1.obj", -1, -1},
                               {"Modells/bullet.obj", 2, -1},
                               {"Modells/bullet-powerup.obj", -1, -1},
                               {"Modells/special-stern.obj", -1, 0}};
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(fileExists(c.file));
        GLMmodel* m = glmReadOBJ(c.file);
        EXPECT_GE(m->numtriangles, 40u);
        EXPECT_LE(m->numtriangles, 2500u);
        EXPECT_GT(m->numtexcoords, 0u);
        ASSERT_NE(m->mtllibname, nullptr);
        EXPECT_GT(m->nummaterials, 1u);
        // Every group that has faces has a material of its own, with the lighting terms set.
        unsigned int faces = 0;
        for (GLMgroup* g = m->groups; g; g = g->next) {
            faces += g->numtriangles;
            if (g->numtriangles == 0) continue;
            ASSERT_LT(g->material, m->nummaterials);
            EXPECT_NE(g->material, 0u) << g->name;
            const GLMmaterial& mat = m->materials[g->material];
            EXPECT_NE(mat.shininess, 65.0f) << mat.name;  // Ns was given
            EXPECT_GT(mat.diffuse[0] + mat.diffuse[1] + mat.diffuse[2], 0.5f) << mat.name;
        }
        EXPECT_EQ(faces, m->numtriangles);
        for (unsigned int i = 0; i < m->numtriangles; ++i)
            for (int k = 0; k < 3; ++k) {
                ASSERT_GE(m->triangles[i].tindices[k], 1u);
                ASSERT_LE(m->triangles[i].tindices[k], m->numtexcoords);
            }

        glmUnitize(m);
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (unsigned int i = 1; i <= m->numvertices; ++i)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], m->vertices[3 * i + k]);
                hi[k] = std::max(hi[k], m->vertices[3 * i + k]);
            }
        float extent[3];
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(lo[k], -1.0001f);
            EXPECT_LE(hi[k], 1.0001f);
            extent[k] = hi[k] - lo[k];
        }
        EXPECT_NEAR(*std::max_element(extent, extent + 3), 2.0f, 0.35f);
        for (int k = 0; k < 3; ++k) {
            if (c.longestAxis >= 0 && k != c.longestAxis) {
                EXPECT_GT(extent[c.longestAxis], extent[k]) << "axis " << k;
            }
            if (c.thinnestAxis >= 0 && k != c.thinnestAxis) {
                EXPECT_LT(extent[c.thinnestAxis], extent[k]) << "axis " << k;
            }
        }

        glmFacetNormals(m);
        harness::captureStderr();
        glmVertexNormals(m, 90.0f);
        EXPECT_EQ(harness::capturedStderr(), "");  // every vertex belongs to a face
        for (unsigned int i = 3; i < 3 * (m->numnormals + 1); ++i) ASSERT_TRUE(std::isfinite(m->normals[i]));
        glmDelete(m);
    }
}

TEST_F(Content, ShipPointsItsNoseAlongPlusXAndDrawsThroughADisplayList) {
    GLMmodel* m = glmReadOBJ("Modells/ship3.obj");
    glmUnitize(m);
    // The nose is the vertex furthest along +x: on the centre line.
    unsigned int nose = 1;
    for (unsigned int i = 1; i <= m->numvertices; ++i)
        if (m->vertices[3 * i] > m->vertices[3 * nose]) nose = i;
    EXPECT_NEAR(m->vertices[3 * nose + 2], 0.0f, 0.05f);
    glmFacetNormals(m);
    glmVertexNormals(m, 90.0f);
    const GLuint list = glmList(m, GLM_SMOOTH | GLM_TEXTURE | GLM_MATERIAL);
    ASSERT_NE(list, 0u);

    glViewport(0, 0, harness::kWidth, harness::kHeight);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1.6, 1.6, -1.2, 1.2, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    glCallList(list);  // seen from the side: nose right, wings below the hull's top
    glFinish();
    const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    int minX = harness::kWidth, maxX = -1, minY = harness::kHeight, maxY = -1, lit = 0;
    for (int y = 0; y < harness::kHeight; ++y)
        for (int x = 0; x < harness::kWidth; ++x)
            if (px[(static_cast<size_t>(y) * harness::kWidth + x) * 4] > 128) {
                ++lit;
                minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDeleteLists(list, 1);
    glmDelete(m);
    EXPECT_EQ(harness::glErrors(), "");
    ASSERT_GT(lit, 10000);
    // The unit-sized ship spans 2 units of the 3.2 across: 500 of 800 pixels.
    EXPECT_NEAR(maxX - minX, 500, 15);
    EXPECT_LT(maxY - minY, (maxX - minX) / 2);
}

bool texSideFits(int side, int picture) {
    if (side == picture) return true;
    const bool powerOfTwo = side > 0 && (side & (side - 1)) == 0;
    return powerOfTwo && side < 2 * picture && 2 * side > picture;
}

struct PictureCase {
    const char* name;
    int width, height;
    bool alpha;
};

// Mean absolute difference between two texel rows or columns of an RGBA image.
double edgeDifference(const std::vector<unsigned char>& px, int w, int h, bool columns, int a, int b) {
    double sum = 0;
    const int n = columns ? h : w;
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            const size_t pa = columns ? (static_cast<size_t>(i) * w + a) : (static_cast<size_t>(a) * w + i);
            const size_t pb = columns ? (static_cast<size_t>(i) * w + b) : (static_cast<size_t>(b) * w + i);
            sum += std::abs(px[pa * 4 + c] - px[pb * 4 + c]);
        }
    return sum / (3.0 * n);
}

TEST_F(Content, EveryPictureLoadsWithItsSizeAndAlpha) {
    std::vector<PictureCase> cases = {
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
    const std::string labels[11] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"};
    for (int i = 0; i < 11; ++i) cases.push_back({nullptr, 648, 66, true});
    TextureLoader loader;
    int label = 0;
    for (const PictureCase& c : cases) {
        const std::string name = c.name ? c.name : "shaderAnzeige" + labels[label++] + ".png";
        SCOPED_TRACE(name);
        // The file has the picture's own size ...
        ILuint image = ilGenImage();
        ilBindImage(image);
        ASSERT_TRUE(ilLoadImage(("Textures/" + name).c_str()));
        EXPECT_EQ(ilGetInteger(IL_IMAGE_WIDTH), c.width);
        EXPECT_EQ(ilGetInteger(IL_IMAGE_HEIGHT), c.height);
        ilDeleteImage(image);
        // ... and the texture has it too, or the power of two next to it when the image
        // library rescales pictures whose sides are not powers of two.
        std::unique_ptr<Texture> tex(loader.loadTexture(name, GL_TEXTURE_2D));
        ASSERT_NE(tex, nullptr);
        glBindTexture(GL_TEXTURE_2D, tex->getID());
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_TRUE(texSideFits(w, c.width)) << w;
        EXPECT_TRUE(texSideFits(h, c.height)) << h;
        ASSERT_GT(w, 0);
        ASSERT_GT(h, 0);
        std::vector<unsigned char> px(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        auto at = [&](int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * 4]; };
        // No flat fills: the colours vary across the picture.
        double mean = 0, var = 0;
        for (size_t i = 0; i < px.size(); i += 4) mean += px[i + 1];
        mean /= w * h;
        for (size_t i = 0; i < px.size(); i += 4) var += (px[i + 1] - mean) * (px[i + 1] - mean);
        EXPECT_GT(std::sqrt(var / (w * h)), 8.0);
        if (c.alpha) {
            // Invisible around, solid in the middle; the game cuts at alpha 0.4.
            for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) EXPECT_EQ(at(x, y)[3], 0);
            EXPECT_EQ(at(w / 2, h / 2)[3], 255);
            int solid = 0, clear = 0;
            for (size_t i = 3; i < px.size(); i += 4) solid += px[i] == 255, clear += px[i] == 0;
            EXPECT_GT(solid, w * h / 10);
            EXPECT_GT(clear, w * h / 20);
        } else {
            for (size_t i = 3; i < px.size(); i += 4) ASSERT_EQ(px[i], 255);
        }
        const std::string n = name;
        if (n == "sea.jpg" || n == "meer.jpg" || n == "frozensea.jpg" || n == "asteroid1-texture-final.jpg") {
            // Seamless: across the wrap the colours step no more than between neighbours inside.
            const double inside = edgeDifference(px, w, h, true, w / 2, w / 2 + 1);
            EXPECT_LT(edgeDifference(px, w, h, true, 0, w - 1), inside * 2.5 + 4);
            if (n != "asteroid1-texture-final.jpg") {
                EXPECT_LT(edgeDifference(px, w, h, false, 0, h - 1), edgeDifference(px, w, h, false, h / 2, h / 2 + 1) * 2.5 + 4);
            }
        }
    }
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(Content, NameEntryAndTableAreasStayPlainAndDark) {
    TextureLoader loader;
    for (const char* name : {"entername.jpg", "highscore.jpg"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<Texture> tex(loader.loadTexture(name, GL_TEXTURE_2D));
        ASSERT_NE(tex, nullptr);
        glBindTexture(GL_TEXTURE_2D, tex->getID());
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_GT(w, 0);
        ASSERT_GT(h, 0);
        std::vector<unsigned char> px(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        // Rows of the texture run bottom-up; the areas are given in picture pixels from the top.
        const bool entry = std::string(name) == "entername.jpg";
        const int x0 = entry ? 320 : 190, x1 = entry ? 640 : 610, y0 = entry ? 330 : 280, y1 = entry ? 415 : 530;
        int brightest = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const int tx = x * w / 800, ty = h - 1 - y * h / 600;
                const unsigned char* p = &px[(static_cast<size_t>(ty) * w + tx) * 4];
                brightest = std::max({brightest, int(p[0]), int(p[1]), int(p[2])});
            }
        EXPECT_LT(brightest, 60);
    }
}

TEST_F(Content, VolumesLoadAsThreeDimensionalTexturesOrderedLowToHigh) {
    TextureLoader loader;
    struct VolumeCase {
        const char* name;
        // Expected dominant look of the lowest and highest slice.
        bool (*low)(const double*);
        bool (*high)(const double*);
    } cases[] = {
        {"3dterrain4RGB.dds", [](const double* c) { return c[0] > c[2] + 40 && c[1] > c[2]; },  // sand
         [](const double* c) { return std::fabs(c[0] - c[2]) < 40 && c[0] > 100; }},              // grey rock
        {"3dTexWinter.dds", [](const double* c) { return c[2] > c[0] + 30; },                     // blue ice
         [](const double* c) { return c[0] > 200 && c[1] > 200 && c[2] > 200; }},                 // snow
        {"3dTexDesert.dds", [](const double* c) { return c[0] > 200 && c[1] > 160; },             // pale sand
         [](const double* c) { return c[0] > c[1] + 50 && c[1] > c[2]; }},                        // red rock
    };
    for (const VolumeCase& c : cases) {
        SCOPED_TRACE(c.name);
        // DevIL itself sees the depth of the volume.
        ILuint image = ilGenImage();
        ilBindImage(image);
        ASSERT_TRUE(ilLoadImage((std::string("Textures/") + c.name).c_str()));
        EXPECT_EQ(ilGetInteger(IL_IMAGE_DEPTH), 8);
        EXPECT_EQ(ilGetInteger(IL_IMAGE_WIDTH), 64);
        ilDeleteImage(image);

        std::unique_ptr<Texture> tex(loader.load3DTexture(c.name, GL_TEXTURE_3D));
        ASSERT_NE(tex, nullptr);
        glBindTexture(GL_TEXTURE_3D, tex->getID());
        GLint w = 0, h = 0, d = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &d);
        ASSERT_EQ(w, 64);
        ASSERT_EQ(h, 64);
        ASSERT_EQ(d, 8);
        std::vector<unsigned char> px(static_cast<size_t>(w) * h * d * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_3D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        glBindTexture(GL_TEXTURE_3D, 0);
        glDisable(GL_TEXTURE_3D);
        auto sliceMean = [&](int k, double* out) {
            out[0] = out[1] = out[2] = 0;
            for (int i = 0; i < w * h; ++i)
                for (int ch = 0; ch < 3; ++ch) out[ch] += px[(static_cast<size_t>(k) * w * h + i) * 4 + ch];
            for (int ch = 0; ch < 3; ++ch) out[ch] /= w * h;
        };
        double low[3], high[3];
        sliceMean(0, low);
        sliceMean(d - 1, high);
        EXPECT_TRUE(c.low(low)) << low[0] << " " << low[1] << " " << low[2];
        EXPECT_TRUE(c.high(high)) << high[0] << " " << high[1] << " " << high[2];
        // Every slice tiles: its wrap seams are no harsher than its inner steps.
        for (int k = 0; k < d; ++k) {
            std::vector<unsigned char> slice(px.begin() + static_cast<long>(k) * w * h * 4,
                                             px.begin() + static_cast<long>(k + 1) * w * h * 4);
            EXPECT_LT(edgeDifference(slice, w, h, true, 0, w - 1), edgeDifference(slice, w, h, true, w / 2, w / 2 + 1) * 2.5 + 4);
            EXPECT_LT(edgeDifference(slice, w, h, false, 0, h - 1), edgeDifference(slice, w, h, false, h / 2, h / 2 + 1) * 2.5 + 4);
        }
    }
    EXPECT_EQ(harness::glErrors(), "");
}

struct Decoded {
    SF_INFO info{};
    std::vector<float> samples;
};

Decoded decode(const std::string& path) {
    Decoded d;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &d.info);
    if (!f) return d;
    std::vector<float> buf(4096 * std::max(1, d.info.channels));
    sf_count_t n;
    while ((n = sf_readf_float(f, buf.data(), 4096)) > 0) d.samples.insert(d.samples.end(), buf.begin(), buf.begin() + n * d.info.channels);
    sf_close(f);
    return d;
}

TEST_F(Content, SoundEffectsAreShortCleanAndAudible) {
    for (const char* name : {"fire.wav", "beam.wav", "jump.wav", "collision.wav", "powerup.wav", "bulletpowerup.wav"}) {
        SCOPED_TRACE(name);
        const Decoded d = decode(std::string("Sounds/") + name);
        ASSERT_FALSE(d.samples.empty());
        EXPECT_EQ(d.info.samplerate, 44100);
        EXPECT_EQ(d.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        const double seconds = static_cast<double>(d.info.frames) / d.info.samplerate;
        EXPECT_GT(seconds, 0.1);
        EXPECT_LT(seconds, 2.0);
        double peak = 0, energy = 0;
        for (float s : d.samples) peak = std::max(peak, double(std::fabs(s))), energy += double(s) * s;
        EXPECT_LT(peak, 0.95);  // no clipping
        EXPECT_GT(std::sqrt(energy / d.samples.size()), 0.05);  // not silent
        // Fades at both ends: no click when the sound starts or is cut at its end.
        EXPECT_LT(std::fabs(d.samples.front()), 0.01f);
        EXPECT_LT(std::fabs(d.samples.back()), 0.01f);
    }
}

TEST_F(Content, PlaylistNamesLongMusicTitlesThatExist) {
    std::ifstream in("Sounds/playlist.m3u");
    ASSERT_TRUE(in);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "#EXTM3U");
    std::vector<std::string> entries;
    int pendingSeconds = -1;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.rfind("#EXTINF:", 0) == 0) {
            pendingSeconds = std::stoi(line.substr(8));
            EXPECT_NE(line.find(','), std::string::npos);
            continue;
        }
        ASSERT_NE(line[0], '#') << line;
        EXPECT_GE(pendingSeconds, 45) << line;
        pendingSeconds = -1;
        entries.push_back(line);
    }
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[0], "01 - Remember.mp3");
    for (const std::string& e : entries) {
        SCOPED_TRACE(e);
        ASSERT_TRUE(fileExists("Sounds/" + e));
        const Decoded d = decode("Sounds/" + e);
        ASSERT_FALSE(d.samples.empty());
        EXPECT_GE(static_cast<double>(d.info.frames) / d.info.samplerate, 45.0);
        double peak = 0, energy = 0;
        for (float s : d.samples) peak = std::max(peak, double(std::fabs(s))), energy += double(s) * s;
        EXPECT_LT(peak, 1.0);
        EXPECT_GT(std::sqrt(energy / d.samples.size()), 0.05);
    }
}

TEST_F(Content, FontIsTheDejaVuBoldFace) {
    std::ifstream a("Faktos.ttf", std::ios::binary), b("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", std::ios::binary);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    std::stringstream sa, sb;
    sa << a.rdbuf();
    sb << b.rdbuf();
    EXPECT_GT(sa.str().size(), 100000u);
    EXPECT_TRUE(sa.str() == sb.str());
}

// Same bytes on every run: a second run into a fresh folder matches the game folder.
TEST_F(Content, ToolOutputIsDeterministic) {
    const std::string dir = harness::makeTempDir("lumivex-content");
    std::string out;
    const int status = harness::runCommand("../tools/lumivex_content '" + dir + "' 2>&1", &out);
    ASSERT_EQ(status, 0) << out;
    std::string diff;
    const int same = harness::runCommand("diff -r -q -x highscore.png -x log.txt -x highscore.txt -x Shader -x lumivex '" + dir +
                                             "' . | grep -v '^Only in \\.' ",
                                         &diff);
    EXPECT_EQ(diff, "");
    EXPECT_NE(same, 0);  // grep found no difference line
    harness::runCommand("rm -rf '" + dir + "'");
}

}  // namespace
