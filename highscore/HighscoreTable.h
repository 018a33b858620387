#pragma once
#include <gd.h>

#include <map>
#include <string>

class Texture;

// The high-score entries and their file, the name being typed, and the in-game score panel.
class HighscoreTable {
public:
    HighscoreTable();
    ~HighscoreTable();
    HighscoreTable(const HighscoreTable&) = delete;
    HighscoreTable& operator=(const HighscoreTable&) = delete;

    static constexpr std::size_t maxNameLength = 20;

    void load(const std::string& fileName);
    int computeRank(int score);
    void appendToName(const std::string& text);
    void removeLastChar();
    std::string getName() const { return name; }
    void commitAndRender();

    static void drawOutlinedText(gdImagePtr image, int colour, const char* fontFile, double pointSize,
                                 int x, int y, const char* text, bool rightAligned);
    static void drawRow(gdImagePtr image, int colour, int y, int rank, int score, const std::string& name);
    void updateScoreImage(int score, bool force);
    void drawScoreImage();

    // libgd looks for a relative font name only in GDFONTPATH and its own folders: point it at
    // the game folder (the working directory) so "Faktos.ttf" is ours.
    static void useGameFolderFonts();
    // Writes "Textures/highscore.png" of an empty table on "Textures/highscore.jpg", below gameDir.
    static bool renderEmptyTablePicture(const std::string& gameDir);

    const std::multimap<int, std::string>& getEntries() const { return entries; }
    int getRank() const { return rank; }
    Texture* getScoreTexture() const { return scoreTexture; }
    // How often the panel has been re-rendered (skipped calls do not count).
    int getPanelRenderCount() const { return panelRenderCount; }

    // Test hook: when set, every replacement of "highscore.txt" or "Textures/highscore.png"
    // stops after the new content has been written and synced to its temporary file, just
    // before the rename, as a crash or a failed rename would; the temporary file is removed
    // and the old file stays as it was. Off in the game.
    static bool simulateFailureBeforeRename;

private:
    std::multimap<int, std::string> entries;
    int rank;
    int newScore;
    std::string name;
    Texture* scoreTexture;
    int lastScore;
    gdImagePtr scoreImage;
    int transparentColour;
    int textColour;
    int panelRenderCount;
    // The cleared panel with the title line already drawn, kept while the title stays the
    // same: the title's outlined text is most of a re-render's cost, and only the score changes.
    gdImagePtr titleLayer;
    std::string titleLayerText;
    bool titleLayerHasTitle;
    int titleLayerFonts;  // font-folder generation the layer was drawn with
};
