#include <GL/glew.h>

#include "highscore/ScorePanel.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <string>

#include "framework/Texture.h"
#include "highscore/HighscorePicture.h"

namespace {

// DevIL has to be set up before the first decode; the game's start-up does it too, but the
// panel can be rendered before (and by tools and tests without it).
void ensureImageLibrary() {
    static bool done = false;
    if (done) return;
    ilInit();
    iluInit();
    ilutInit();
    ilutRenderer(ILUT_OPENGL);
    done = true;
}

}  // namespace

ScorePanel::ScorePanel(TextureLoader* textureLoader)
    : picture(new PanelPicture()), loader(textureLoader), scoreTexture(nullptr), lastScore(1), panelRenderCount(0) {}

ScorePanel::~ScorePanel() { delete scoreTexture; }

void ScorePanel::updateScoreImage(int score, bool force, const char* title) {
    // A new flight may start at the score the last one shows, in another style.
    const std::string titleText = title ? title : "";
    if (!force && score == lastScore && titleText == lastTitle) return;
    const std::string png = picture->render(score, title);
    if (png.empty()) return;
    delete scoreTexture;
    ensureImageLibrary();
    TextureLoader own;
    scoreTexture = (loader ? loader : &own)
                       ->loadTextureFromMemory(IL_PNG, png.data(), static_cast<unsigned int>(png.size()), GL_TEXTURE_2D);
    lastScore = score;
    lastTitle = titleText;
    ++panelRenderCount;
}

void ScorePanel::drawScoreImage() {
    if (!scoreTexture) return;
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    scoreTexture->bind(GL_TEXTURE_2D, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
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
