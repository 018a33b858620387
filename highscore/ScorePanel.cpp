#include <GL/glew.h>

#include "highscore/ScorePanel.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Texture.h"
#include "highscore/HighscorePicture.h"

ScorePanel::ScorePanel(TextureLoader* textureLoader)
    : picture(new PanelPicture()), loader(textureLoader), scoreTexture(nullptr), lastScore(1), panelRenderCount(0) {}

ScorePanel::~ScorePanel() { delete scoreTexture; }

void ScorePanel::updateScoreImage(int score, bool force, const char* title) {
    // A new flight may start at the score the last one shows, in another style.
    const std::string titleText = title ? title : "";
    if (!force && score == lastScore && titleText == lastTitle) return;
    std::vector<unsigned char> pixels = picture->render(score, title);
    if (pixels.empty()) return;
    // OpenGL's first row is the bottom one.
    const size_t row = PanelPicture::kWidth * 4;
    for (int y = 0; y < PanelPicture::kHeight / 2; ++y)
        std::swap_ranges(pixels.begin() + y * row, pixels.begin() + (y + 1) * row,
                         pixels.begin() + (PanelPicture::kHeight - 1 - y) * row);
    if (scoreTexture) {
        // The same size every time: written over in place, every binding left as it was.
        glPushAttrib(GL_TEXTURE_BIT);
        glBindTexture(GL_TEXTURE_2D, scoreTexture->getID());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, PanelPicture::kWidth, PanelPicture::kHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                        pixels.data());
        glPopAttrib();
    } else {
        TextureLoader own;
        scoreTexture = (loader ? loader : &own)
                           ->createTexture(GL_TEXTURE_2D, GL_RGBA8, PanelPicture::kWidth, PanelPicture::kHeight, GL_RGBA,
                                           GL_UNSIGNED_BYTE, GL_NEAREST, true, false, true, pixels.data());
    }
    lastScore = score;
    lastTitle = titleText;
    ++panelRenderCount;
}

void ScorePanel::prepareTitle(const char* title) { picture->prepareTitle(title); }

void ScorePanel::drawScoreImage() {
    if (!scoreTexture) return;
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    scoreTexture->bind(GL_TEXTURE_2D, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // In its own colours: the bullet dots before it leave theirs, which would tint it while the
    // gun holds bullets.
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 0.67f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.0f, 0.67f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glDisable(GL_ALPHA_TEST);
}
