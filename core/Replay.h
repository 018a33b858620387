#pragma once
// A flight kept so that it can be played again exactly: its seed and rules, the input of every
// step and every ground answer the flight was given. Rules only: the game records through a
// Recorder, writes the bytes where the player's files are, and plays one back through a Player
// that stands in for the keys and the ground.
//
// The file, little-endian:
//   "LVXREPLY"  magic, 8 bytes
//   u32         version (kVersion); a newer one is refused
//   u64         build: this build's identity (buildId()); another build is refused
//   u8 course, u8 grade   what kind of flight (course 0: a free flight, 1: the daily course) and
//                         its grade (0 Normal, 1 Relaxed, 2 Arcade: core/Grade.h)
//   u32 seed, 9 x u32 the flight rules (floats by their bits; version 1 kept the spawn
//                     pressure's growth, the last, as a whole number)
//   i64 when the flight ended (seconds since 1970), i32 final score, i32 styles reached,
//   u64 final state checksum, u32 steps, u32 input runs, u32 ground answers, u32 body bytes
//   u32 (version 2 on) the daily course's date as YYYYMMDD, 0 for other flights; a version 1
//       header ends before it and reads as 0
//   body: the input runs (varint length, varint bits), then every ground answer, range coded:
//         its count (when it changed), then per height its difference in 1/64 units from the
//         height at the same place in the answer before (a height off that grid: its 32 bits)
//   u32 CRC-32 of everything before it
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/FlightRules.h"
#include "core/Grade.h"
#include "core/Step.h"

namespace replay {

struct AnswerModel;
struct Encoder;
struct Decoder;

constexpr char kMagic[8] = {'L', 'V', 'X', 'R', 'E', 'P', 'L', 'Y'};
constexpr uint32_t kVersion = 2;
// The reader takes no more; a flight whose recording would outgrow it is not kept.
constexpr std::size_t kFileLimit = 16u << 20;
// Where the player's replays are kept, and how many of the latest (the best is kept besides).
constexpr const char* kFolder = "replays";
constexpr const char* kBestName = "best.lvr";  // Normal's; each grade keeps its best (bestName)
constexpr int kKeepLatest = 10;
// The file of a grade's best flight: kBestName for Normal, "best-arcade.lvr" for Arcade.
std::string bestName(Grade grade);

// What the game feeds the step of the ground's heights: each to the nearest 1/64 of a unit, so
// that a replay's answers differ by few steps and take little room.
void quantise(std::vector<float>& heights);

// This build's identity: the commit it was configured from and the constants of the step, so
// that a replay is only ever played by rules that give the same flight.
uint64_t buildId();

struct Header {
    uint32_t version = kVersion;
    uint64_t build = 0;
    uint8_t course = 0;  // 0: a free flight, 1: the daily course
    uint8_t grade = 0;   // a Grade; a byte this game does not know is refused
    uint32_t seed = 0;
    FlightRules rules;
    int64_t endedAt = 0;
    int32_t score = 0;
    int32_t stylesReached = 1;  // the highest style reached, counted from 1
    uint64_t checksum = 0;      // GameState::checksum() once the flight was over
    uint32_t steps = 0;
    uint32_t inputRuns = 0;
    uint32_t groundAnswers = 0;
    uint32_t day = 0;  // the daily course's date, YYYYMMDD
};

// Records a flight as it is flown: start, then every step's input and every ground answer (the
// two are kept apart, so their order does not matter); finish once the flight is over.
class Recorder {
public:
    void start(uint32_t seed, const FlightRules& rules, Grade grade = Grade::Normal);
    bool recording() const { return active; }
    void stop() { active = false; }
    // After start: what kind of flight it is (the daily course and its date).
    void course(uint8_t kind, uint32_t day) { header.course = kind, header.day = day; }
    // The input a step took, and the flight after it.
    void stepped(const Input& in, const GameState& after);
    void ground(const std::vector<float>& points, const std::vector<float>& heights);
    // The file's bytes for the finished flight, or empty when the recording outgrew the limit.
    std::string finish(const GameState& flight, int64_t endedAt);

private:
    void flushRun();
    bool active = false;
    bool overflow = false;
    Header header;
    uint16_t runBits = 0;
    uint32_t runLength = 0;
    std::string inputs;
    std::shared_ptr<std::string> answers;
    std::shared_ptr<AnswerModel> model;
    std::shared_ptr<Encoder> encoder;
};

// A replay read from a file: refused with one line for the player (why) when it is damaged,
// truncated, foreign, newer or of another build.
struct Replay {
    Header header;
    std::string body;  // input runs, then ground answers
    std::size_t answersAt = 0;
};
// build: the build a replay must come from (this one, unless a test or the fuzzer says otherwise).
bool parse(const std::string& bytes, Replay* out, std::string* why, uint64_t build = buildId());
// Only the header (for lists): false for anything that is not a replay of this version.
bool parseHeader(const std::string& bytes, Header* out);
// Reads a file through the safe reader and parses it; why names the file.
bool load(const std::string& path, Replay* out, std::string* why);

// Plays a parsed replay: the input of each step and the answers in the order they were given.
// A flight that asks the ground for other points than it was recorded with has gone astray.
class Player {
public:
    explicit Player(Replay replay);
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    const Header& header() const { return replay.header; }
    bool finished() const { return stepsDone >= replay.header.steps; }
    Input next();
    void ground(const std::vector<float>& points, std::vector<float>& heights);
    // The answers asked for did not match the recording: the flight is not the recorded one.
    bool astray() const { return wrong; }
    // The exact check at the end: every step played, the flight over, and its state the same
    // as when it was recorded. Empty when it holds; otherwise one line saying what differed.
    std::string verify(const GameState& flight) const;

private:
    Replay replay;
    std::size_t inputAt = 0;
    uint32_t runLeft = 0, answered = 0;
    uint16_t runBits = 0;
    long stepsDone = 0;
    bool wrong = false;
    std::shared_ptr<AnswerModel> model;
    std::shared_ptr<Decoder> decoder;
};

// The player's replays in folder: kept writes the finished flight's file under a name no other
// game can take, makes it its grade's best when it beats that, and removes all but the latest
// kKeepLatest flights. Returns the file's path, or empty with the reason in problem.
std::string keep(const std::string& folder, const std::string& bytes, std::string* problem);

// One row of the replay list.
struct Entry {
    std::string path;
    Header header;
    bool best = false;
};
// The grades' bests first (Normal's, Relaxed's, Arcade's, those there are), then the latest
// flights, newest first; files that are not replays of this version are left out.
std::vector<Entry> list(const std::string& folder);

}  // namespace replay
