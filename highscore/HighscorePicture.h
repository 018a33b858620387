#pragma once
#include <gd.h>

#include <map>
#include <string>
#include <vector>

#include "highscore/HighscoreStore.h"
#include "highscore/HighscoreTable.h"

// The pictures of the high scores, drawn by libgd with outlined TrueType text in "Faktos.ttf":
// the table on "Textures/highscore.jpg", saved as "Textures/highscore.png", and the score
// panel of the game screen.
class HighscorePicture {
public:
    static void drawOutlinedText(gdImagePtr image, int colour, const char* fontFile, double pointSize, int x, int y,
                                 const char* text, bool rightAligned);
    static void drawRow(gdImagePtr image, int colour, int y, int rank, int score, const std::string& name);
    // A true-colour picture's pixels as RGBA bytes, its top row first.
    static std::vector<unsigned char> rgba(gdImagePtr image);

    // Saves the table with its pending entry and the picture of the result.
    static SaveResult commitAndRender(HighscoreTable& table, const HighscoreStore& store);
    // What draws the picture of a saved table on the store's background.
    static HighscoreStore::PictureMaker pictureMaker(const HighscoreStore& store);

    // The font of every text the pictures and the text cards draw: "Faktos.ttf" from the font
    // folder, or, when that is missing or damaged, a sans-serif font of the system's, which is
    // said once on the console (a table drawn in no font at all looks empty).
    static const char* font();

    // libgd looks for a relative font name only in GDFONTPATH and its own folders: point it at
    // the game folder (the working directory) so "Faktos.ttf" is ours.
    static void useGameFolderFonts();
    // Writes `file` (below gameDir) with an empty table on "Textures/highscore.jpg".
    static bool renderEmptyTablePicture(const std::string& gameDir, const char* file);
};

// The 400 x 100 score panel: the title of the current render style and the score, gold on
// transparency.
class PanelPicture {
public:
    PanelPicture();
    ~PanelPicture();
    PanelPicture(const PanelPicture&) = delete;
    PanelPicture& operator=(const PanelPicture&) = delete;

    static constexpr int kWidth = 400;
    static constexpr int kHeight = 100;

    // The panel's RGBA pixels, its top row first; title may be null (no title line). Empty
    // when it cannot be drawn. Handed to the texture as they are: a trip through PNG and a
    // mipmapped upload cost a frame's worth of time at every style change.
    std::vector<unsigned char> render(int score, const char* title);
    // Draws the title's line now, so that the first panel with it only copies it in.
    void prepareTitle(const char* title);

private:
    // A line of outlined text as drawn on the cleared panel: the box of the texels it inked
    // (inclusive; empty when right < left) and those texels, row by row.
    struct Line {
        int left = 0, top = 0, right = -1, bottom = -1;
        std::vector<int> texels;
        int fonts = -1;  // the font-folder generation it was drawn with
    };
    const Line& titleLine(const char* title);
    Line drawLine(const char* text, double points, int baseline);
    void clear();
    void paste(const Line& line);

    gdImagePtr scoreImage;
    int transparentColour;
    int textColour;
    // Each line is drawn once and copied in from then on: a title for as long as the game
    // runs (a star or a hit changes it, and its outlined text was most of that frame's
    // panel), the score until it changes.
    std::map<std::string, Line> titles;
    Line scoreLine;
    int scoreLineScore;
};
