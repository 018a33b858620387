#pragma once
#include <string>
#include <memory>

class PanelPicture;
class Texture;
class TextureLoader;

// The score panel of the game screen: the title of the current render style and the score,
// re-rendered into a texture when the score changes and drawn in the top left corner.
class ScorePanel {
public:
    // Textures come from loader, or from a loader of the panel's own until one is handed in.
    explicit ScorePanel(TextureLoader* loader = nullptr);
    ~ScorePanel();
    ScorePanel(const ScorePanel&) = delete;
    ScorePanel& operator=(const ScorePanel&) = delete;

    void setTextureLoader(TextureLoader* textureLoader) { loader = textureLoader; }

    // Re-renders unless the score is the one shown and force is off; title may be null.
    void updateScoreImage(int score, bool force, const char* title);
    void drawScoreImage();
    // Draws a title's line ahead of its first panel, which then only copies it in.
    void prepareTitle(const char* title);

    Texture* getScoreTexture() const { return scoreTexture; }
    // How often the panel has been re-rendered (skipped calls do not count).
    int getPanelRenderCount() const { return panelRenderCount; }

private:
    std::unique_ptr<PanelPicture> picture;
    TextureLoader* loader;
    Texture* scoreTexture;
    int lastScore;
    std::string lastTitle;
    int panelRenderCount;
};
