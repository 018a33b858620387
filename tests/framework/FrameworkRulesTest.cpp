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

}  // namespace
