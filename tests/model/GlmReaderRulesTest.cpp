#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/glm.h"
#include "support/TestFiles.h"

namespace {

// One folder per process, removed at exit: death-test children re-run the program and end in
// exit(), never reaching a TearDown.
std::string folder;
void removeFolder() { harness::removeTree(folder); }

class GlmReader : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // A death test's child re-runs the program and makes its own folder; a forked child
        // would remove the parent's at its exit.
        testing::GTEST_FLAG(death_test_style) = "threadsafe";
        if (!folder.empty()) return;
        folder = harness::makeTempDir("lumivex-glm");
        std::atexit(removeFolder);
    }
    void TearDown() override {
        for (GLMmodel* m : models) glmDelete(m);
    }
    static std::string write(const std::string& name, const std::string& text) {
        harness::writeFileText(folder + "/" + name, text);
        return folder + "/" + name;
    }
    GLMmodel* read(const std::string& name, const std::string& text) {
        models.push_back(glmReadOBJ(write(name, text).c_str()));
        return models.back();
    }
    // Per triangle its vertex, normal and texture coordinate indices.
    static std::vector<unsigned> corners(GLMmodel* m) {
        std::vector<unsigned> out;
        for (unsigned i = 0; i < m->numtriangles; ++i)
            for (const unsigned* k : {m->triangles[i].vindices, m->triangles[i].nindices, m->triangles[i].tindices})
                out.insert(out.end(), k, k + 3);
        return out;
    }
    static std::vector<std::string> groupNames(GLMmodel* m) {
        std::vector<std::string> names;
        for (GLMgroup* g = m->groups; g; g = g->next) names.push_back(g->name);
        return names;
    }
    static bool finite(const float* v, size_t n) { return std::all_of(v, v + n, [](float f) { return std::isfinite(f); }); }
    std::vector<GLMmodel*> models;
};

const std::string kQuad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

TEST_F(GlmReader, QuadsFanIntoTwoTrianglesAndNegativeIndicesCountBack) {
    GLMmodel* m = read("quad.obj", kQuad + "f 1 2 3 4\nvt 0 0\nvt 1 0\nvn 0 0 1\nf -1/-1/-1 -2/-2/-1 -3/-1/-1\n");
    EXPECT_EQ(corners(m), (std::vector<unsigned>{1, 2, 3, 0, 0, 0, 0, 0, 0, 1, 3, 4, 0, 0, 0, 0, 0, 0, 4, 3, 2, 1, 1, 1, 2, 1, 2}));
}

TEST_F(GlmReader, GroupsKeepTheirLeadingBlankAndDefaultComesLast) {
    GLMmodel* m = read("groups.obj", kQuad + "v 5 5 5\nf 1 2 3\ng hull\nf 1 3 4\ng wing\nf 2 3 4\ng hull\nf 4 3 2\n");
    EXPECT_EQ(groupNames(m), (std::vector<std::string>{" wing", " hull", "default"}));
    EXPECT_EQ(glmFindGroup(m, "hull"), nullptr);
    ASSERT_NE(glmFindGroup(m, " hull"), nullptr);
    EXPECT_EQ(glmFindGroup(m, " hull")->numtriangles, 2u);
    ASSERT_EQ(glmFindGroup(m, "default")->numtriangles, 1u);
    EXPECT_EQ(glmFindGroup(m, "default")->triangles[0], 0u);
    // Vertex 5 belongs to no triangle.
    glmFacetNormals(m);
    harness::captureStderr();
    glmVertexNormals(m, 90.0f);
    EXPECT_EQ(harness::capturedStderr(), "glmVertexNormals(): vertex w/o a triangle\n");
}

TEST_F(GlmReader, ShininessScalesAndAnUnknownMaterialFallsBackToTheDefault) {
    write("mats.mtl", "newmtl hull\nKd 1 0 0\nNs 500\n");
    harness::captureStdout();
    GLMmodel* m = read("mat.obj", "mtllib mats.mtl\n" + kQuad + "usemtl hull\nf 1 2 3\ng top\nusemtl chrome\nf 1 3 4\n");
    EXPECT_EQ(harness::capturedStdout(), "glmFindMaterial():  can't find material \"chrome\".\n");
    ASSERT_EQ(m->nummaterials, 2u);
    EXPECT_FLOAT_EQ(m->materials[1].shininess, 64.0f);
    EXPECT_EQ(glmFindGroup(m, "default")->material, 1u);
    EXPECT_EQ(glmFindGroup(m, " top")->material, 0u);
}

TEST_F(GlmReader, WrittenModelsReadBackTheSame) {
    write("src.mtl", "newmtl hull\nKd 0.4 0.5 0.6\nNs 250\nnewmtl glow\nKd 1 1 0\n");
    GLMmodel* m = read("src.obj", "mtllib src.mtl\n" + kQuad + "v 0.5 0.5 1\nvt 0 0\nvt 1 0\nvt 1 1\n"
                                  "usemtl glow\nf 1/1 2/2 5/3\ng hull\nusemtl hull\nf 1/1 3/3 2/2 4/1\n");
    glmFacetNormals(m);
    glmVertexNormals(m, 90.0f);
    std::free(m->mtllibname);
    m->mtllibname = strdup("copy.mtl");
    ASSERT_TRUE(glmWriteOBJ(m, (folder + "/copy.obj").c_str(), GLM_SMOOTH | GLM_TEXTURE | GLM_MATERIAL));
    GLMmodel* back = glmReadOBJ((folder + "/copy.obj").c_str());
    models.push_back(back);
    EXPECT_EQ(corners(back), corners(m));
    ASSERT_EQ(back->numnormals, m->numnormals);
    EXPECT_EQ(groupNames(back), groupNames(m));
    EXPECT_EQ(std::vector<float>(back->vertices + 3, back->vertices + 18), std::vector<float>(m->vertices + 3, m->vertices + 18));
    for (unsigned i = 3; i < 3 * (m->numnormals + 1); ++i) EXPECT_FLOAT_EQ(back->normals[i], m->normals[i]);
    ASSERT_EQ(back->nummaterials, 3u);
    EXPECT_STREQ(back->materials[2].name, "glow");
    EXPECT_FLOAT_EQ(back->materials[1].diffuse[2], 0.6f);
    EXPECT_NEAR(back->materials[1].shininess, m->materials[1].shininess, 1e-4);
    EXPECT_EQ(glmFindGroup(back, " hull")->material, 1u);
}

// Fatal reader errors print their message on standard output, sent to stderr for matching.
void readAndExit(const std::string& path) {
    dup2(2, 1);
    glmReadOBJ(path.c_str());
    std::exit(0);
}

// The out-of-range indices above the vertices, negative ones, unknown tokens and a missing
// material library are tested with the fuzzers' inputs (tests/robust).
TEST_F(GlmReader, AMissingFileAndIndicesOfZeroOrBeyondTheCoordinatesEndWithCodeOne) {
    const struct {
        std::string text, message;
    } cases[] = {
        {"", "glmReadOBJ\\(\\) failed: can't open data file \".*/nothere.obj\""},
        {kQuad + "f 0 1 2\n", "uses vertex index 0, outside 1..4"},
        {kQuad + "vt 0 0\nf 1/1 2/2 3/1\n", "uses texture coordinate index 2, outside 1..1"},
        {kQuad + "f 1//1 2//1 3//1\n", "uses normal index 1, outside 1..0"},
    };
    for (int n = 0; n < 4; ++n) {
        const std::string path = n == 0 ? folder + "/nothere.obj" : write("bad" + std::to_string(n) + ".obj", cases[n].text);
        EXPECT_EXIT(readAndExit(path), testing::ExitedWithCode(1), cases[n].message) << n;
    }
    // Only plain files are models: a device would be read forever, a folder is no file.
    symlink("/dev/zero", (folder + "/zero.obj").c_str());
    EXPECT_EXIT(readAndExit(folder + "/zero.obj"), testing::ExitedWithCode(1), "can't open data file \".*/zero.obj\"");
    EXPECT_EXIT(readAndExit(folder), testing::ExitedWithCode(1), "can't open data file");
}

TEST_F(GlmReader, LongTokensEmptyAndBinaryFilesAndZeroNormalsAreHandled) {
    const std::string longWord(5000, 'x'), longGroup(3000, 'h');
    write("long.mtl", "newmtl " + std::string(400, 'q') + "\nKd 1 0 0\n" + longWord + "\n");
    GLMmodel* m = read("long.obj", "# " + longWord + "\nmtllib long.mtl\n" + longWord + " 1 2 3\n" + kQuad + "g " + longGroup +
                                       "\nusemtl " + std::string(400, 'q') + "\nf 1 2 3 4\n");
    EXPECT_EQ(m->numtriangles, 2u);
    EXPECT_LE(std::strlen(m->groups->name), 127u);
    EXPECT_EQ(m->groups->material, 1u);

    GLMmodel* empty = read("empty.obj", "");
    EXPECT_EQ(empty->numvertices, 0u);
    EXPECT_FLOAT_EQ(glmUnitize(empty), 1.0f);
    // Unitize centres the bounding box and scales its longest side to 2.
    GLMmodel* box = read("box.obj", "v 0 0 0\nv 4 4 4\nv 4 0 2\n");
    EXPECT_FLOAT_EQ(glmUnitize(box), 0.5f);
    EXPECT_EQ(std::vector<float>(box->vertices + 3, box->vertices + 12), std::vector<float>({-1, -1, -1, 1, 1, 1, 1, -1, 0}));

    // Repeated and collinear vertices give zero-length normals: zeros, never NaN.
    GLMmodel* flat = read("flat.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nf 1 2 3\nf 1 1 4\nf 1 2 4\n");
    glmFacetNormals(flat);
    glmVertexNormals(flat, 90.0f);
    EXPECT_TRUE(finite(flat->facetnorms, 3 * (flat->numfacetnorms + 1)));
    EXPECT_TRUE(finite(flat->normals, 3 * (flat->numnormals + 1)));

    // Random bytes and token soup end normally or with code 1 after a message; never a crash.
    const char* soup[] = {"v ", "vn ", "vt ", "f ", "g ", "usemtl x ", "# ", "1", "-1", "-7", "0", "/", "//", " ", "\n", "3.5", "e9", "9999999999"};
    uint32_t state = 12345;
    for (int round = 0; round < 12; ++round) {
        std::string bytes;
        for (int i = 0; i < 1000; ++i) {
            state = state * 1664525u + 1013904223u;
            bytes += round % 2 ? std::string(soup[(state >> 8) % (sizeof soup / sizeof *soup)]) : std::string(1, static_cast<char>(state >> 24));
        }
        const std::string path = write("junk" + std::to_string(round) + ".obj", bytes);
        EXPECT_EXIT(
            {
                GLMmodel* j = glmReadOBJ(path.c_str());
                glmUnitize(j);
                glmFacetNormals(j);
                glmVertexNormals(j, 90.0f);
                std::exit(finite(j->normals, 3 * (j->numnormals + 1)) ? 0 : 3);
            },
            [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) <= 1; }, "")
            << round;
    }
}

}  // namespace
