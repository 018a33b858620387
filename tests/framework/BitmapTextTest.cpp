#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "framework/BitmapText.h"
#include "framework/RenderTargetPair.h"
#include "framework/Texture.h"

namespace {

// The game's projection: 60 degrees, near 0.1, far 30.
void gameProjection() {
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, double(harness::kWidth) / harness::kHeight, 0.1, 30.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
}

int litPixels() {
    const std::vector<unsigned char> data = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    int lit = 0;
    for (size_t i = 0; i < data.size(); i += 4)
        if (data[i] > 64 || data[i + 1] > 64 || data[i + 2] > 64) ++lit;
    return lit;
}

std::array<float, 16> matrix(GLenum which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

class BitmapTextTest : public FrameworkFixture {
protected:
    void TearDown() override {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_TEXTURE_2D);
        FrameworkFixture::TearDown();
    }
    BitmapText text;
};

}  // namespace

TEST_F(BitmapTextTest, DrawTextPutsGlyphsAtItsRasterPosition) {
    EXPECT_EQ(text.font, GLUT_BITMAP_HELVETICA_10);
    gameProjection();
    glDisable(GL_TEXTURE_2D);
    glTranslatef(5.0f, 1.0f, -3.0f);  // ignored: drawText starts from identity
    const auto before = matrix(GL_MODELVIEW_MATRIX);
    text.drawText(-0.5f, 0.0f, GLUT_BITMAP_HELVETICA_18, "Lumivex 12345");
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), before);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));  // always left enabled
    // Set LUMIVEX_TEST_PICTURES to a folder to keep the picture for a look.
    if (const char* keep = std::getenv("LUMIVEX_TEST_PICTURES")) harness::savePng(std::string(keep) + "/bitmap-text.png");
    const int lit = litPixels();
    EXPECT_GT(lit, 200);
    EXPECT_LT(lit, 5000);

    // x = -0.5 at distance 2 with a 60 degree view: the text starts left of the centre,
    // on the middle row.
    const std::vector<unsigned char> row = harness::readPixels(0, 300, harness::kWidth, 14);
    int firstLitColumn = harness::kWidth;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < harness::kWidth; ++x)
            if (row[(static_cast<size_t>(y) * harness::kWidth + x) * 4] > 64) firstLitColumn = std::min(firstLitColumn, x);
    // -0.5 / (2 tan 30deg * 4/3) of the half width left of the centre: about x = 270.
    EXPECT_NEAR(firstLitColumn, 270, 6);

    // The larger font covers more pixels than the small one.
    gameProjection();
    text.drawText(-0.5f, 0.0f, GLUT_BITMAP_HELVETICA_10, "Lumivex 12345");
    EXPECT_LT(litPixels(), lit);
}

TEST_F(BitmapTextTest, EmptyTextAndNullFormatDrawNothing) {
    gameProjection();
    text.drawText(0.0f, 0.0f, GLUT_BITMAP_HELVETICA_18, "");
    EXPECT_EQ(litPixels(), 0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    glDisable(GL_TEXTURE_2D);
    text.printText(0.0f, 0.0f, nullptr);
    EXPECT_EQ(litPixels(), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));  // returned before touching anything
}

TEST_F(BitmapTextTest, PrintTextFormatsWithItsOwnFont) {
    gameProjection();
    text.printText(-0.3f, 0.1f, "Score %d x%d", 4500, 3);
    const std::vector<unsigned char> printed = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    EXPECT_GT(litPixels(), 50);

    gameProjection();
    text.drawText(-0.3f, 0.1f, GLUT_BITMAP_HELVETICA_10, "Score 4500 x3");
    EXPECT_EQ(harness::readPixels(0, 0, harness::kWidth, harness::kHeight), printed);

    // A very long result is cut, not overflowing its buffer.
    gameProjection();
    const std::string longText(1000, 'W');
    text.printText(-0.3f, 0.1f, "%s", longText.c_str());
    EXPECT_GT(litPixels(), 50);
}

TEST_F(BitmapTextTest, RenderTargetPairRendersIntoBothTexturesAndRestoresState) {
    TextureLoader loader;
    harness::captureStdout();
    RenderTargetPair pair(&loader, logger.get(), 64, 48);
    const std::string out = harness::capturedStdout();
    EXPECT_NE(out.find("FBO complete!\n"), std::string::npos) << out;
    ASSERT_NE(pair.getTexture0(), nullptr);
    ASSERT_NE(pair.getTexture1(), nullptr);
    EXPECT_NE(pair.getTexture0()->getID(), pair.getTexture1()->getID());

    gameProjection();
    glViewport(0, 0, 64, 48);
    pair.bindAndClear(0);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    const auto projection = matrix(GL_PROJECTION_MATRIX);
    glTranslatef(1.0f, 2.0f, 3.0f);
    const auto modelview = matrix(GL_MODELVIEW_MATRIX);
    pair.beginScreenPass();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    glColor3f(0.25f, 0.5f, 0.75f);
    glBegin(GL_QUADS);  // the left half of the screen in the ortho pass
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(0.0f, -1.0f);
    glVertex2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    pair.endScreenPass();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    pair.bindAndClear(1);
    pair.unbind();
    glDisable(GL_LIGHTING);

    std::vector<float> texels(64 * 48 * 4);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, pair.getTexture0()->getID());
    glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, texels.data());
    const float* left = &texels[(20 * 64 + 5) * 4];
    const float* right = &texels[(20 * 64 + 60) * 4];
    EXPECT_FLOAT_EQ(left[0], 0.25f);
    EXPECT_FLOAT_EQ(left[1], 0.5f);
    EXPECT_FLOAT_EQ(left[2], 0.75f);
    EXPECT_FLOAT_EQ(right[0], 0.0f);
    EXPECT_FLOAT_EQ(right[3], 1.0f);  // cleared to opaque black
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, pair.getTexture1()->getID());
    glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, texels.data());
    EXPECT_FLOAT_EQ(texels[(20 * 64 + 5) * 4], 0.0f);
    EXPECT_FLOAT_EQ(texels[(20 * 64 + 5) * 4 + 3], 1.0f);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    EXPECT_EQ(harness::glErrors(), "");
}
