#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/Silhouette.h"
#include "model/glm.h"
#include "support/TestFiles.h"

namespace {

// One folder per process, removed at exit: a death test's child re-runs the program
// ("threadsafe" style) and makes its own, and never reaches a TearDown.
std::string folder;

class GlmReader : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testing::GTEST_FLAG(death_test_style) = "threadsafe";
        if (!folder.empty()) return;
        folder = harness::makeTempDir("lumivex-glm");
        std::atexit([] { harness::removeTree(folder); });
    }
    void TearDown() override {
        for (GLMmodel* m : models) glmDelete(m);
    }
    static std::string write(const std::string& name, const std::string& text) {
        harness::writeFileText(folder + "/" + name, text);
        return folder + "/" + name;
    }
    GLMmodel* read(const std::string& name, const std::string& text) {
        return models.emplace_back(glmReadOBJ(write(name, text).c_str()));
    }
    // Per triangle its vertex, normal and texture coordinate indices.
    static std::vector<unsigned> corners(GLMmodel* m) {
        std::vector<unsigned> out;
        for (unsigned i = 0; i < m->numtriangles; ++i)
            for (const unsigned* k : {m->triangles[i].vindices, m->triangles[i].nindices, m->triangles[i].tindices})
                out.insert(out.end(), k, k + 3);
        return out;
    }
    // Per group, newest first, its name and material.
    static std::vector<std::string> groups(GLMmodel* m) {
        std::vector<std::string> names;
        for (GLMgroup* g = m->groups; g; g = g->next) names.push_back(g->name + (":" + std::to_string(g->material)));
        return names;
    }
    std::vector<GLMmodel*> models;
};

const std::string kQuad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

TEST_F(GlmReader, QuadsFanIntoTwoTrianglesAndNegativeIndicesCountBack) {
    GLMmodel* m = read("quad.obj", kQuad + "f 1 2 3 4\nvt 0 0\nvt 1 0\nvn 0 0 1\nf -1/-1/-1 -2/-2/-1 -3/-1/-1\n");
    EXPECT_EQ(corners(m), (std::vector<unsigned>{1, 2, 3, 0, 0, 0, 0, 0, 0, 1, 3, 4, 0, 0, 0, 0, 0, 0, 4, 3, 2, 1, 1, 1, 2, 1, 2}));
}

// Words are cut to 127 characters, alike in the model and its library, so long names still
// match. Groups keep the blank before their name, list the newest first and "default" last.
TEST_F(GlmReader, GroupsAndMaterialsAreFoundByTheirCutNamesAndAnUnknownMaterialFallsBack) {
    const std::string longName(400, 'q'), longWord(5000, 'x'), longGroup = "g " + std::string(3000, 'h') + "\n";
    write("mats.mtl", "newmtl hull\nKd 1 0 0\nNs 500\nnewmtl " + longName + "\n" + longWord + "\n");
    harness::captureStdout();
    GLMmodel* m = read("mat.obj", "# " + longWord + "\nmtllib mats.mtl\n" + kQuad + "v 5 5 5\nusemtl hull\nf 1 2 3\n" + longGroup +
                                      "usemtl " + longName + "\nf 1 3 4\n" + longGroup + "f 4 3 2\ng top\nusemtl chrome\nf 1 3 4\n");
    EXPECT_EQ(harness::capturedStdout(), "glmFindMaterial():  can't find material \"chrome\".\n");
    ASSERT_EQ(m->nummaterials, 3u);
    EXPECT_FLOAT_EQ(m->materials[1].shininess, 64.0f);  // the file's 0..1000 as OpenGL's 0..128
    EXPECT_EQ(groups(m), (std::vector<std::string>{" top:0", " " + std::string(126, 'h') + ":2", "default:1"}));
    const GLMgroup* hull = m->groups->next;
    EXPECT_EQ((std::vector<unsigned>{hull->numtriangles, hull->triangles[1], hull->next->triangles[0]}), (std::vector<unsigned>{2, 2, 0}));
    EXPECT_EQ(glmFindGroup(m, "top"), nullptr);
    glmFacetNormals(m);
    harness::captureStderr();
    glmVertexNormals(m, 90.0f);
    EXPECT_EQ(harness::capturedStderr(), "glmVertexNormals(): vertex w/o a triangle\n");  // vertex 5
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
    GLMmodel* back = models.emplace_back(glmReadOBJ((folder + "/copy.obj").c_str()));
    EXPECT_EQ(corners(back), corners(m));
    EXPECT_EQ(groups(back), groups(m));
    EXPECT_EQ(std::vector<float>(back->vertices + 3, back->vertices + 18), std::vector<float>(m->vertices + 3, m->vertices + 18));
    EXPECT_EQ(std::vector<float>(back->normals + 3, back->normals + 3 * (back->numnormals + 1)),
              std::vector<float>(m->normals + 3, m->normals + 3 * (m->numnormals + 1)));
    ASSERT_EQ(back->nummaterials, 3u);
    EXPECT_STREQ(back->materials[2].name, "glow");
    EXPECT_FLOAT_EQ(back->materials[1].diffuse[2], 0.6f);
    EXPECT_NEAR(back->materials[1].shininess, m->materials[1].shininess, 1e-4);
}

// Unitize centres the bounding box and scales its longest side to 2. Normals are measured in
// double: the squares of a tiny triangle's cross product are float denormals or zero, those of
// a huge one beyond float range, and both once gave zero or badly scaled normals.
TEST_F(GlmReader, SizesAndNormalsHoldForEmptyTinyAndHugeModels) {
    EXPECT_EQ(glmUnitize(read("empty.obj", "")), 1.0f);
    GLMmodel* box = read("box.obj", "v 0 0 0\nv 4 4 4\nv 4 0 2\n");
    EXPECT_FLOAT_EQ(glmUnitize(box), 0.5f);
    EXPECT_EQ(std::vector<float>(box->vertices + 3, box->vertices + 12), std::vector<float>({-1, -1, -1, 1, 1, 1, 1, -1, 0}));
    GLMmodel* m = read("tiny.obj", "v 0 0 0\nv 1e-12 0 0\nv 0 1e-12 0\nv 3e-20 0 0\nv 0 0 2e-20\nv 1e19 0 0\nv 0 1e19 0\n"
                                   "f 1 2 3\nf 1 4 5\nf 1 6 7\n");
    glmFacetNormals(m);
    EXPECT_EQ(std::vector<float>(m->facetnorms + 3, m->facetnorms + 12), std::vector<float>({0, 0, 1, 0, -1, 0, 0, 0, 1}));
}

// Fatal reader errors print their message on standard output, sent to stderr for matching.
// A cube's outline: seen square-on, the four edges around the near face; from a corner, the six
// around the three near faces; from inside, none. Every line end has the texture coordinates of
// the face turned away (each face here has its own). A lone face is outlined by its open edges
// from behind only; only a closed model whose faces meet at shallow angles is outlined by these
// edges alone. The eye comes back out of a model-view matrix.
TEST_F(GlmReader, OutlinesAreTheEdgesBetweenFacesTurnedTowardsAndAwayFromTheEye) {
    GLMmodel* cube = read("cube.obj",
                          "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
                          "vt 0.1 0\nvt 0.2 0\nvt 0.3 0\nvt 0.4 0\nvt 0.5 0\nvt 0.6 0\n"
                          "f 5/1 6/1 7/1 8/1\nf 1/2 4/2 3/2 2/2\nf 2/3 3/3 7/3 6/3\nf 1/4 5/4 8/4 4/4\n"
                          "f 4/5 8/5 7/5 3/5\nf 1/6 2/6 6/6 5/6\n");
    const Silhouette outline(*cube);
    EXPECT_EQ(outline.edgeCount(), 18u);  // twelve sides and six diagonals
    EXPECT_FALSE(outline.smooth());  // closed, but its faces meet square
    const struct {
        float eye[3];
        size_t edges;
    } cases[] = {{{0, 0, 5}, 4}, {{5, 5, 5}, 6}, {{0, 0, 0.5f}, 0}, {{0, 0, -5}, 4}};
    for (const auto& c : cases) {
        std::vector<float> lines;
        outline.appendEdges(c.eye, lines);
        ASSERT_EQ(lines.size(), c.edges * 10) << c.eye[0] << c.eye[2];
        for (size_t end = 0; end < lines.size(); end += 5) {
            if (c.eye[0] == 0) {
                EXPECT_EQ(lines[end + 4], c.eye[2] > 0 ? 1 : -1);  // around the near face
            }
            EXPECT_NE(lines[end], c.eye[2] > 0 ? 0.1f : 0.2f);  // not the near face's coordinates
        }
    }

    const Silhouette lone(*read("lone.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.1 0.2\nvt 0.3 0.4\nvt 0.5 0.6\nf 1/1 2/2 3/3\n"));
    EXPECT_FALSE(lone.smooth());
    const std::string v = "v -1 1.618 0\nv 1 1.618 0\nv -1 -1.618 0\nv 1 -1.618 0\nv 0 -1 1.618\nv 0 1 1.618\nv 0 -1 -1.618\n"
                          "v 0 1 -1.618\nv 1.618 0 -1\nv 1.618 0 1\nv -1.618 0 -1\nv -1.618 0 1\n";
    const std::string f = "f 1 12 6\nf 1 6 2\nf 1 2 8\nf 1 8 11\nf 1 11 12\nf 2 6 10\nf 6 12 5\nf 12 11 3\nf 11 8 7\n"
                          "f 8 2 9\nf 4 10 5\nf 4 5 3\nf 4 3 7\nf 4 7 9\nf 4 9 10\nf 5 10 6\nf 3 5 12\nf 7 3 11\nf 9 7 8\nf 10 9 2\n";
    EXPECT_TRUE(Silhouette(*read("icosahedron.obj", v + f)).smooth());  // its faces 42 degrees apart
    std::vector<float> lines;
    const float front[3] = {0, 0, 1}, behind[3] = {0, 0, -1};
    lone.appendEdges(front, lines);
    EXPECT_TRUE(lines.empty());
    lone.appendEdges(behind, lines);
    EXPECT_EQ(lines, (std::vector<float>{0.1f, 0.2f, 0, 0, 0, 0.3f, 0.4f, 1, 0, 0, 0.3f, 0.4f, 1, 0, 0, 0.5f, 0.6f, 0, 1, 0,
                                         0.1f, 0.2f, 0, 0, 0, 0.5f, 0.6f, 0, 1, 0}));

    // Moved by (1, 2, 3) and doubled; a matrix that flattens everything has no eye.
    const float moved[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1}, flat[16] = {};
    float eye[3];
    ASSERT_TRUE(Silhouette::eyeOf(moved, eye));
    EXPECT_EQ(std::vector<float>(eye, eye + 3), (std::vector<float>{-0.5f, -1, -1.5f}));
    EXPECT_FALSE(Silhouette::eyeOf(flat, eye));
}

void readAndExit(const std::string& path) {
    dup2(2, 1);
    glmReadOBJ(path.c_str());
    std::exit(0);
}

TEST_F(GlmReader, NoModelFileOrAnIndexOutsideItsArrayEndsWithCodeOne) {
    const struct {
        std::string name, text, message;
    } cases[] = {  // indices outside the other arrays: fuzz/seeds/model
        {"nothere.obj", "", "can't open data file \".*/nothere.obj\""},
        {"", "", "can't open data file"},  // the folder (a device as model: tests/faults)
        {"vx.obj", "v 0 0 0\nvx 1 2 3\n", "Unknown token \"vx\""},
        {"nomtl.obj", "mtllib elsewhere.mtl\nv 0 0 0\n", "can't open material file \".*/elsewhere.mtl\""},
        {"index0.obj", kQuad + "f 0 1 2\n", "uses vertex index 0, outside 1\\.\\.4"},
    };
    for (const auto& c : cases) {
        const std::string path = c.text.empty() ? folder + "/" + c.name : write(c.name, c.text);
        EXPECT_EXIT(readAndExit(path), testing::ExitedWithCode(1), c.message) << c.name;
    }
    // A handler that returns cannot make the reader carry on with a broken model.
    EXPECT_EXIT(
        {
            glmSetFatalHandler([](int code) { std::fprintf(stderr, "handler saw %d\n", code); });
            readAndExit(folder + "/nothere.obj");
        },
        testing::ExitedWithCode(1), "handler saw 1");
}

}  // namespace
