#include "core/Daily.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <iterator>
#include <vector>

#include "platform/ReadFile.h"
#include "platform/WriteFile.h"

namespace daily {

namespace {

constexpr const char* kReplayPrefix = "daily-";

bool digits(const std::string& s, std::size_t from, std::size_t count) {
    if (from + count > s.size()) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// The best kTopPerDay of a day, in the order they are listed.
void topOnly(HighscoreTable& table) {
    const HighscoreTable::Entries& entries = table.getEntries();
    if (entries.size() <= static_cast<std::size_t>(kTopPerDay)) return;
    HighscoreTable kept;
    // From the lowest listed up: each insert goes above the equal scores before it.
    for (auto it = std::prev(entries.end(), kTopPerDay); it != entries.end(); ++it) kept.insert(it->first, it->second);
    table = kept;
}

}  // namespace

Date today() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return Date{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday};
}

// The proleptic Gregorian calendar's day count (the civil-from-days algorithm and its inverse).
long dayNumber(const Date& d) {
    const long y = d.year - (d.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (d.month + (d.month > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Date fromDayNumber(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return Date{static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, static_cast<int>(doy - (153 * mp + 2) / 5 + 1)};
}

std::string text(const Date& d) {
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", d.year % 10000, d.month % 100, d.day % 100);
    return out;
}

bool parseDate(const std::string& s, Date* out) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !digits(s, 0, 4) || !digits(s, 5, 2) || !digits(s, 8, 2))
        return false;
    const Date d{std::stoi(s.substr(0, 4)), std::stoi(s.substr(5, 2)), std::stoi(s.substr(8, 2))};
    // A 30 February comes back as another day.
    if (d.month < 1 || d.month > 12 || d.day < 1 || !(fromDayNumber(dayNumber(d)) == d)) return false;
    *out = d;
    return true;
}

uint32_t stamp(const Date& d) { return static_cast<uint32_t>(d.year * 10000 + d.month * 100 + d.day); }

uint32_t dailySeed(int year, int month, int day) {
    // splitmix64's finaliser: every bit of the date moves about half of the seed's.
    uint64_t z = static_cast<uint64_t>(stamp(Date{year, month, day})) + 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    z ^= z >> 31;
    return static_cast<uint32_t>(z ^ (z >> 32));
}

int Table::parse(const std::string& input) {
    byDay.clear();
    std::map<std::string, std::string> lines;  // per day, in HighscoreTable's "score;name" text
    int bad = 0;
    bool first = true;
    for (std::size_t begin = 0; begin < input.size();) {
        std::size_t end = input.find('\n', begin);
        if (end == std::string::npos) end = input.size();
        std::string line = input.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool versionLine = first && line == kVersionLine;
        first = false;
        if (versionLine || line.empty()) continue;
        Date d;
        const std::size_t space = line.find(' ', 11);
        if (line.size() < 14 || line[10] != ' ' || !parseDate(line.substr(0, 10), &d) || space == std::string::npos ||
            space == 11 || space + 1 >= line.size() || !digits(line, 11, space - 11)) {
            ++bad;
            continue;
        }
        lines[text(d)] += line.substr(11, space - 11) + ";" + line.substr(space + 1) + "\n";
    }
    for (const auto& day : lines) {
        HighscoreTable& table = byDay[day.first];
        table.parse(day.second);
        topOnly(table);
    }
    return bad;
}

std::string Table::format() const {
    std::string out = std::string(kVersionLine) + "\n";
    for (const auto& day : byDay)
        for (auto it = day.second.getEntries().rbegin(); it != day.second.getEntries().rend(); ++it)
            out += day.first + " " + std::to_string(it->first) + " " + it->second + "\n";
    return out;
}

int Table::insert(const Date& date, int score, const std::string& name) {
    HighscoreTable& table = byDay[text(date)];
    const HighscoreTable::Entry& added = table.insert(score, name);
    int rank = 1;
    for (auto it = table.getEntries().rbegin(); &*it != &added; ++it) ++rank;
    topOnly(table);
    return rank <= kTopPerDay ? rank : 0;
}

int Table::rankOf(const Date& date, int score) const {
    const auto found = byDay.find(text(date));
    HighscoreTable table = found == byDay.end() ? HighscoreTable() : found->second;
    return table.computeRank(score);
}

void Table::prune(const Date& now) {
    const long last = dayNumber(now);
    for (auto it = byDay.begin(); it != byDay.end();) {
        Date d;
        const long n = parseDate(it->first, &d) ? dayNumber(d) : 0;
        if (n <= last - kKeepDays || n > last + 1)
            it = byDay.erase(it);
        else
            ++it;
    }
}

const HighscoreTable::Entries& Table::day(const Date& date) const {
    static const HighscoreTable::Entries none;
    const auto found = byDay.find(text(date));
    return found == byDay.end() ? none : found->second.getEntries();
}

void Store::load(Table& table) const {
    const files::ReadResult file = files::readRegularFile(path, kFileLimit);
    if (!file.ok() && file.status != files::ReadStatus::Missing)
        std::printf("Could not read the daily table from %s: %s\n", path.c_str(), files::describe(file).c_str());
    const int bad = table.parse(file.ok() ? file.data : std::string());
    if (bad > 0) std::printf("The daily table %s has %d damaged line(s): they were left out\n", path.c_str(), bad);
    std::fflush(stdout);
}

SaveResult Store::save(Table& table, const Date& day, const Date& now, int score, const std::string& name, int* rank,
                       int lockWaitMs) const {
    std::string target, problem;
    SaveResult result;
    if (!files::resolveOwnLinks(path, &target, &problem)) {
        result.ok = false;
        result.reason = problem;
    } else {
        result = HighscoreStore::underLock(target, lockWaitMs, [&] {
            SaveResult written;
            // Another game may have saved since this one read the file: the score joins what it holds now.
            const files::ReadResult file = files::readRegularFile(target, kFileLimit);
            if (!file.ok() && file.status != files::ReadStatus::Missing) {
                written.ok = false;
                written.reason = files::describe(file);
                return written;
            }
            table.parse(file.ok() ? file.data : std::string());
            *rank = table.insert(day, score, name);
            table.prune(now);
            const std::string out = table.format();
            if (!files::replaceFile(target, out.data(), out.size(), &problem)) {
                written.ok = false;
                written.reason = problem;
            }
            return written;
        });
    }
    if (!result.ok) std::printf("Could not save the daily table to %s: %s\n", path.c_str(), result.reason.c_str());
    std::fflush(stdout);
    return result;
}

std::string replayPath(const std::string& folder, const Date& day) {
    return (folder.empty() ? std::string() : folder + "/") + kReplayPrefix + text(day) + ".lvr";
}

bool keepBest(const std::string& folder, const std::string& bytes, const Date& day, const Date& now,
              std::string* problem) {
    replay::Header ours, kept;
    if (!replay::parseHeader(bytes, &ours)) {
        *problem = "nothing to keep";
        return false;
    }
    const std::string path = replayPath(folder, day);
    const files::ReadResult old = files::readRegularFile(path, replay::kFileLimit);
    const bool beaten = !old.ok() || !replay::parseHeader(old.data, &kept) || kept.build != ours.build ||
                        ours.score > kept.score;
    const bool best = beaten && files::replaceFile(path, bytes.data(), bytes.size(), problem);
    // The days gone by: their ghosts fly no more.
    std::vector<std::string> old30;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            Date when;
            if (name.size() == 20 && name.rfind(kReplayPrefix, 0) == 0 && name.compare(16, 4, ".lvr") == 0 &&
                parseDate(name.substr(6, 10), &when) && dayNumber(when) <= dayNumber(now) - kKeepDays)
                old30.push_back(name);
        }
        closedir(d);
    }
    for (const std::string& name : old30) unlink((folder + "/" + name).c_str());
    return best;
}

bool loadBest(const std::string& folder, const Date& day, replay::Replay* out, std::string* why) {
    const std::string path = replayPath(folder, day);
    if (!files::isReadableRegularFile(path)) return false;
    if (!replay::load(path, out, why)) return false;
    if (out->header.course != kCourse || out->header.day != stamp(day) || out->header.seed != dailySeed(day)) {
        *why = "The replay " + path + " is not that day's daily course";
        return false;
    }
    return true;
}

}  // namespace daily
