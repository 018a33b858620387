#pragma once
#include <cstddef>
#include <map>
#include <string>

// The high-score entries, the score waiting for its name and the name being typed. It knows
// the text of the table file ("score;name" lines, best first) but never touches a file.
class HighscoreTable {
public:
    using Entries = std::multimap<int, std::string>;
    using Entry = Entries::value_type;

    static constexpr std::size_t maxNameLength = 20;
    // A name read from the file keeps up to maxNameLength characters of UTF-8, whole.
    static constexpr std::size_t maxNameBytes = 4 * maxNameLength;
    // The highest score kept: the picture's score column ends at x = 350, and six digits are
    // as many as fit there beside the ranks of the top five.
    static constexpr int maxScore = 999999;

    // Replaces the entries with those of a table file's text. A line counts when its score is
    // a plain decimal number (no sign: scores are never negative); larger scores and longer
    // names are cut to what the table keeps.
    void parse(const std::string& text);
    // The table file's text for the current entries.
    std::string format() const;
    // Adds an entry after the existing ones of the same score, so it is listed above them.
    // Scores are kept between 0 and maxScore, here and in computeRank.
    const Entry& insert(int score, const std::string& name);
    // Drops the lowest entries until the file text takes at most bytes, and says how many went;
    // false, with nothing dropped, when keep would be one of them.
    bool fitInto(std::size_t bytes, const Entry* keep, std::size_t* dropped);

    // Where score would rank among the entries (1 is the best); it becomes the pending score.
    int computeRank(int score);
    void appendToName(const std::string& text);
    void removeLastChar();
    std::string getName() const { return name; }
    void clearName() { name.clear(); }

    const Entries& getEntries() const { return entries; }
    int getRank() const { return rank; }
    int getNewScore() const { return newScore; }

private:
    Entries entries;
    int rank = 1;
    int newScore = 0;
    std::string name;
};
