#pragma once
// The daily course: one flight a day, the same for every player (its seed from the UTC date),
// flown by the Normal rules; its own table of the day's ten best, kept for the last thirty
// days, and the day's best flight kept as a replay to fly beside as a ghost. Rules only.
#include <cstdint>
#include <map>
#include <string>

#include "core/Replay.h"
#include "highscore/HighscoreStore.h"
#include "highscore/HighscoreTable.h"

namespace daily {

// The replay header's course byte of a daily flight.
constexpr uint8_t kCourse = 1;
constexpr int kKeepDays = 30;   // today and the 29 days before
constexpr int kTopPerDay = 10;
// The table's file stays far below it: 31 days of ten short lines.
constexpr std::size_t kFileLimit = 64u << 10;
constexpr const char* kVersionLine = "lumivex-daily 1";

struct Date {
    int year = 1970, month = 1, day = 1;
    bool operator==(const Date& o) const { return year == o.year && month == o.month && day == o.day; }
};
Date today();  // by the clock, in UTC
long dayNumber(const Date& date);  // days since 1970-01-01
Date fromDayNumber(long days);
std::string text(const Date& date);  // YYYY-MM-DD
bool parseDate(const std::string& text, Date* out);  // false for anything but a real day
uint32_t stamp(const Date& date);  // YYYYMMDD, as the replay header keeps it

// The day's seed: neighbouring days give unrelated flights.
uint32_t dailySeed(int year, int month, int day);
inline uint32_t dailySeed(const Date& d) { return dailySeed(d.year, d.month, d.day); }

// The daily table: per day a HighscoreTable of at most kTopPerDay entries. Its text is a
// version line, then "YYYY-MM-DD score name" lines, days in order, each day's best first.
class Table {
public:
    // Replaces the entries with the text's; returns how many lines were left out as damaged.
    int parse(const std::string& text);
    std::string format() const;
    // Adds a score for day; its rank there (1 the best), or 0 when it is not among the ten.
    int insert(const Date& day, int score, const std::string& name);
    // Where score would rank on day now.
    int rankOf(const Date& day, int score) const;
    // Drops the days older than the last kKeepDays (and any after tomorrow: a wrong clock).
    void prune(const Date& today);
    // The day's entries, best last (as HighscoreTable keeps them); empty for a day not kept.
    const HighscoreTable::Entries& day(const Date& date) const;
    std::size_t days() const { return byDay.size(); }

private:
    std::map<std::string, HighscoreTable> byDay;  // by "YYYY-MM-DD", which sorts by date
};

// The table's file in the player's folder: read through the safe reader, written whole through
// files::replaceFile under the lock the high-score table's saves take, re-read under it, so
// that two games saving at once both keep their scores.
class Store {
public:
    explicit Store(std::string path) : path(std::move(path)) {}
    const std::string& file() const { return path; }
    // The file's table; damaged lines are left out and named in one console line.
    void load(Table& table) const;
    // Adds the score to the file as it is now, prunes by today and writes it; *rank as insert
    // says. The lock is waited for lockWaitMs at most; a failure is one console line.
    SaveResult save(Table& table, const Date& day, const Date& today, int score, const std::string& name, int* rank,
                    int lockWaitMs) const;

private:
    std::string path;
};

// The day's best daily flight in the replays folder: "daily-YYYY-MM-DD.lvr".
std::string replayPath(const std::string& folder, const Date& day);
// Keeps a finished daily flight as its day's best when it beats the one kept (or none is);
// removes the files of days older than the last kKeepDays. True when it became the best.
bool keepBest(const std::string& folder, const std::string& bytes, const Date& day, const Date& today,
              std::string* problem);
// The day's best as a ghost: a daily replay of this build, for that day. False (why says it
// when a file was there) otherwise.
bool loadBest(const std::string& folder, const Date& day, replay::Replay* out, std::string* why);

}  // namespace daily
