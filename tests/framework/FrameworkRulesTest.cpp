#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "framework/Logger.h"
#include "framework/VectorMath.h"
#include "support/TestFiles.h"

namespace {

// The old log is replaced and every line is in the file as soon as it is logged. A folder in
// its place leaves no log, and the program goes on. (A link or a FIFO there: tests/faults.)
TEST(LoggerRules, TheOldLogIsReplacedAndEveryLineIsInTheFileAtOnce) {
    const std::string dir = harness::makeTempDir("lumivex-log"), log = dir + "/log.txt";
    harness::writeFileText(log, "an old run\n");
    {
        Logger logger(log);
        EXPECT_EQ(harness::readFileText(log), "Lumenwerk Framework Logfile v0.05\n");
        logger.log("abc");
        logger.log(std::string("two\n"));
        logger.log(0.5f);
        EXPECT_EQ(harness::readFileText(log), "Lumenwerk Framework Logfile v0.05\nabc\ntwo\n\n0.5\n");
    }
    unlink(log.c_str());
    ASSERT_EQ(mkdir(log.c_str(), 0755), 0);
    Logger(log).log("abc");
    struct stat st {};
    EXPECT_TRUE(stat(log.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    harness::removeTree(dir);
}

TEST(VectorMathRules, KnownAnswers) {
    float3 a = make_float3(2, 3, 4);
    crossProduct(a, make_float3(5, 6, 7), a);  // the result may overwrite an argument
    EXPECT_TRUE(a.x == -3 && a.y == 6 && a.z == -3);
    float3 v = make_float3(3, 0, -4);
    normalizeVector(v);  // in place
    EXPECT_TRUE(v.x == 0.6f && v.y == 0 && v.z == -0.8f);
    // A quarter turn about z takes x to y and y to -x (column-major, as OpenGL takes it).
    float m[16];
    quaternionToMatrix(quaternionFromAxisAngle(make_float3(0, 0, 1), 90), m);
    const float expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6) << i;
    EXPECT_FLOAT_EQ(angleBetween(make_float3(1, 0, 0), make_float3(0, 2, 0)), float(M_PI / 2));
    EXPECT_EQ(angleBetween(make_float3(0, 0, 0), make_float3(1, 0, 0)), 0.0f);  // no direction: 0, never NaN
}

// An object's box against the view: 800 x 600 pixels, 60 degrees high, near 0.1, far 100.
TEST(VectorMathRules, BoxesBeyondASideOfTheViewDoNotShow) {
    const float f = 1.0f / std::tan(float(M_PI) / 6), n = 0.1f, far = 100, aspect = 800.0f / 600;
    const float projection[16] = {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + n) / (n - far), -1, 0, 0, 2 * far * n / (n - far), 0};
    // At 10 ahead, the x of a point the given number of pixels left of the picture.
    auto leftOfPicture = [&](float pixels) { return -(1 + 2 * pixels / 800) * 10 / projection[0]; };
    const struct {
        const char* what;
        float x, y, z, r;
        bool shows;
    } cases[] = {
        {"ahead", 0, 0, -10, 1, true},
        {"behind the eye", 0, 0, 5, 1, false},
        {"around the eye", 0, 0, 0, 1, true},
        {"beside the eye", 3, 0, 0, 1, false},
        {"far off to the left", -100, 0, -10, 1, false},
        {"above the picture", 0, 40, -10, 1, false},
        {"beyond the far plane", 0, 0, -102, 1, false},
        {"4 pixels left of the picture, within the margin", leftOfPicture(4), 0, -10, 0, true},
        {"12 pixels left of the picture, beyond the margin", leftOfPicture(12), 0, -10, 0, false},
    };
    for (const auto& c : cases) {
        const float eye[3] = {c.x, c.y, c.z};
        float clip[8][4];
        cubeInClip(eye, c.r, projection, clip);
        EXPECT_EQ(boxMayShow(clip, 800, 600, 8), c.shows) << c.what;
    }
}

}  // namespace
