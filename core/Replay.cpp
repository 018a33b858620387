#include "core/Replay.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/Paths.h"
#include "platform/ReadFile.h"
#include "platform/WriteFile.h"

#ifndef LUMIVEX_BUILD_COMMIT
#define LUMIVEX_BUILD_COMMIT "unknown"
#endif

namespace replay {

namespace {

constexpr std::size_t kHeaderSize = 106;
// A version 1 header: without the date.
constexpr std::size_t headerSize(uint32_t version) { return version < 2 ? kHeaderSize - 4 : kHeaderSize; }
constexpr std::size_t kCrcSize = 4;
// More points than any field holds: a count above it is damage, not a flight.
constexpr uint64_t kMostPoints = 4096;

uint32_t crc32(const void* data, std::size_t size) {
    static const struct Table {
        uint32_t v[256];
        Table() {
            for (uint32_t i = 0; i < 256; ++i) {
                uint32_t c = i;
                for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
                v[i] = c;
            }
        }
    } table;
    uint32_t c = 0xffffffffu;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) c = table.v[(c ^ p[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void putVarint(std::string& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<char>((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<char>(v));
}

template <class T>
void put(std::string& out, T v) {
    for (std::size_t i = 0; i < sizeof v; ++i) out.push_back(static_cast<char>(static_cast<uint64_t>(v) >> (8 * i)));
}

void putFloat(std::string& out, float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    put(out, u);
}

// Bounds-checked reading; once anything is missing every read fails.
struct Reader {
    const unsigned char* p;
    std::size_t size, at = 0;
    bool ok = true;
    Reader(const std::string& bytes, std::size_t from = 0, std::size_t to = std::string::npos)
        : p(reinterpret_cast<const unsigned char*>(bytes.data())), size(std::min(to, bytes.size())), at(from) {}
    template <class T>
    T get() {
        uint64_t v = 0;
        if (at + sizeof(T) > size) ok = false;
        for (std::size_t i = 0; ok && i < sizeof(T); ++i) v |= static_cast<uint64_t>(p[at + i]) << (8 * i);
        if (ok) at += sizeof(T);
        return static_cast<T>(v);
    }
    float getFloat() {
        const uint32_t u = get<uint32_t>();
        float f;
        std::memcpy(&f, &u, sizeof f);
        return f;
    }
    uint64_t varint() {
        uint64_t v = 0;
        for (int shift = 0; ok && shift < 64; shift += 7) {
            if (at >= size) break;
            const unsigned char b = p[at++];
            v |= static_cast<uint64_t>(b & 0x7f) << shift;
            if (!(b & 0x80)) return v;
        }
        ok = false;
        return 0;
    }
};

}  // namespace

// The ground answers are range coded (the binary adaptive coder LZMA uses): each height by
// its difference, in 1/64 units, from the height at its place in the answer before, with what
// that place did last time as context; a height off that grid goes by its 32 bits.
constexpr int kProbBits = 11, kMoveBits = 5;
constexpr uint32_t kTop = 1u << 24;

struct Encoder {
    static constexpr bool kEncodes = true;
    uint64_t low = 0;
    uint32_t range = 0xffffffffu;
    uint8_t cache = 0;
    uint64_t cacheSize = 1;
    std::string* out;
    explicit Encoder(std::string* to) : out(to) {}
    void shiftLow() {
        if (static_cast<uint32_t>(low) < 0xff000000u || (low >> 32) != 0) {
            const uint8_t carry = static_cast<uint8_t>(low >> 32);
            uint8_t temp = cache;
            do {
                out->push_back(static_cast<char>(static_cast<uint8_t>(temp + carry)));
                temp = 0xff;
            } while (--cacheSize != 0);
            cache = static_cast<uint8_t>(low >> 24);
        }
        cacheSize++;
        low = (low & 0x00ffffffu) << 8;
    }
    bool bit(uint16_t& p, bool b) {
        const uint32_t bound = (range >> kProbBits) * p;
        if (!b) {
            range = bound;
            p += ((1u << kProbBits) - p) >> kMoveBits;
        } else {
            low += bound;
            range -= bound;
            p -= p >> kMoveBits;
        }
        for (; range < kTop; range <<= 8) shiftLow();
        return b;
    }
    uint32_t direct(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            range >>= 1;
            if ((v >> i) & 1) low += range;
            for (; range < kTop; range <<= 8) shiftLow();
        }
        return v;
    }
    void flush() {
        for (int i = 0; i < 5; ++i) shiftLow();
    }
};

struct Decoder {
    static constexpr bool kEncodes = false;
    const std::string* in = nullptr;
    std::size_t at = 0, end = 0;
    uint32_t range = 0xffffffffu, code = 0;
    bool over = false;  // read past its end: damage
    void start(const std::string* bytes, std::size_t from, std::size_t to) {
        in = bytes, at = from, end = to;
        for (int i = 0; i < 5; ++i) code = (code << 8) | next();
    }
    uint8_t next() {
        if (at < end) return static_cast<uint8_t>((*in)[at++]);
        over = true;
        return 0;
    }
    bool bit(uint16_t& p, bool) {
        const uint32_t bound = (range >> kProbBits) * p;
        bool b;
        if (code < bound) {
            range = bound;
            p += ((1u << kProbBits) - p) >> kMoveBits;
            b = false;
        } else {
            code -= bound;
            range -= bound;
            p -= p >> kMoveBits;
            b = true;
        }
        for (; range < kTop; range <<= 8) code = (code << 8) | next();
        return b;
    }
    uint32_t direct(uint32_t, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            range >>= 1;
            const bool b = code >= range;
            if (b) code -= range;
            v = (v << 1) | (b ? 1u : 0u);
            for (; range < kTop; range <<= 8) code = (code << 8) | next();
        }
        return v;
    }
};

constexpr float kGrid = 64.0f;
constexpr float kGridLimit = 1 << 16;  // |height| below it: n = height * 64 is exact in a float

static bool onGrid(float h) { return std::fabs(h) < kGridLimit && std::nearbyint(h * kGrid) == h * kGrid; }


// What the coder remembers from answer to answer, the same on both sides.
struct AnswerModel {
    static constexpr int kLengths = 34;
    // Contexts: what the place did last time (0 still, 1 one step, 2 more or off the grid), 3 new.
    uint16_t countSame = 1024, countLength[kLengths], grid = 1024, moved[4], sign[4], length[4][kLengths];
    std::vector<float> previous, previousPoints;
    std::vector<uint8_t> lastMove;
    AnswerModel() {
        for (uint16_t* p : {countLength, moved, sign, length[0], length[1], length[2], length[3]})
            for (int i = 0; i < (p == moved || p == sign ? 4 : kLengths); ++i) p[i] = 1024;
    }

    // v >= 0 as Elias gamma of v + 1: its length in adaptive unary, then its bits.
    template <class C>
    uint64_t number(C& c, uint16_t* lengths, uint64_t v) {
        const uint64_t v1 = v + 1;
        int n = 0;
        while (n < 33 && (v1 >> n) > 1) ++n;  // the highest bit's place
        int len = 0;
        while (len < 33 && c.bit(lengths[len], len < n)) ++len;
        uint64_t out = 1;
        for (int i = len - 1; i >= 0; --i) out = (out << 1) | c.direct(static_cast<uint32_t>((v1 >> i) & 1), 1);
        return out - 1;
    }

    // The place in the answer before that asked for the same object: the queries keep the
    // world's order, in which objects leave from anywhere and come in at the end, and an
    // object moves little between two answers (the ship at most some 1.2 units ahead).
    int matchOf(const std::vector<float>& points, std::size_t k, std::size_t* from) const {
        for (std::size_t t = *from; t < previous.size() && t < *from + 8; ++t)
            if (std::fabs(points[2 * k] - previousPoints[2 * t]) < 0.3f &&
                std::fabs(points[2 * k + 1] - previousPoints[2 * t + 1]) < 1.5f) {
                *from = t + 1;
                return static_cast<int>(t);
            }
        return -1;
    }

    // One answer to the points asked: encoded from heights, or decoded into them. False for damage.
    template <class C>
    bool answer(C& c, const std::vector<float>& points, std::vector<float>& heights) {
        const std::size_t known = previous.size();
        std::size_t count = C::kEncodes ? heights.size() : known;
        if (!c.bit(countSame, count == known)) {
            const int64_t delta = static_cast<int64_t>(count) - static_cast<int64_t>(known);
            const uint64_t zig = number(c, countLength, (static_cast<uint64_t>(delta) << 1) ^ static_cast<uint64_t>(delta >> 63));
            count = static_cast<std::size_t>(static_cast<int64_t>(known) + (static_cast<int64_t>(zig >> 1) ^ -static_cast<int64_t>(zig & 1)));
            if (count > kMostPoints || count == known) return false;
        }
        if (!C::kEncodes) heights.resize(count);
        std::vector<float> values(count);
        std::vector<uint8_t> moves(count, 0);
        std::vector<float> asked(2 * count, 0.0f);
        std::copy(points.begin(), points.begin() + std::min(points.size(), asked.size()), asked.begin());
        std::size_t from = 0;
        float before = 0.0f;
        for (std::size_t k = 0; k < count; ++k) {
            const int match = matchOf(asked, k, &from);
            const float base = match >= 0 ? previous[match] : before;
            const int context = match >= 0 ? lastMove[match] : 3;
            float value = C::kEncodes ? heights[k] : 0.0f;
            if (c.bit(grid, C::kEncodes ? !(onGrid(value) && onGrid(base)) : false)) {
                uint32_t bits = 0;
                std::memcpy(&bits, &value, sizeof bits);
                bits = c.direct(bits, 32);
                std::memcpy(&value, &bits, sizeof value);
                moves[k] = 2;
            } else {
                if (!C::kEncodes && !onGrid(base)) return false;
                const int64_t from64 = std::llround(base * kGrid);
                const int64_t delta = C::kEncodes ? std::llround(value * kGrid) - from64 : 0;
                int64_t step = 0;
                if (c.bit(moved[context], delta != 0)) {
                    const bool down = c.bit(sign[context], delta < 0);
                    const uint64_t size = number(c, length[context], static_cast<uint64_t>(delta < 0 ? -delta : delta) - (C::kEncodes ? 1 : 0)) + 1;
                    if (size > (1u << 24)) return false;
                    step = down ? -static_cast<int64_t>(size) : static_cast<int64_t>(size);
                }
                if (std::llabs(from64 + step) >= static_cast<int64_t>(kGridLimit * kGrid)) return false;
                value = static_cast<float>(from64 + step) / kGrid;
                moves[k] = step == 0 ? 0 : (step == 1 || step == -1) ? 1 : 2;
            }
            if (!C::kEncodes) heights[k] = value;
            values[k] = before = value;
        }
        previous.swap(values);
        lastMove.swap(moves);
        previousPoints.swap(asked);
        return true;
    }
};

namespace {

std::string headerBytes(const Header& h, std::size_t bodySize) {
    std::string out(kMagic, sizeof kMagic);
    put(out, h.version);
    put(out, h.build);
    put(out, h.course);
    put(out, h.grade);
    put(out, h.seed);
    const FlightRules& f = h.rules;
    for (float v : {f.stepMs, f.startSpeed, f.acceleration, f.maxSpeed, f.steerRate}) putFloat(out, v);
    for (int v : {f.firstScoreThreshold, f.secondScoreThreshold, f.spawnPressureStart}) put(out, static_cast<int32_t>(v));
    putFloat(out, f.spawnPressureGrowth);
    put(out, h.endedAt);
    put(out, h.score);
    put(out, h.stylesReached);
    put(out, h.checksum);
    put(out, h.steps);
    put(out, h.inputRuns);
    put(out, h.groundAnswers);
    put(out, static_cast<uint32_t>(bodySize));
    put(out, h.day);
    return out;
}

// The header as far as it reads; false when the bytes are no replay of a version this game knows.
bool readHeader(const std::string& bytes, Header* h, uint32_t* bodySize, std::string* why) {
    auto refuse = [why](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return refuse("not a Lumivex replay");
    Reader r(bytes, sizeof kMagic);
    h->version = r.get<uint32_t>();
    if (r.ok && h->version > kVersion) return refuse("made by a newer version of the game");
    if (r.ok && h->version < 1) return refuse("not a Lumivex replay");
    h->build = r.get<uint64_t>();
    h->course = r.get<uint8_t>();
    h->grade = r.get<uint8_t>();
    Grade grade;
    if (r.ok && !gradeFromByte(h->grade, &grade)) return refuse("damaged (a grade this game does not know)");
    h->seed = r.get<uint32_t>();
    FlightRules& f = h->rules;
    for (float* v : {&f.stepMs, &f.startSpeed, &f.acceleration, &f.maxSpeed, &f.steerRate}) *v = r.getFloat();
    for (int* v : {&f.firstScoreThreshold, &f.secondScoreThreshold, &f.spawnPressureStart}) *v = r.get<int32_t>();
    // Version 1 kept the growth as a whole number.
    f.spawnPressureGrowth = h->version >= 2 ? r.getFloat() : static_cast<float>(r.get<int32_t>());
    h->endedAt = r.get<int64_t>();
    h->score = r.get<int32_t>();
    h->stylesReached = r.get<int32_t>();
    h->checksum = r.get<uint64_t>();
    h->steps = r.get<uint32_t>();
    h->inputRuns = r.get<uint32_t>();
    h->groundAnswers = r.get<uint32_t>();
    *bodySize = r.get<uint32_t>();
    h->day = h->version >= 2 ? r.get<uint32_t>() : 0;
    if (!r.ok) return refuse("cut short");
    return true;
}

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

bool isFlightName(const std::string& name) {
    return name.rfind("flight-", 0) == 0 && name.size() > 11 && name.compare(name.size() - 4, 4, ".lvr") == 0;
}

// The flights' names, newest first (the names begin with the time).
std::vector<std::string> flightNames(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d))
            if (isFlightName(e->d_name)) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.rbegin(), names.rend());
    return names;
}

// Only the header is read: a list of eleven replays, or the best one at every flight's end,
// never reads their flights.
bool headerOf(const std::string& path, Header* h) {
    const int fd = files::openRegularFile(path, kFileLimit);
    if (fd < 0) return false;
    std::string head(kHeaderSize, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = read(fd, &head[got], head.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    head.resize(got);
    return parseHeader(head, h);
}

}  // namespace

void quantise(std::vector<float>& heights) {
    for (float& h : heights)
        if (std::fabs(h) < kGridLimit) h = static_cast<float>(std::nearbyint(h * kGrid)) / kGrid;
}

uint64_t buildId() {
    std::string identity = std::string(LUMIVEX_BUILD_COMMIT) + "/" + std::to_string(kVersion) + "/" +
                           std::to_string(kGroundEverySteps) + "/" + std::to_string(kStyleCount) + "/" +
                           std::to_string(sizeof(GameState)) + "/" + std::to_string(demo::kSeed);
    // The rules' defaults by their bits, as the header stores rules.
    identity += headerBytes(Header{}, 0).substr(26, 36);
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : identity) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string bestName(Grade grade) { return gradeFile(kBestName, grade); }

void Recorder::start(uint32_t seed, const FlightRules& rules, Grade grade) {
    *this = Recorder();
    answers = std::make_shared<std::string>();
    model = std::make_shared<AnswerModel>();
    encoder = std::make_shared<Encoder>(answers.get());
    active = true;
    header.build = buildId();
    header.seed = seed;
    header.rules = rules;
    header.grade = static_cast<uint8_t>(grade);
}

void Recorder::flushRun() {
    if (runLength == 0) return;
    putVarint(inputs, runLength);
    putVarint(inputs, runBits);
    header.inputRuns += 1;
    runLength = 0;
}

void Recorder::stepped(const Input& in, const GameState& after) {
    if (!active) return;
    if (runLength > 0 && in.bits != runBits) flushRun();
    runBits = in.bits;
    runLength += 1;
    header.steps += 1;
    header.stylesReached = std::max(header.stylesReached, after.style + 1);
}

void Recorder::ground(const std::vector<float>& points, const std::vector<float>& heights) {
    if (!active || overflow) return;
    if (inputs.size() + answers->size() > kFileLimit - kHeaderSize - kCrcSize - 64) overflow = true;
    std::vector<float> given = heights;
    model->answer(*encoder, points, given);
    header.groundAnswers += 1;
}

std::string Recorder::finish(const GameState& flight, int64_t endedAt) {
    flushRun();
    active = false;
    if (overflow) return std::string();
    header.endedAt = endedAt;
    header.score = flight.score;
    header.checksum = flight.checksum();
    encoder->flush();
    const std::string body = inputs + *answers;
    std::string out = headerBytes(header, body.size()) + body;
    put(out, crc32(out.data(), out.size()));
    return out;
}

bool parseHeader(const std::string& bytes, Header* out) {
    uint32_t bodySize = 0;
    return readHeader(bytes, out, &bodySize, nullptr);
}

// Rules no flight of this game was flown by: a damaged file that came through its checksum.
static bool saneRules(const FlightRules& f) {
    auto within = [](double v, double low, double high) { return v >= low && v <= high; };  // false for NaN
    return within(f.stepMs, 0.5, 50) && within(f.startSpeed, 0, 1) && within(f.acceleration, 0, 0.01) &&
           within(f.maxSpeed, 0, 1) && within(f.steerRate, 0, 1) && within(f.firstScoreThreshold, 0, 1e9) &&
           within(f.secondScoreThreshold, 0, 1e9) && within(f.spawnPressureStart, -1e9, 1e9) &&
           within(f.spawnPressureGrowth, 0, 1000);
}

bool parse(const std::string& bytes, Replay* out, std::string* why, uint64_t build) {
    Replay replay;
    uint32_t bodySize = 0;
    if (!readHeader(bytes, &replay.header, &bodySize, why)) return false;
    const std::size_t head = headerSize(replay.header.version);
    auto refuse = [why](const char* reason) {
        *why = reason;
        return false;
    };
    if (bytes.size() < head + bodySize + kCrcSize) return refuse("cut short");
    if (bytes.size() > head + bodySize + kCrcSize) return refuse("damaged (bytes after its end)");
    Reader tail(bytes, head + bodySize);
    if (tail.get<uint32_t>() != crc32(bytes.data(), head + bodySize)) return refuse("damaged (its checksum differs)");
    if (replay.header.build != build) return refuse("recorded by another build of the game");
    if (!saneRules(replay.header.rules)) return refuse("damaged (rules no flight is flown by)");

    // Every run and every answer must be there, and nothing else.
    const Header& h = replay.header;
    Reader r(bytes, head, head + bodySize);
    uint64_t steps = 0;
    for (uint32_t i = 0; i < h.inputRuns && r.ok; ++i) {
        const uint64_t length = r.varint();
        if (r.varint() > 0xffff || length == 0) r.ok = false;
        steps += length;
    }
    // The answers are read as the flight asks for them: each is coded from the points asked.
    if (!r.ok || steps != h.steps || r.size - r.at < 5)
        return refuse("damaged (its flight does not add up)");
    const std::size_t answersAt = r.at;
    replay.body = bytes.substr(head, bodySize);
    replay.answersAt = answersAt - head;
    *out = std::move(replay);
    return true;
}

bool load(const std::string& path, Replay* out, std::string* why) {
    const files::ReadResult file = files::readRegularFile(path, kFileLimit);
    std::string reason;
    if (!file.ok())
        reason = files::describe(file);
    else if (parse(file.data, out, &reason))
        return true;
    *why = "The replay " + path + " cannot be played: " + reason;
    return false;
}

Player::Player(Replay r)
    : replay(std::move(r)), model(std::make_shared<AnswerModel>()), decoder(std::make_shared<Decoder>()) {
    decoder->start(&replay.body, replay.answersAt, replay.body.size());
}

Input Player::next() {
    Input in;
    if (finished()) return in;
    if (runLeft == 0) {
        Reader r(replay.body, inputAt, replay.answersAt);
        runLeft = static_cast<uint32_t>(r.varint());
        runBits = static_cast<uint16_t>(r.varint());
        inputAt = r.at;
    }
    runLeft -= 1;
    stepsDone += 1;
    in.bits = runBits;
    return in;
}

void Player::ground(const std::vector<float>& points, std::vector<float>& heights) {
    const std::size_t asked = points.size() / 2;
    if (answered >= replay.header.groundAnswers || !model->answer(*decoder, points, heights) || decoder->over ||
        heights.size() != asked)
        wrong = true;
    answered += 1;
    heights.resize(asked, 0.0f);
}

std::string Player::verify(const GameState& flight) const {
    if (wrong) return "it asked the ground other questions than the recorded flight";
    if (!finished() || !flight.over) return "it did not end where the recorded flight ended";
    if (flight.score != replay.header.score || flight.checksum() != replay.header.checksum)
        return "it came out differently (score " + std::to_string(flight.score) + ", recorded " +
               std::to_string(replay.header.score) + ")";
    return std::string();
}

std::string keep(const std::string& folder, const std::string& bytes, std::string* problem) {
    if (!paths::makeFolders(folder, 0700)) {
        *problem = "cannot create the folder " + folder + ": " + std::strerror(errno);
        return std::string();
    }
    Header ours;
    if (!parseHeader(bytes, &ours)) {
        *problem = "nothing to keep";
        return std::string();
    }
    // The time, then this process and its count: no other game, nor this one, takes the name.
    static int count = 0;
    char stamp[32];
    const std::time_t t = static_cast<std::time_t>(ours.endedAt);
    std::tm utc{};
    gmtime_r(&t, &utc);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    const std::string path = join(folder, std::string("flight-") + stamp + "-" + std::to_string(getpid()) + "-" +
                                              std::to_string(++count) + ".lvr");
    if (!files::replaceFile(path, bytes.data(), bytes.size(), problem)) return std::string();

    // Each grade's best is its own: a Relaxed flight is no rival to an Arcade one.
    const std::string bestPath = join(folder, bestName(static_cast<Grade>(ours.grade)));
    Header best;
    if (!headerOf(bestPath, &best) || best.build != ours.build || ours.score > best.score)
        files::replaceFile(bestPath, bytes.data(), bytes.size(), nullptr);

    const std::vector<std::string> names = flightNames(folder);
    for (std::size_t i = kKeepLatest; i < names.size(); ++i) unlink(join(folder, names[i]).c_str());
    return path;
}

std::vector<Entry> list(const std::string& folder) {
    std::vector<Entry> entries;
    for (Grade grade : {Grade::Normal, Grade::Relaxed, Grade::Arcade}) {
        Entry best;
        best.path = join(folder, bestName(grade));
        best.best = true;
        if (headerOf(best.path, &best.header) && best.header.grade == static_cast<uint8_t>(grade)) entries.push_back(best);
    }
    const std::size_t bests = entries.size();
    for (const std::string& name : flightNames(folder)) {
        Entry e;
        e.path = join(folder, name);
        if (!headerOf(e.path, &e.header)) continue;
        // A best is also among the latest for a while: one row for one flight.
        const bool sameAsBest = std::any_of(entries.begin(), entries.begin() + bests, [&e](const Entry& best) {
            return e.header.grade == best.header.grade && e.header.seed == best.header.seed &&
                   e.header.endedAt == best.header.endedAt && e.header.checksum == best.header.checksum;
        });
        if (!sameAsBest) entries.push_back(e);
    }
    return entries;
}

}  // namespace replay
