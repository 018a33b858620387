#include "highscore/HighscoreTable.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

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

// Where the first `count` characters of text[begin, end) end: a character is a byte with the
// continuation bytes after it, at most three (UTF-8 never has more), so no character is cut.
std::string::size_type afterCharacters(const std::string& text, std::string::size_type begin,
                                       std::string::size_type end, std::size_t count) {
    for (; begin < end && count > 0; --count) {
        std::string::size_type length = 1;
        while (length < 4 && begin + length < end && (static_cast<unsigned char>(text[begin + length]) & 0xC0) == 0x80)
            ++length;
        begin += length;
    }
    return begin;
}

std::size_t lineLength(const HighscoreTable::Entry& entry) {
    return std::to_string(entry.first).size() + entry.second.size() + 2;  // "score;name\n"
}

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
        const std::string::size_type nameEnd = afterCharacters(text, separator + 1, lineEnd, maxNameLength);
        const std::string entryName = text.substr(separator + 1, nameEnd - separator - 1);
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

bool HighscoreTable::fitInto(std::size_t bytes, const Entry* keep, std::size_t* dropped) {
    std::size_t size = 0;
    auto firstOut = entries.rbegin();
    for (; firstOut != entries.rend() && size + lineLength(*firstOut) <= bytes; ++firstOut) size += lineLength(*firstOut);
    // The entries below the last that fits, in ascending order.
    const auto end = firstOut.base();
    for (auto it = entries.begin(); it != end; ++it)
        if (&*it == keep) return false;
    *dropped = static_cast<std::size_t>(std::distance(entries.begin(), end));
    entries.erase(entries.begin(), end);
    return true;
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
