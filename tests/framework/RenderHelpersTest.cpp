#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "framework/BitmapText.h"
#include "framework/VectorMath.h"
#include "support/GlHarness.h"

namespace {

// Clears to black under the game's projection (60 degrees, near 0.1, far 30).
void clearWithGameProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, double(harness::kWidth) / harness::kHeight, 0.1, 30.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
}

// The number of lit pixels and the leftmost lit column of the window.
std::pair<int, int> litPixels() {
    const std::vector<unsigned char> data = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    int lit = 0, left = harness::kWidth;
    for (size_t i = 0; i < data.size(); i += 4)
        if (data[i] > 64) {
            ++lit;
            left = std::min(left, static_cast<int>(i / 4 % harness::kWidth));
        }
    return {lit, left};
}

TEST(BitmapText, DrawTextPutsGlyphsAtItsRasterPositionAndANullFormatDrawsNothing) {
    BitmapText text;
    clearWithGameProjection();
    glTranslatef(5.0f, 1.0f, -3.0f);  // ignored: drawText starts from identity
    text.drawText(-0.5f, 0.0f, GLUT_BITMAP_HELVETICA_18, "Lumivex 12345");
    const auto [lit, left] = litPixels();
    EXPECT_GT(lit, 200);
    EXPECT_LT(lit, 5000);
    EXPECT_NEAR(left, 270, 6);  // x = -0.5 at distance 2 under a 60 degree view of aspect 4:3

    clearWithGameProjection();
    glDisable(GL_TEXTURE_2D);
    text.printText(0.0f, 0.0f, nullptr);
    EXPECT_EQ(litPixels().first, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));  // returned before touching anything
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

TEST(VectorMath, CrossLengthNormalizeDistanceAndConjugate) {
    float3 out{};
    crossProduct(make_float3(2, 3, 4), make_float3(5, 6, 7), out);
    EXPECT_TRUE(out.x == -3 && out.y == 6 && out.z == -3);
    EXPECT_FLOAT_EQ(vectorLength(make_float3(3, 4, 12)), 13.0f);
    float3 v = make_float3(3, 0, -4);
    const float3 n = normalizeVector(v);
    EXPECT_TRUE(n.x == 0.6f && n.y == 0 && n.z == -0.8f);
    EXPECT_TRUE(v.x == 0.6f && v.y == 0 && v.z == -0.8f);  // the argument itself is normalised
    EXPECT_FLOAT_EQ(distance(1, 2, 3, 4, 6, 3), 5.0f);
    const quaternion c = conjugate(quaternion{1, 2, 3, 4});
    EXPECT_TRUE(c.w == 1 && c.x == -2 && c.y == -3 && c.z == -4);
}

}  // namespace
