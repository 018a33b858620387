// Replays the fuzzers' stored inputs (regressions and hand-made seeds) and the game's own files
// through the same runs the fuzz targets make, and pins down the fixes they led to.
#include <GL/glew.h>

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz/FuzzHarness.h"
#include "support/GlHarness.h"

namespace {

const std::vector<std::string> kTargets = {"model", "playlist", "highscore", "imagecheck"};

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string path = dir + "/" + e->d_name;
            struct stat st;
            if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) files.push_back(path);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const uint8_t* bytesOf(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

int openFileCount() { return static_cast<int>(filesIn("/proc/self/fd").size()); }

// Death-test children run SetUp and end in exit(), never reaching TearDown: their folders go
// when the process exits.
std::vector<std::string> createdFolders;
void removeCreatedFolders() {
    for (const std::string& f : createdFolders) harness::removeTree(f);
}

class FuzzInputs : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool registered = std::atexit(removeCreatedFolders) == 0;
        (void)registered;
        folder = harness::makeTempDir("lumivex-fuzz-inputs");
        createdFolders.push_back(folder);
    }
    void TearDown() override { harness::removeTree(folder); }

    fuzzharness::Outcome run(const std::string& target, const std::string& bytes) {
        if (target == "model") return fuzzharness::runModel(bytesOf(bytes), bytes.size(), folder);
        if (target == "playlist") return fuzzharness::runPlaylist(bytesOf(bytes), bytes.size());
        if (target == "highscore") return fuzzharness::runHighscore(bytesOf(bytes), bytes.size(), folder);
        return fuzzharness::runImageCheck(bytesOf(bytes), bytes.size());
    }

    // Runs every file of <root>/<target>/ and returns how many there were per target.
    std::map<std::string, int> runAll(const std::string& root) {
        std::map<std::string, int> counts;
        for (const std::string& target : kTargets) {
            for (const std::string& path : filesIn(root + "/" + target)) {
                SCOPED_TRACE(path);
                const fuzzharness::Outcome out = run(target, readBytes(path));
                EXPECT_EQ(out.broken, "");
                ++counts[target];
            }
        }
        return counts;
    }

    // A game model in the fuzz input form: the OBJ naming "model.mtl", a marker, the MTL.
    static std::string modelInput(const std::string& objPath, const std::string& mtlPath) {
        std::string obj = readBytes(objPath);
        const std::size_t at = obj.find("mtllib ");
        if (at != std::string::npos) obj.replace(at, obj.find('\n', at) - at, "mtllib model.mtl");
        return obj + "#MTL\n" + readBytes(mtlPath);
    }

    std::string folder;
};

TEST_F(FuzzInputs, StoredRegressionInputsPassEveryCheck) {
    const std::map<std::string, int> counts = runAll(std::string(LUMIVEX_SOURCE_DIR) + "/tests/data/fuzz");
    // Each fuzzer that found something has its inputs here; an empty folder would test nothing.
    EXPECT_GE(counts.count("model") ? counts.at("model") : 0, 2);
    EXPECT_GE(counts.count("playlist") ? counts.at("playlist") : 0, 1);
    EXPECT_GE(counts.count("highscore") ? counts.at("highscore") : 0, 1);
}

TEST_F(FuzzInputs, HandMadeSeedsPassEveryCheck) {
    const std::map<std::string, int> counts = runAll(std::string(LUMIVEX_SOURCE_DIR) + "/fuzz/seeds");
    for (const char* target : {"model", "playlist", "highscore"}) {
        SCOPED_TRACE(target);
        EXPECT_GE(counts.count(target) ? counts.at(target) : 0, 2);
    }
}

TEST_F(FuzzInputs, TheGamesOwnFilesAreAcceptedAndPassEveryCheck) {
    const std::string game = LUMIVEX_GAME_DIR;
    int models = 0;
    for (const std::string& obj : filesIn(game + "/Modells")) {
        if (obj.size() < 4 || obj.compare(obj.size() - 4, 4, ".obj") != 0) continue;
        SCOPED_TRACE(obj);
        const fuzzharness::Outcome out = run("model", modelInput(obj, obj.substr(0, obj.size() - 4) + ".mtl"));
        EXPECT_TRUE(out.accepted);
        EXPECT_EQ(out.broken, "");
        ++models;
    }
    EXPECT_EQ(models, 5);

    const fuzzharness::Outcome playlist = run("playlist", readBytes(game + "/Sounds/playlist.m3u"));
    EXPECT_EQ(playlist.broken, "");
    EXPECT_EQ(audio::parseM3U(readBytes(game + "/Sounds/playlist.m3u")).size(), 3u);

    int pictures = 0;
    for (const std::string& path : filesIn(game + "/Textures")) {
        const std::string ext = path.substr(path.size() - 4);
        if (ext != ".png" && ext != ".dds") continue;
        SCOPED_TRACE(path);
        const std::string bytes = readBytes(path);
        EXPECT_TRUE(imagecheck::bufferIsSound(bytesOf(bytes), bytes.size()));
        EXPECT_EQ(run("imagecheck", bytes).broken, "");
        ++pictures;
    }
    EXPECT_GE(pictures, 15);

    std::string table;
    for (int i = 12; i >= 1; --i) table += std::to_string(i * 250) + ";Pilot " + std::to_string(i) + "\n";
    EXPECT_EQ(run("highscore", table).broken, "");
}

// A triangle that uses one vertex at two corners used to keep the second corner's normal index
// from the file (or 0): after the normals were recomputed that index could point past the new,
// smaller normal array, which the display list then read.
TEST_F(FuzzInputs, EveryCornerOfARepeatedVertexGetsANewNormal) {
    const std::string objPath = folder + "/stale.obj";
    harness::writeFileText(objPath,
                           readBytes(std::string(LUMIVEX_SOURCE_DIR) + "/tests/data/fuzz/model/stale-normal-index"));
    GLMmodel* model = glmReadOBJ(objPath.c_str());
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->numtriangles, 1u);
    EXPECT_EQ(model->triangles[0].nindices[1], 9u);  // as read from the file
    glmUnitize(model);
    glmFacetNormals(model);
    glmVertexNormals(model, 90.0f);
    // Vertex 1 (two corners, averaged once) and vertex 2: two normals in all.
    EXPECT_EQ(model->numnormals, 2u);
    EXPECT_EQ(model->triangles[0].nindices[0], 1u);
    EXPECT_EQ(model->triangles[0].nindices[1], 1u);
    EXPECT_EQ(model->triangles[0].nindices[2], 2u);
    glmDelete(model);

    // A face that is one vertex three times: three corners, one averaged normal.
    harness::writeFileText(objPath, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 3 3 3\n");
    model = glmReadOBJ(objPath.c_str());
    ASSERT_NE(model, nullptr);
    glmFacetNormals(model);
    glmVertexNormals(model, 90.0f);
    for (unsigned int i = 0; i < model->numtriangles; ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(model->triangles[i].nindices[k], 1u) << "triangle " << i << " corner " << k;
            EXPECT_LE(model->triangles[i].nindices[k], model->numnormals) << "triangle " << i << " corner " << k;
        }
    EXPECT_EQ(model->triangles[1].nindices[0], model->triangles[1].nindices[1]);
    EXPECT_EQ(model->triangles[1].nindices[1], model->triangles[1].nindices[2]);
    glmDelete(model);
}

// The squares of a tiny triangle's cross product were float denormals or zero, so such a
// triangle got a zero or a badly scaled normal although it has a clear direction.
TEST_F(FuzzInputs, TinyTrianglesGetUnitNormals) {
    const std::string objPath = folder + "/tiny.obj";
    harness::writeFileText(objPath, "v 0 0 0\nv 1e-12 0 0\nv 0 1e-12 0\nv 3e-20 0 0\nv 0 0 2e-20\nf 1 2 3\nf 1 4 5\n");
    GLMmodel* model = glmReadOBJ(objPath.c_str());
    ASSERT_NE(model, nullptr);
    glmFacetNormals(model);
    ASSERT_EQ(model->numfacetnorms, 2u);
    EXPECT_FLOAT_EQ(model->facetnorms[3 + 0], 0.0f);
    EXPECT_FLOAT_EQ(model->facetnorms[3 + 1], 0.0f);
    EXPECT_FLOAT_EQ(model->facetnorms[3 + 2], 1.0f);
    EXPECT_FLOAT_EQ(model->facetnorms[6 + 0], 0.0f);
    EXPECT_FLOAT_EQ(model->facetnorms[6 + 1], -1.0f);
    EXPECT_FLOAT_EQ(model->facetnorms[6 + 2], 0.0f);
    glmDelete(model);

    float big[3] = {3e30f, 0.0f, 4e30f};  // squares beyond float range
    glmNormalize(big);
    EXPECT_FLOAT_EQ(big[0], 0.6f);
    EXPECT_FLOAT_EQ(big[2], 0.8f);

    // The fuzzer's input: a cube stretched by one vertex at 1.9e11, whose other faces became
    // slivers after unitizing.
    const fuzzharness::Outcome out =
        run("model", readBytes(std::string(LUMIVEX_SOURCE_DIR) + "/tests/data/fuzz/model/sliver-triangle-normals"));
    EXPECT_TRUE(out.accepted);
    EXPECT_EQ(out.broken, "");
}

// A material library that is a device or a FIFO used to hang the reader (endless words from
// /dev/zero, or an open that never returns); now it is a missing library. The alarm turns a
// hang into a failed death test instead of a stuck test run.
TEST_F(FuzzInputs, MaterialLibrariesThatAreNotPlainFilesAreRefused) {
    const std::string device = folder + "/device.obj";
    harness::writeFileText(device, readBytes(std::string(LUMIVEX_SOURCE_DIR) +
                                             "/tests/data/fuzz/model/material-library-is-a-device"));
    EXPECT_EXIT(
        {
            alarm(20);
            glmReadOBJ(device.c_str());
        },
        testing::ExitedWithCode(1), "can't open material file .*/dev/zero");

    ASSERT_EQ(mkfifo((folder + "/pipe.mtl").c_str(), 0600), 0);
    const std::string fifo = folder + "/fifo.obj";
    harness::writeFileText(fifo, "mtllib pipe.mtl\nv 0 0 0\n");
    EXPECT_EXIT(
        {
            alarm(20);
            glmReadOBJ(fifo.c_str());
        },
        testing::ExitedWithCode(1), "can't open material file .*pipe\\.mtl");

    const fuzzharness::Outcome out = run("model", "mtllib .\nv 0 0 0\n");
    EXPECT_FALSE(out.accepted);
    EXPECT_EQ(out.broken, "");
}

// Old Mac playlists end lines with a lone CR; the whole file used to become one name with CRs
// inside it.
TEST_F(FuzzInputs, LoneCarriageReturnsEndPlaylistLines) {
    const auto entries = audio::parseM3U("#EXTM3U\r#EXTINF:3,Alpha\ra.mp3\r\rb.ogg\r\n\r\nc.wav\r");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].file, "a.mp3");
    EXPECT_EQ(entries[0].title, "Alpha");
    EXPECT_TRUE(entries[0].hasTitle);
    EXPECT_EQ(entries[1].file, "b.ogg");
    EXPECT_FALSE(entries[1].hasTitle);
    EXPECT_EQ(entries[2].file, "c.wav");

    const auto found =
        audio::parseM3U(readBytes(std::string(LUMIVEX_SOURCE_DIR) + "/tests/data/fuzz/playlist/carriage-return-inside-name"));
    ASSERT_GE(found.size(), 2u);
    EXPECT_EQ(found[0].file, "Music/01 - Fir");
    EXPECT_EQ(found[0].title, "Windows Title");
    for (const auto& e : found) EXPECT_EQ(e.file.find('\r'), std::string::npos) << e.file;
}

TEST_F(FuzzInputs, DamagedHighscoreLinesKeepOnlyTheEntryWithAPlainScore) {
    const std::string path = std::string(LUMIVEX_SOURCE_DIR) + "/tests/data/fuzz/highscore/damaged-lines-and-carriage-returns";
    HighscoreTable table;
    table.parse(readBytes(path));
    const std::multimap<int, std::string> expected = {{HighscoreTable::maxScore, "Huge"}};
    EXPECT_EQ(table.getEntries(), expected);
}

// With a throwing handler the reader's failures unwind: no file stays open and the next read
// works; without one they still end the program with exit code 1.
TEST_F(FuzzInputs, ModelReaderFailuresUnwindThroughTheHandlerWithoutLeakingFiles) {
    const std::vector<std::string> rejected = {
        "v 0 0 0\nf 1 2 3\n",                         // index outside the vertices
        "mtllib elsewhere.mtl\nv 0 0 0\n",            // material library missing
        "v 0 0 0\nvx 1 2 3\n",                        // unknown vertex keyword
        "mtllib model.mtl\nv 0 0 0\nf 1 1 -7\n#MTL\nnewmtl a\n",  // failure after the MTL was read
    };
    const int before = openFileCount();
    harness::captureStdout();
    harness::captureStderr();
    for (int round = 0; round < 20; ++round)
        for (const std::string& input : rejected) {
            SCOPED_TRACE(input);
            const fuzzharness::Outcome out = run("model", input);
            EXPECT_FALSE(out.accepted);
            EXPECT_EQ(out.broken, "");
        }
    const std::string printed = harness::capturedStdout();
    const std::string errors = harness::capturedStderr();
    EXPECT_EQ(openFileCount(), before);
    // Each failure still says what it was, once per read.
    EXPECT_NE(printed.find("uses vertex index 2, outside 1..1."), std::string::npos) << printed;
    EXPECT_NE(printed.find("uses vertex index -7, outside 1..1."), std::string::npos) << printed;
    EXPECT_NE(printed.find("glmFirstPass(): Unknown token \"vx\"."), std::string::npos) << printed;
    EXPECT_NE(errors.find("glmReadMTL() failed: can't open material file \"" + folder + "/elsewhere.mtl\"."),
              std::string::npos)
        << errors;
    std::size_t lines = 0;
    for (char c : printed + errors) lines += c == '\n';
    EXPECT_EQ(lines, 20u * rejected.size());

    const fuzzharness::Outcome good = run("model", "v 0 0 0\nv 2 0 0\nv 0 2 0\nf 1 2 3\n");
    EXPECT_TRUE(good.accepted);
    EXPECT_EQ(good.broken, "");
}

TEST_F(FuzzInputs, ModelReaderFailuresStillExitWithoutAHandler) {
    const std::string objPath = folder + "/bad.obj";
    harness::writeFileText(objPath, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n");
    // The reader's message goes to standard output: send it where the death test looks.
    EXPECT_EXIT(
        {
            dup2(2, 1);
            glmReadOBJ(objPath.c_str());
        },
        testing::ExitedWithCode(1), "uses vertex index 4, outside 1\\.\\.3");

    // Set and cleared again: back to the plain exit.
    glmSetFatalHandler(fuzzharness::throwModelRejected);
    glmSetFatalHandler(nullptr);
    EXPECT_EXIT(glmReadOBJ((folder + "/missing.obj").c_str()), testing::ExitedWithCode(1), "");

    // A handler that returns cannot make the reader carry on with a broken model.
    EXPECT_EXIT(
        {
            glmSetFatalHandler([](int code) { std::fprintf(stderr, "handler saw %d\n", code); });
            glmReadOBJ(objPath.c_str());
            std::fprintf(stderr, "reader returned\n");
            std::_Exit(0);
        },
        testing::ExitedWithCode(1), "handler saw 1");
}

}  // namespace
