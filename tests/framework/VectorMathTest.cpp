#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>

#include "framework/VectorMath.h"

TEST(VectorMath, CrossProductLengthAndNormalize) {
    float3 out{};
    crossProduct(make_float3(1, 0, 0), make_float3(0, 1, 0), out);
    EXPECT_FLOAT_EQ(out.x, 0.0f);
    EXPECT_FLOAT_EQ(out.y, 0.0f);
    EXPECT_FLOAT_EQ(out.z, 1.0f);
    crossProduct(make_float3(2, 3, 4), make_float3(5, 6, 7), out);
    EXPECT_FLOAT_EQ(out.x, -3.0f);
    EXPECT_FLOAT_EQ(out.y, 6.0f);
    EXPECT_FLOAT_EQ(out.z, -3.0f);
    // The output may be one of the inputs.
    float3 a = make_float3(0, 1, 0);
    crossProduct(a, make_float3(0, 0, 1), a);
    EXPECT_FLOAT_EQ(a.x, 1.0f);
    EXPECT_FLOAT_EQ(a.y, 0.0f);
    EXPECT_FLOAT_EQ(a.z, 0.0f);

    EXPECT_FLOAT_EQ(vectorLength(make_float3(3, 4, 12)), 13.0f);
    EXPECT_FLOAT_EQ(vectorLength(make_float3(0, 0, 0)), 0.0f);

    float3 v = make_float3(3, 0, -4);
    const float3 n = normalizeVector(v);
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, -0.8f);
    EXPECT_FLOAT_EQ(v.x, 0.6f);  // the argument itself is normalised
    EXPECT_FLOAT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, -0.8f);
    float3 zero = make_float3(0, 0, 0);
    normalizeVector(zero);
    EXPECT_TRUE(std::isnan(zero.x));  // no guard, as documented
}

TEST(VectorMath, DistancesDotsAndAngles) {
    EXPECT_FLOAT_EQ(distance(1, 2, 3, 4, 6, 3), 5.0f);
    EXPECT_FLOAT_EQ(distance(-1, -1, -1, -1, -1, -1), 0.0f);
    EXPECT_FLOAT_EQ(absolute(-2.5f), 2.5f);
    EXPECT_FLOAT_EQ(absolute(2.5f), 2.5f);
    const float3 d = difference(make_float3(5, 7, 9), make_float3(1, 2, 3));
    EXPECT_FLOAT_EQ(d.x, 4.0f);
    EXPECT_FLOAT_EQ(d.y, 5.0f);
    EXPECT_FLOAT_EQ(d.z, 6.0f);
    EXPECT_FLOAT_EQ(dotProduct(1, 2, 3, 4, -5, 6), 12.0f);
    EXPECT_FLOAT_EQ(angleBetween(make_float3(1, 0, 0), make_float3(0, 0, 3)), float(M_PI / 2));
    EXPECT_FLOAT_EQ(angleBetween(make_float3(1, 1, 0), make_float3(1, 0, 0)), float(M_PI / 4));
    EXPECT_FLOAT_EQ(angleBetween(make_float3(1, 0, 0), make_float3(-2, 0, 0)), float(M_PI));
    // Undefined angles come back as 0 instead of NaN.
    EXPECT_EQ(angleBetween(make_float3(0, 0, 0), make_float3(1, 0, 0)), 0.0f);
}

TEST(VectorMath, QuaternionsMatchOpenGlRotations) {
    const quaternion q = quaternionFromAxisAngle(make_float3(0, 0, 1), 90.0f);
    EXPECT_NEAR(q.w, std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(q.x, 0.0f, 1e-6);
    EXPECT_NEAR(q.z, std::sqrt(0.5f), 1e-6);
    const quaternion c = conjugate(quaternion{1, 2, 3, 4});
    EXPECT_EQ(c.w, 1.0f);
    EXPECT_EQ(c.x, -2.0f);
    EXPECT_EQ(c.y, -3.0f);
    EXPECT_EQ(c.z, -4.0f);

    // The matrix equals what glRotatef builds for the same axis and angle.
    struct Case {
        float angle, x, y, z;
    };
    for (const Case& k : {Case{90, 0, 0, 1}, Case{30, 1, 0, 0}, Case{-125, 0, 1, 0}, Case{200, 0.6f, 0, 0.8f}}) {
        float fromQuaternion[16];
        quaternionToMatrix(quaternionFromAxisAngle(make_float3(k.x, k.y, k.z), k.angle), fromQuaternion);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glRotatef(k.angle, k.x, k.y, k.z);
        float fromGl[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, fromGl);
        glPopMatrix();
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(fromQuaternion[i], fromGl[i], 1e-5) << "angle " << k.angle << " element " << i;
    }
}
