#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "model/glm.h"
#include "support/GlHarness.h"

namespace {

// Death-test children run SetUp and then end in exit(), never reaching TearDown: their folders
// are removed when the process exits.
std::vector<std::string>& foldersToRemove() {
    static std::vector<std::string> folders;
    return folders;
}
void removeFolders() {
    std::error_code ignored;
    for (const std::string& f : foldersToRemove()) std::filesystem::remove_all(f, ignored);
}

class GlmReader : public testing::Test {
protected:
    void SetUp() override {
        // The list exists before the handler is registered, so it is destroyed after it runs.
        foldersToRemove();
        static const bool registered = std::atexit(removeFolders) == 0;
        (void)registered;
        dir = harness::makeTempDir("lumivex-glm");
        foldersToRemove().push_back(dir);
    }
    void TearDown() override {
        for (GLMmodel* m : models) glmDelete(m);
        harness::runCommand("rm -rf '" + dir + "'");
    }
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = dir + "/" + name;
        harness::writeFileText(path, text);
        return path;
    }
    GLMmodel* read(const std::string& name, const std::string& text) {
        GLMmodel* m = glmReadOBJ(write(name, text).c_str());
        models.push_back(m);
        return m;
    }
    static std::vector<unsigned> vindices(const GLMtriangle& t) { return {t.vindices[0], t.vindices[1], t.vindices[2]}; }
    static std::vector<unsigned> tindices(const GLMtriangle& t) { return {t.tindices[0], t.tindices[1], t.tindices[2]}; }
    static std::vector<unsigned> nindices(const GLMtriangle& t) { return {t.nindices[0], t.nindices[1], t.nindices[2]}; }
    static std::vector<std::string> groupNames(GLMmodel* m) {
        std::vector<std::string> names;
        for (GLMgroup* g = m->groups; g; g = g->next) names.push_back(g->name);
        return names;
    }
    static bool allFinite(const float* values, size_t count) {
        for (size_t i = 0; i < count; ++i)
            if (!std::isfinite(values[i])) return false;
        return true;
    }

    std::string dir;
    std::vector<GLMmodel*> models;
};

const char* kQuad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

TEST_F(GlmReader, FacesBecomeFansAroundTheirFirstVertexInEveryForm) {
    GLMmodel* m = read("quad.obj", std::string(kQuad) + "f 1 2 3 4\n");
    ASSERT_EQ(m->numvertices, 4u);
    ASSERT_EQ(m->numtriangles, 2u);
    EXPECT_EQ(vindices(m->triangles[0]), (std::vector<unsigned>{1, 2, 3}));
    EXPECT_EQ(vindices(m->triangles[1]), (std::vector<unsigned>{1, 3, 4}));
    EXPECT_EQ(tindices(m->triangles[1]), (std::vector<unsigned>{0, 0, 0}));
    EXPECT_EQ(m->normals, nullptr);
    EXPECT_EQ(m->texcoords, nullptr);
    EXPECT_FLOAT_EQ(m->vertices[3 * 3 + 1], 1.0f);  // y of vertex 3

    // A pentagon in vertex/texcoord/normal form fans all three index kinds.
    GLMmodel* p = read("penta.obj",
                       std::string(kQuad) + "v 0.5 2 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt .5 1\nvn 0 0 1\nvn 0 0 -1\n"
                                            "f 1/5/1 2/4/2 3/3/1 4/2/2 5/1/1\n");
    ASSERT_EQ(p->numtriangles, 3u);
    EXPECT_EQ(vindices(p->triangles[2]), (std::vector<unsigned>{1, 4, 5}));
    EXPECT_EQ(tindices(p->triangles[1]), (std::vector<unsigned>{5, 3, 2}));
    EXPECT_EQ(nindices(p->triangles[2]), (std::vector<unsigned>{1, 2, 1}));
    EXPECT_FLOAT_EQ(p->texcoords[2 * 5], 0.5f);
    EXPECT_FLOAT_EQ(p->normals[3 * 2 + 2], -1.0f);

    // vertex//normal and vertex/texcoord forms fill only what they name.
    GLMmodel* vn = read("vn.obj", std::string(kQuad) + "vn 0 0 1\nf 1//1 2//1 3//1\n");
    EXPECT_EQ(nindices(vn->triangles[0]), (std::vector<unsigned>{1, 1, 1}));
    EXPECT_EQ(tindices(vn->triangles[0]), (std::vector<unsigned>{0, 0, 0}));
    GLMmodel* vt = read("vt.obj", std::string(kQuad) + "vt 0 0\nvt 1 1\nf 1/1 2/2 3/1 4/2\n");
    ASSERT_EQ(vt->numtriangles, 2u);
    EXPECT_EQ(tindices(vt->triangles[1]), (std::vector<unsigned>{1, 1, 2}));
    EXPECT_EQ(nindices(vt->triangles[1]), (std::vector<unsigned>{0, 0, 0}));
}

TEST_F(GlmReader, NegativeIndicesCountBackFromTheItemsReadSoFar) {
    GLMmodel* m = read("neg.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 1 1 0\nvt 0 0\nvt 1 0\n"
                                  "vn 0 0 1\nf -1/-1/-1 -2/-2/-1 -3/-1/-1\n");
    ASSERT_EQ(m->numtriangles, 2u);
    EXPECT_EQ(vindices(m->triangles[0]), (std::vector<unsigned>{1, 2, 3}));
    // Four vertices read by then: -1 is vertex 4.
    EXPECT_EQ(vindices(m->triangles[1]), (std::vector<unsigned>{4, 3, 2}));
    EXPECT_EQ(tindices(m->triangles[1]), (std::vector<unsigned>{2, 1, 2}));
    EXPECT_EQ(nindices(m->triangles[1]), (std::vector<unsigned>{1, 1, 1}));
}

TEST_F(GlmReader, GroupsKeepTheirLeadingBlankAndDefaultIsDrawnLast) {
    GLMmodel* m = read("groups.obj", std::string(kQuad) + "f 1 2 3\ng hull\nf 1 3 4\ng wing\nf 2 3 4\ng hull\nf 4 3 2\n");
    EXPECT_EQ(m->numgroups, 3u);
    // Newest first: the list ends with "default", which holds the faces before any g line.
    EXPECT_EQ(groupNames(m), (std::vector<std::string>{" wing", " hull", "default"}));
    EXPECT_EQ(glmFindGroup(m, "hull"), nullptr);
    GLMgroup* hull = glmFindGroup(m, " hull");
    ASSERT_NE(hull, nullptr);
    ASSERT_EQ(hull->numtriangles, 2u);
    EXPECT_EQ(hull->triangles[0], 1u);
    EXPECT_EQ(hull->triangles[1], 3u);
    GLMgroup* def = glmFindGroup(m, "default");
    ASSERT_NE(def, nullptr);
    ASSERT_EQ(def->numtriangles, 1u);
    EXPECT_EQ(def->triangles[0], 0u);

    // Only "v" lines: one empty group, and every vertex reports that no triangle uses it.
    GLMmodel* bare = read("bare.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n");
    EXPECT_EQ(groupNames(bare), (std::vector<std::string>{"default"}));
    EXPECT_EQ(bare->numtriangles, 0u);
    glmFacetNormals(bare);
    harness::captureStderr();
    glmVertexNormals(bare, 90.0f);
    const std::string err = harness::capturedStderr();
    size_t count = 0;
    for (size_t at = err.find("glmVertexNormals(): vertex w/o a triangle\n"); at != std::string::npos;
         at = err.find("glmVertexNormals(): vertex w/o a triangle\n", at + 1))
        ++count;
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(bare->numnormals, 0u);
}

TEST_F(GlmReader, UnitizeCentresAndScalesBySumsOfAbsoluteExtents) {
    std::string cube;
    for (int i = 0; i < 8; ++i)
        cube += "v " + std::to_string(i & 1 ? 1 : -1) + " " + std::to_string(i & 2 ? 1 : -1) + " " +
                std::to_string(i & 4 ? 1 : -1) + "\n";
    GLMmodel* c = read("cube.obj", cube + "f 1 2 4 3\n");
    std::vector<float> before(c->vertices + 3, c->vertices + 27);
    EXPECT_FLOAT_EQ(glmUnitize(c), 1.0f);
    EXPECT_EQ(std::vector<float>(c->vertices + 3, c->vertices + 27), before);

    GLMmodel* box = read("box.obj", "v 0 0 0\nv 4 4 4\nv 4 0 2\n");
    EXPECT_FLOAT_EQ(glmUnitize(box), 0.5f);
    EXPECT_FLOAT_EQ(box->vertices[3], -1.0f);
    EXPECT_FLOAT_EQ(box->vertices[6 + 1], 1.0f);
    EXPECT_FLOAT_EQ(box->vertices[9 + 2], 0.0f);

    // The width is |max| + |min|, not max - min: 1..3 counts as 4 wide.
    GLMmodel* off = read("off.obj", "v 1 0 0\nv 3 0 0\n");
    EXPECT_FLOAT_EQ(glmUnitize(off), 0.5f);
    EXPECT_FLOAT_EQ(off->vertices[3], -0.5f);
    EXPECT_FLOAT_EQ(off->vertices[6], 0.5f);
    float dims[3];
    glmDimensions(off, dims);
    EXPECT_FLOAT_EQ(dims[0], 1.0f);

    // Nothing to measure: no vertices, or a single point, change nothing and make no NaN.
    GLMmodel* none = read("none.obj", "# nothing\n");
    EXPECT_FLOAT_EQ(glmUnitize(none), 1.0f);
    GLMmodel* point = read("point.obj", "v 0 0 0\n");
    EXPECT_FLOAT_EQ(glmUnitize(point), 1.0f);
    EXPECT_TRUE(allFinite(point->vertices + 3, 3));
}

TEST_F(GlmReader, MaterialLibraryValuesAndFallbacks) {
    write("mats.mtl",
          "# materials\nKd 0.1 0.2 0.3\nnewmtl hull\nKa 0.5 0.5 0.6\nKd 1 0 0\nKs 0.9 0.8 0.7\nNs 500\n"
          "newmtl glass extra\nNs 500\nNi 1.0\nKe 9 9 9\n\nnewmtl plain\n");
    GLMmodel* m = read("mat.obj", "mtllib mats.mtl\n" + std::string(kQuad) +
                                      "usemtl hull\nf 1 2 3\ng top\nf 1 3 4\nusemtl extra\ng side\nf 2 3 4\n");
    ASSERT_EQ(m->nummaterials, 4u);
    ASSERT_NE(m->mtllibname, nullptr);
    EXPECT_STREQ(m->mtllibname, "mats.mtl");
    EXPECT_STREQ(m->materials[0].name, "default");
    EXPECT_FLOAT_EQ(m->materials[0].diffuse[2], 0.3f);  // lines before newmtl set the default
    EXPECT_STREQ(m->materials[1].name, "hull");
    EXPECT_FLOAT_EQ(m->materials[1].shininess, 64.0f);
    EXPECT_FLOAT_EQ(m->materials[1].ambient[2], 0.6f);
    EXPECT_FLOAT_EQ(m->materials[1].diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(m->materials[1].diffuse[3], 1.0f);
    EXPECT_FLOAT_EQ(m->materials[1].specular[1], 0.8f);
    EXPECT_STREQ(m->materials[2].name, "extra");  // the second word names it
    EXPECT_FLOAT_EQ(m->materials[2].shininess, 0.128f);  // a later Ni overwrites Ns
    EXPECT_FLOAT_EQ(m->materials[2].emissive[0], 0.0f);
    EXPECT_FLOAT_EQ(m->materials[3].shininess, 65.0f);
    EXPECT_FLOAT_EQ(m->materials[3].diffuse[1], 0.8f);
    EXPECT_FLOAT_EQ(m->materials[3].ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(m->materials[3].specular[0], 0.0f);
    // usemtl sets the current group's material; a g line gives the new group the current one.
    EXPECT_EQ(glmFindGroup(m, "default")->material, 1u);
    EXPECT_EQ(glmFindGroup(m, " top")->material, 2u);
    EXPECT_EQ(glmFindGroup(m, " side")->material, 2u);

    harness::captureStdout();
    GLMmodel* unknown = read("unknown.obj", "mtllib mats.mtl\n" + std::string(kQuad) + "usemtl chrome\nf 1 2 3\n");
    const std::string out = harness::capturedStdout();
    EXPECT_NE(out.find("glmFindMaterial():  can't find material \"chrome\".\n"), std::string::npos) << out;
    EXPECT_EQ(glmFindGroup(unknown, "default")->material, 0u);
}

TEST_F(GlmReader, FacetAndVertexNormals) {
    // Two triangles at a right angle share the edge 1-2; a third faces the other way.
    GLMmodel* m = read("fold.obj",
                       "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 -1\nv 5 5 5\nv 6 5 5\nv 5 6 5\n"
                       "f 1 2 3\nf 1 2 4\nf 5 7 6\n");
    glmFacetNormals(m);
    ASSERT_EQ(m->numfacetnorms, 3u);
    EXPECT_EQ(m->triangles[1].findex, 2u);
    EXPECT_FLOAT_EQ(m->facetnorms[3 + 2], 1.0f);   // (v1-v0)x(v2-v0) = +z
    EXPECT_FLOAT_EQ(m->facetnorms[6 + 1], 1.0f);   // +y
    EXPECT_FLOAT_EQ(m->facetnorms[9 + 2], -1.0f);  // wound the other way: -z
    glmVertexNormals(m, 90.0f);
    // Vertex 1: one averaged normal for both triangles, the diagonal of +z and +y.
    const GLMtriangle& t0 = m->triangles[0];
    const GLMtriangle& t1 = m->triangles[1];
    EXPECT_EQ(t0.nindices[0], t1.nindices[0]);
    const float* n = &m->normals[3 * t0.nindices[0]];
    EXPECT_NEAR(n[0], 0.0f, 1e-6);
    EXPECT_NEAR(n[1], std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(n[2], std::sqrt(0.5f), 1e-6);
    // Vertex 3 is used by one triangle: its own facet normal.
    EXPECT_FLOAT_EQ(m->normals[3 * t0.nindices[2] + 2], 1.0f);
    // 7 vertices each give one averaged normal.
    EXPECT_EQ(m->numnormals, 7u);

    // At a narrow angle the perpendicular facets are kept apart: copies of each facet normal.
    GLMmodel* sharp = read("sharp.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 -1\nf 1 2 3\nf 1 2 4\n");
    glmFacetNormals(sharp);
    glmVertexNormals(sharp, 30.0f);
    const GLMtriangle& s0 = sharp->triangles[0];
    const GLMtriangle& s1 = sharp->triangles[1];
    EXPECT_NE(s0.nindices[0], s1.nindices[0]);
    EXPECT_FLOAT_EQ(sharp->normals[3 * s0.nindices[0] + 2], 1.0f);
    EXPECT_FLOAT_EQ(sharp->normals[3 * s1.nindices[0] + 1], 1.0f);
    EXPECT_EQ(sharp->numnormals, 6u);

    // Degenerate triangles (repeated or collinear vertices) leave zero normals, never NaN.
    GLMmodel* flat = read("degenerate.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nf 1 2 3\nf 1 1 4\nf 1 2 4\n");
    glmFacetNormals(flat);
    EXPECT_TRUE(allFinite(flat->facetnorms, 3 * (flat->numfacetnorms + 1)));
    EXPECT_FLOAT_EQ(flat->facetnorms[3 + 0] + flat->facetnorms[3 + 1] + flat->facetnorms[3 + 2], 0.0f);
    glmVertexNormals(flat, 90.0f);
    EXPECT_TRUE(allFinite(flat->normals, 3 * (flat->numnormals + 1)));

    float zero[3] = {0, 0, 0};
    glmNormalize(zero);
    EXPECT_TRUE(allFinite(zero, 3));
    EXPECT_EQ(zero[0] + zero[1] + zero[2], 0.0f);
    float v[3] = {3, 0, 4};
    glmNormalize(v);
    EXPECT_FLOAT_EQ(v[0], 0.6f);
    EXPECT_FLOAT_EQ(v[2], 0.8f);
}

TEST_F(GlmReader, WrittenModelsReadBackTheSame) {
    write("src.mtl", "newmtl hull\nKa 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.7 0.8 0.9\nNs 250\nnewmtl glow\nKd 1 1 0\n");
    GLMmodel* m = read("src.obj", "mtllib src.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 0.5 1\n"
                                  "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.25 0.75\n"
                                  "usemtl glow\nf 1/1 2/2 5/5\ng hull\nusemtl hull\nf 1/1 3/3 2/2 \nf 1/1 4/4 3/3\n"
                                  "g nose\nusemtl glow\nf 2/2 3/3 5/5\ng tail\nusemtl default\nf 3/3 4/4 5/5\n");
    glmFacetNormals(m);
    glmVertexNormals(m, 90.0f);
    const std::string out = dir + "/copy.obj";
    std::free(m->mtllibname);
    m->mtllibname = strdup("copy.mtl");
    ASSERT_TRUE(glmWriteOBJ(m, out.c_str(), GLM_SMOOTH | GLM_TEXTURE | GLM_MATERIAL));
    EXPECT_NE(harness::readFileText(dir + "/copy.mtl").find("newmtl glow"), std::string::npos);

    GLMmodel* back = glmReadOBJ(out.c_str());
    models.push_back(back);
    ASSERT_EQ(back->numvertices, m->numvertices);
    ASSERT_EQ(back->numtriangles, m->numtriangles);
    ASSERT_EQ(back->numtexcoords, m->numtexcoords);
    ASSERT_EQ(back->numnormals, m->numnormals);
    EXPECT_EQ(groupNames(back), groupNames(m));
    for (unsigned i = 0; i < m->numtriangles; ++i) {
        EXPECT_EQ(vindices(back->triangles[i]), vindices(m->triangles[i])) << i;
        EXPECT_EQ(tindices(back->triangles[i]), tindices(m->triangles[i])) << i;
        EXPECT_EQ(nindices(back->triangles[i]), nindices(m->triangles[i])) << i;
    }
    for (unsigned i = 3; i < 3 * (m->numvertices + 1); ++i) EXPECT_FLOAT_EQ(back->vertices[i], m->vertices[i]);
    for (unsigned i = 3; i < 3 * (m->numnormals + 1); ++i) EXPECT_FLOAT_EQ(back->normals[i], m->normals[i]);
    for (unsigned i = 2; i < 2 * (m->numtexcoords + 1); ++i) EXPECT_FLOAT_EQ(back->texcoords[i], m->texcoords[i]);
    ASSERT_EQ(back->nummaterials, 3u);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_STREQ(back->materials[i].name, m->materials[i].name);
        EXPECT_NEAR(back->materials[i].shininess, m->materials[i].shininess, 1e-4);
        for (int k = 0; k < 4; ++k) {
            EXPECT_FLOAT_EQ(back->materials[i].ambient[k], m->materials[i].ambient[k]);
            EXPECT_FLOAT_EQ(back->materials[i].diffuse[k], m->materials[i].diffuse[k]);
            EXPECT_FLOAT_EQ(back->materials[i].specular[k], m->materials[i].specular[k]);
        }
    }
    for (GLMgroup *a = m->groups, *b = back->groups; a && b; a = a->next, b = b->next) {
        EXPECT_EQ(a->material, b->material) << a->name;
        ASSERT_EQ(a->numtriangles, b->numtriangles) << a->name;
        for (unsigned i = 0; i < a->numtriangles; ++i) EXPECT_EQ(a->triangles[i], b->triangles[i]);
    }
    EXPECT_EQ(glmFindGroup(back, " tail")->material, 0u);

    // A file that cannot be created is reported, not ignored.
    EXPECT_FALSE(glmWriteOBJ(m, (dir + "/missing/dir/x.obj").c_str(), GLM_NONE));
}

TEST_F(GlmReader, MissingFilesAndUnknownTokensEndWithCodeOne) {
    const std::string missing = dir + "/nothere.obj";
    // The OBJ messages go to standard output: send it to the death test's stderr to match it.
    EXPECT_EXIT(
        {
            dup2(2, 1);
            glmReadOBJ(missing.c_str());
        },
        testing::ExitedWithCode(1), "glmReadOBJ\\(\\) failed: can't open data file \".*/nothere.obj\"");

    const std::string noMtl = write("nomtl.obj", "mtllib gone.mtl\nv 0 0 0\n");
    EXPECT_EXIT(glmReadOBJ(noMtl.c_str()), testing::ExitedWithCode(1),
                "glmReadMTL\\(\\) failed: can't open material file \".*/gone.mtl\"");

    const std::string token = write("token.obj", "v 0 0 0\nvp 0.5\n");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            glmReadOBJ(token.c_str());
        },
        testing::ExitedWithCode(1), "glmFirstPass\\(\\): Unknown token \"vp\"");
}

// Face indices that point outside the arrays end the program with a message naming the file
// and the index; they are never used to read memory.
TEST_F(GlmReader, FaceIndicesOutsideTheArraysAreRejected) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"f 1 2 9\n", "vertex index 9, outside 1..3"},
        {"f 0 1 2\n", "vertex index 0, outside 1..3"},
        {"f -4 -2 -1\n", "vertex index -4, outside 1..3"},
        {"f 1 2 3 7\n", "vertex index 7, outside 1..3"},
        {"vt 0 0\nf 1/1 2/2 3/1\n", "texture coordinate index 2, outside 1..1"},
        {"f 1//1 2//1 3//1\n", "normal index 1, outside 1..0"},
        {"vn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n", "texture coordinate index 1, outside 1..0"},
        {"f 1 2\n", "vertex index 0, outside 1..3"},
        {"f 1 2 3 -2147483648\n", "vertex index -2147483648"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = write("bad" + std::to_string(n++) + ".obj", std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\n") + c.text);
        EXPECT_EXIT(
            {
                dup2(2, 1);
                glmReadOBJ(path.c_str());
            },
            testing::ExitedWithCode(1), "face in \".*/bad[0-9]+\\.obj\" uses " + std::string(c.message))
            << c.text;
    }
}

TEST_F(GlmReader, LongTokensAreReadInPiecesWithoutOverflow) {
    const std::string longWord(5000, 'x');
    const std::string longGroup(3000, 'h');
    const std::string longMaterial(400, 'q');
    write("long.mtl", "newmtl " + longMaterial + "\nKd 1 0 0\n" + longWord + "\n");
    GLMmodel* m = read("long.obj", "# " + longWord + "\nmtllib long.mtl\n" + longWord + " 1 2 3\n" + kQuad +
                                       "g " + longGroup + "\nusemtl " + longMaterial + "\nf 1 2 3 4\n");
    EXPECT_EQ(m->numvertices, 4u);
    EXPECT_EQ(m->numtriangles, 2u);
    for (GLMgroup* g = m->groups; g; g = g->next) EXPECT_LE(std::strlen(g->name), 127u);
    ASSERT_EQ(m->nummaterials, 2u);
    EXPECT_LE(std::strlen(m->materials[1].name), 127u);
    EXPECT_FLOAT_EQ(m->materials[1].diffuse[1], 0.0f);
    // Both the newmtl and the usemtl line keep the same first 126 characters of the name.
    EXPECT_EQ(glmFindGroup(m, (" " + longGroup.substr(0, 126)).c_str())->material, 1u);
}

// Empty and binary files end normally or with code 1 after a message; never a crash.
TEST_F(GlmReader, EmptyAndBinaryFilesNeverCrash) {
    GLMmodel* empty = read("empty.obj", "");
    EXPECT_EQ(empty->numvertices, 0u);
    EXPECT_EQ(empty->numtriangles, 0u);
    EXPECT_EQ(groupNames(empty), (std::vector<std::string>{"default"}));
    glmUnitize(empty);
    glmFacetNormals(empty);
    glmVertexNormals(empty, 90.0f);
    EXPECT_EQ(empty->numnormals, 0u);

    auto endedCleanly = [](int status) {
        return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
    };
    // Random bytes, and a soup of OBJ-like tokens that reaches every branch of the reader.
    const char* soup[] = {"v ", "vn ", "vt ", "f ", "g ", "usemtl x ", "# ", "1", "2", "-1", "-7", "0",
                          "/", "//", " ", "\n", "3.5", "e9", "\t", "9999999999", "\r\n", "x"};
    uint32_t state = 12345;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 24; ++round) {
        std::string bytes;
        if (round % 2 == 0) {
            for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(next() & 0xff);
        } else {
            for (int i = 0; i < 600; ++i) bytes += soup[next() % (sizeof soup / sizeof soup[0])];
        }
        const std::string path = write("junk" + std::to_string(round) + ".obj", bytes);
        EXPECT_EXIT(
            {
                GLMmodel* m = glmReadOBJ(path.c_str());
                glmUnitize(m);
                glmFacetNormals(m);
                glmVertexNormals(m, 90.0f);
                bool finite = true;
                for (unsigned i = 0; i < 3 * (m->numnormals + 1); ++i) finite = finite && std::isfinite(m->normals[i]);
                glmDelete(m);
                std::exit(finite ? 0 : 3);
            },
            endedCleanly, "")
            << "round " << round;
    }
}

}  // namespace
