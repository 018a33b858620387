#include "highscore/HighscoreTable.h"

#include <algorithm>
#include <cstdio>

namespace {

// The score of a line: digits only, at most maxScore; false for anything else.
bool parseScore(const std::string& text, int& score) {
    if (text.empty()) return false;
    score = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        score = std::min(score * 10 + (c - '0'), HighscoreTable::maxScore);
    }
    return true;
}

int bounded(int score) { return std::min(std::max(score, 0), HighscoreTable::maxScore); }

}  // namespace

void HighscoreTable::parse(const std::string& text) {
    entries.clear();
    for (std::string::size_type begin = 0; begin < text.size();) {
        std::string::size_type end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string::size_type lineBegin = begin;
        std::string::size_type lineEnd = end;
        begin = end + 1;
        if (lineEnd > lineBegin && text[lineEnd - 1] == '\r') --lineEnd;  // written on Windows
        const auto separator = static_cast<std::string::size_type>(
            std::find(text.begin() + lineBegin, text.begin() + lineEnd, ';') - text.begin());
        int score;
        // A damaged line is skipped; the ones after it still count.
        if (separator == lineEnd || !parseScore(text.substr(lineBegin, separator - lineBegin), score)) continue;
        // A name longer than a typed one can be only slows down every drawing of the table.
        const std::string entryName = text.substr(separator + 1, std::min(lineEnd - separator - 1, maxNameLength));
        // Equal scores: a line read later goes before the earlier ones, so the walk from the
        // top meets them in file order and a rewrite keeps their order.
        entries.emplace_hint(entries.lower_bound(score), score, entryName);
    }
}

std::string HighscoreTable::format() const {
    std::string text;
    char number[16];
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        std::snprintf(number, sizeof number, "%i;", it->first);
        text += number;
        text += it->second;
        text += '\n';
    }
    return text;
}

const HighscoreTable::Entry& HighscoreTable::insert(int score, const std::string& entryName) {
    return *entries.emplace(bounded(score), entryName);
}

int HighscoreTable::computeRank(int score) {
    newScore = bounded(score);
    rank = 1;
    for (auto it = entries.rbegin(); it != entries.rend() && it->first > newScore; ++it) ++rank;
    return rank;
}

void HighscoreTable::appendToName(const std::string& text) {
    for (const char c : text) {
        if (name.size() >= maxNameLength) break;
        // A line break would split the entry in the one-line-per-entry file.
        if (c == '\n' || c == '\r' || c == '\0') continue;
        name += c;
    }
}

void HighscoreTable::removeLastChar() {
    if (!name.empty()) name.pop_back();
}
