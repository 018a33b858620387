#include "highscore/HighscoreTable.h"

HighscoreTable::HighscoreTable()
    : rank(1), newScore(0), scoreTexture(nullptr), lastScore(1), scoreImage(nullptr), transparentColour(0),
      textColour(0) {}
HighscoreTable::~HighscoreTable() {}
void HighscoreTable::useGameFolderFonts() {}
bool HighscoreTable::renderEmptyTablePicture(const std::string&) { return false; }
