#pragma once
// One run of each file reader on raw bytes, with the checks that must hold afterwards. The
// libFuzzer targets and the regression tests both go through these functions, so an input
// that once broke something is replayed along exactly the path that found it.

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/Replay.h"
#include "core/Settings.h"
#include "core/Statistics.h"
#include "core/Step.h"
#include "framework/ImageCheck.h"
#include "highscore/HighscoreStore.h"
#include "highscore/HighscoreTable.h"
#include "model/glm.h"
#include "platform/audio/Playlist.h"

namespace fuzzharness {

// What one input did: whether the reader took it, and the first check that failed (empty when
// all held).
struct Outcome {
    bool accepted = true;
    std::string broken;
};

#define FUZZ_EXPECT(outcome, condition)                                     \
    do {                                                                    \
        if (!(condition) && (outcome).broken.empty()) (outcome).broken = #condition; \
    } while (0)

// Separates the material library from the model text in a model input.
inline const char* modelMarker() { return "\n#MTL\n"; }

// The model input's two files: everything before the first marker line is the OBJ (with its
// newline), everything after it the MTL. Without a marker the MTL is empty.
inline void splitModelInput(const uint8_t* data, std::size_t size, std::string& obj, std::string& mtl) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    const std::size_t at = all.find(modelMarker());
    if (at == std::string::npos) {
        obj = all;
        mtl.clear();
        return;
    }
    obj = all.substr(0, at + 1);
    mtl = all.substr(at + std::strlen(modelMarker()));
}

inline bool writeWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The reader's failure exit, turned into an exception that unwinds out of glmReadOBJ.
struct ModelRejected {
    int code;
};
[[noreturn]] inline void throwModelRejected(int code) { throw ModelRejected{code}; }

inline bool unitOrZero(const float* n) {
    const float l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return std::isfinite(l) && (l == 0.0f || std::fabs(l - 1.0f) < 1e-3f);
}

// Everything glmDraw reads for the game's mode (smooth normals, texture coordinates,
// materials) lies inside the model's arrays, and every triangle is drawn exactly once.
inline void checkDrawable(const GLMmodel& m, Outcome& out) {
    FUZZ_EXPECT(out, m.vertices != nullptr && m.triangles != nullptr);
    if (!out.broken.empty()) return;
    std::vector<unsigned char> drawn(m.numtriangles, 0);
    unsigned int groups = 0;
    for (const GLMgroup* g = m.groups; g; g = g->next) {
        ++groups;
        FUZZ_EXPECT(out, g->numtriangles == 0 || g->triangles != nullptr);
        if (!out.broken.empty()) return;
        for (unsigned int i = 0; i < g->numtriangles; ++i) {
            const unsigned int index = g->triangles[i];
            FUZZ_EXPECT(out, index < m.numtriangles);
            if (!out.broken.empty()) return;
            ++drawn[index];
        }
    }
    FUZZ_EXPECT(out, groups == m.numgroups);
    for (unsigned int i = 0; i < m.numtriangles; ++i) {
        FUZZ_EXPECT(out, drawn[i] == 1);
        const GLMtriangle& t = m.triangles[i];
        for (int k = 0; k < 3; ++k) {
            FUZZ_EXPECT(out, t.vindices[k] >= 1 && t.vindices[k] <= m.numvertices);
            if (m.normals) FUZZ_EXPECT(out, t.nindices[k] <= m.numnormals);
            if (m.texcoords) FUZZ_EXPECT(out, t.tindices[k] <= m.numtexcoords);
        }
        if (m.facetnorms) FUZZ_EXPECT(out, t.findex >= 1 && t.findex <= m.numfacetnorms);
        if (!out.broken.empty()) return;
    }
}

// Reads the model the way the resource cache loads one (read, unitize, facet normals, vertex
// normals at 90 degrees) from files written into `folder`, checking the model after each step.
inline Outcome runModel(const uint8_t* data, std::size_t size, const std::string& folder) {
    Outcome out;
    std::string obj, mtl;
    splitModelInput(data, size, obj, mtl);
    const std::string objPath = folder + "/model.obj";
    if (!writeWholeFile(objPath, obj) || !writeWholeFile(folder + "/model.mtl", mtl)) {
        out.broken = "cannot write the model files";
        return out;
    }

    GLMmodel* model = nullptr;
    glmSetFatalHandler(throwModelRejected);
    try {
        model = glmReadOBJ(objPath.c_str());
    } catch (const ModelRejected& rejected) {
        out.accepted = false;
        FUZZ_EXPECT(out, rejected.code == 1);
    }
    glmSetFatalHandler(nullptr);
    if (!model) return out;

    checkDrawable(*model, out);
    FUZZ_EXPECT(out, model->nummaterials >= 1 || model->materials == nullptr);
    for (const GLMgroup* g = model->groups; g; g = g->next)
        FUZZ_EXPECT(out, model->nummaterials == 0 || g->material < model->nummaterials);

    bool finite = true;
    for (unsigned int i = 3; i < 3 * (model->numvertices + 1); ++i) finite = finite && std::isfinite(model->vertices[i]);
    glmUnitize(model);
    if (finite) {
        for (unsigned int i = 3; i < 3 * (model->numvertices + 1) && out.broken.empty(); ++i) {
            const float v = model->vertices[i];
            FUZZ_EXPECT(out, std::isfinite(v) && std::fabs(v) <= 1.0001f);
        }
    }

    glmFacetNormals(model);
    FUZZ_EXPECT(out, model->numfacetnorms == model->numtriangles);
    if (finite)
        for (unsigned int i = 1; i <= model->numfacetnorms && out.broken.empty(); ++i)
            FUZZ_EXPECT(out, unitOrZero(&model->facetnorms[3 * i]));

    glmVertexNormals(model, 90.0f);
    FUZZ_EXPECT(out, model->numtriangles == 0 || model->normals != nullptr);
    checkDrawable(*model, out);
    // Every corner of every triangle now has a normal of its own computation.
    for (unsigned int i = 0; i < model->numtriangles && out.broken.empty(); ++i)
        for (int k = 0; k < 3; ++k) FUZZ_EXPECT(out, model->triangles[i].nindices[k] >= 1);
    FUZZ_EXPECT(out, model->numnormals <= 3 * model->numtriangles);
    if (finite)
        for (unsigned int i = 1; i <= model->numnormals && out.broken.empty(); ++i)
            FUZZ_EXPECT(out, unitOrZero(&model->normals[3 * i]));

    glmDelete(model);
    return out;
}

inline bool hasSpaceAtEnds(const std::string& s) {
    return !s.empty() && (std::isspace(static_cast<unsigned char>(s.front())) ||
                          std::isspace(static_cast<unsigned char>(s.back())));
}

inline Outcome runPlaylist(const uint8_t* data, std::size_t size) {
    Outcome out;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<audio::PlaylistEntry> entries = audio::parseM3U(text);
    std::size_t lines = 1;  // at most: a CR-LF pair counts twice here
    for (char c : text) lines += c == '\n' || c == '\r';
    FUZZ_EXPECT(out, entries.size() <= lines);
    for (const audio::PlaylistEntry& e : entries) {
        FUZZ_EXPECT(out, !e.file.empty());
        FUZZ_EXPECT(out, e.file[0] != '#');
        FUZZ_EXPECT(out, e.file.find_first_of("\r\n\\") == std::string::npos);
        FUZZ_EXPECT(out, e.title.find_first_of("\r\n") == std::string::npos);
        FUZZ_EXPECT(out, !hasSpaceAtEnds(e.file) && !hasSpaceAtEnds(e.title));
        FUZZ_EXPECT(out, e.hasTitle || e.title.empty());
        if (!out.broken.empty()) break;
    }
    // The header test agrees with a plain reading of the first bytes.
    std::string head = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    bool header = head.size() >= 7;
    for (std::size_t i = 0; header && i < 7; ++i)
        header = std::toupper(static_cast<unsigned char>(head[i])) == "#EXTM3U"[i];
    FUZZ_EXPECT(out, audio::hasPlaylistHeader(text) == header);
    audio::hasPlaylistExtension(text);
    return out;
}

// The input's leading number, clamped to int: often a score of the table itself.
inline long long leadingNumber(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : v);
}

// Loads the bytes as "highscore.txt" from `folder`, then ranks a score taken from the input
// (the first line's number, moved by -1, 0 or +1 by the last byte, to meet ties and neighbours).
inline Outcome runHighscore(const uint8_t* data, std::size_t size, const std::string& folder) {
    Outcome out;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string path = folder + "/highscore.txt";
    if (!writeWholeFile(path, text)) {
        out.broken = "cannot write highscore.txt";
        return out;
    }
    HighscoreTable table;
    HighscoreStore(folder).load(table);
    // Lines whose part before the first separator is one or more digits and nothing else.
    std::size_t plain = 0;
    for (std::size_t begin = 0; begin <= text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::size_t separator = text.find(';', begin);
        if (separator < end && separator > begin) {
            bool digits = true;
            for (std::size_t i = begin; i < separator; ++i) digits = digits && std::isdigit(static_cast<unsigned char>(text[i]));
            plain += digits;
        }
        begin = end + 1;
    }
    // Every such line is loaded, and nothing else.
    FUZZ_EXPECT(out, table.getEntries().size() == plain);
    for (const auto& entry : table.getEntries()) {
        FUZZ_EXPECT(out, entry.second.find('\n') == std::string::npos);
        FUZZ_EXPECT(out, entry.second.size() <= HighscoreTable::maxNameBytes);
        FUZZ_EXPECT(out, entry.first >= 0 && entry.first <= HighscoreTable::maxScore);
    }

    // Scores are ranked as the table keeps them.
    long long score = leadingNumber(text);
    if (size > 0) score += static_cast<long long>(data[size - 1] % 3) - 1;
    score = std::min<long long>(std::max<long long>(score, 0), HighscoreTable::maxScore);
    int expected = 1;
    for (const auto& entry : table.getEntries()) expected += entry.first > score;

    const int rank = table.computeRank(static_cast<int>(score));
    FUZZ_EXPECT(out, rank == expected);
    FUZZ_EXPECT(out, rank >= 1 && static_cast<std::size_t>(rank) <= table.getEntries().size() + 1);
    return out;
}

// Reads the bytes as settings.ini, then saves the settings into them as the game does and reads
// that again: every value is in range, no key does two things, and the save gives back exactly
// the settings read, holds no line a reader refuses and is what a second save writes too.
inline Outcome runSettings(const uint8_t* data, std::size_t size) {
    Outcome out;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const SettingsParse read = parseSettings(text);
    const Settings& s = read.settings;
    out.accepted = read.badLines == 0;
    FUZZ_EXPECT(out, read.problem.empty() == out.accepted);
    FUZZ_EXPECT(out, s.musicVolume >= 0 && s.musicVolume <= kMaxVolume);
    FUZZ_EXPECT(out, s.effectsVolume >= 0 && s.effectsVolume <= kMaxVolume);
    for (const int button : {s.padJump, s.padFire, s.padStart}) FUZZ_EXPECT(out, button >= 1 && button <= kMaxPadButton);
    for (int i = 0; i < kActionCount; ++i) {
        FUZZ_EXPECT(out, !input::keyName(s.keys[i]).empty() && !input::isReservedKey(s.keys[i]));
        for (int j = i + 1; j < kActionCount; ++j) FUZZ_EXPECT(out, s.keys[i] != s.keys[j]);
    }
    const std::string saved = mergeSettings(text, s);
    const SettingsParse again = parseSettings(saved);
    FUZZ_EXPECT(out, again.problem.empty());
    FUZZ_EXPECT(out, again.settings == s);
    FUZZ_EXPECT(out, mergeSettings(saved, s) == saved);
    return out;
}

// stats.txt as the game reads it: every number it takes is in range, and the totals written
// back read the same, within the reader's limit.
inline Outcome runStatistics(const uint8_t* data, std::size_t size) {
    Outcome out;
    const StatisticsRead read = parseStatistics(std::string(reinterpret_cast<const char*>(data), size));
    const Statistics& t = read.totals;
    out.accepted = read.problem.empty();
    FUZZ_EXPECT(out, t.bestMultiplier >= 0 && t.bestMultiplier <= kStyleCount);
    for (const int64_t n : {t.flights, t.stars, t.hits, t.asteroidsShot, t.longestFlightMs})
        FUZZ_EXPECT(out, n >= 0 && n <= Statistics::kMaxValue);
    for (const int64_t n : t.styleMs) FUZZ_EXPECT(out, n >= 0 && n <= Statistics::kMaxValue);
    const std::string saved = formatStatistics(t);
    const StatisticsRead again = parseStatistics(saved);
    FUZZ_EXPECT(out, saved.size() <= kStatisticsLimit);
    FUZZ_EXPECT(out, again.problem.empty() && again.totals == t);
    return out;
}

inline uint32_t bitwiseCrc(const unsigned char* p, std::size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// A replay file as the game reads it: refused in words, or read whole. Each input is read as it
// comes and again with its build and checksum made right, so the search gets past both to the
// runs and the answers; an accepted one plays its first steps on its own ground answers.
inline Outcome runReplay(const uint8_t* data, std::size_t size) {
    Outcome out;
    std::string bytes(reinterpret_cast<const char*>(data), size), why;
    replay::Replay read;
    out.accepted = replay::parse(bytes, &read, &why);
    FUZZ_EXPECT(out, out.accepted == why.empty());
    if (size < 24) return out;
    const uint64_t build = replay::buildId();
    for (int i = 0; i < 8; ++i) bytes[12 + i] = static_cast<char>(build >> (8 * i));
    const uint32_t crc = bitwiseCrc(reinterpret_cast<const unsigned char*>(bytes.data()), size - 4);
    for (int i = 0; i < 4; ++i) bytes[size - 4 + i] = static_cast<char>(crc >> (8 * i));
    why.clear();
    if (!replay::parse(bytes, &read, &why)) return out;
    replay::Header header;
    FUZZ_EXPECT(out, replay::parseHeader(bytes, &header) && header.steps == read.header.steps);
    replay::Player player(read);
    GameState flight;
    flight.start(header.seed, header.rules);
    const Ground ground = [&](const std::vector<float>& points, std::vector<float>& heights) {
        player.ground(points, heights);
        FUZZ_EXPECT(out, heights.size() == points.size() / 2);
    };
    flight.world.updateHeights(ground);
    uint32_t steps = 0;
    for (; steps < 600 && !player.finished(); ++steps) step(flight, player.next(), ground);
    FUZZ_EXPECT(out, player.finished() == (steps == header.steps));
    FUZZ_EXPECT(out, player.finished() || !player.verify(flight).empty());
    return out;
}

inline uint32_t be32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Where a PNG's IEND chunk ends, walking the chunks independently of the checker; 0 when the
// walk leaves the data first.
inline std::size_t pngEnd(const unsigned char* d, std::size_t n) {
    std::size_t pos = 8;
    while (pos + 12 <= n) {
        const uint64_t length = be32(d + pos);
        if (pos + 12 + length > n) return 0;
        if (bitwiseCrc(d + pos + 4, 4 + length) != be32(d + pos + 8 + length)) return 0;
        const bool end = std::memcmp(d + pos + 4, "IEND", 4) == 0;
        pos += 12 + length;
        if (end) return pos;
    }
    return 0;
}

inline Outcome runImageCheck(const uint8_t* data, std::size_t size) {
    Outcome out;
    const bool png = imagecheck::pngIsSound(data, size);
    const bool dds = imagecheck::ddsIsSound(data, size);
    const bool jpeg = imagecheck::jpegIsSound(data, size);
    const bool any = imagecheck::bufferIsSound(data, size);
    const bool pngSignature = size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0;
    const bool ddsSignature = size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
    const bool jpegSignature = size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
    FUZZ_EXPECT(out, !png || pngSignature);
    FUZZ_EXPECT(out, !dds || ddsSignature);
    FUZZ_EXPECT(out, !jpeg || jpegSignature);
    FUZZ_EXPECT(out, any == (pngSignature ? png : ddsSignature ? dds : jpegSignature ? jpeg : true));
    FUZZ_EXPECT(out, imagecheck::crc32(data, size < 4096 ? size : 4096) == bitwiseCrc(data, size < 4096 ? size : 4096));

    if (png) {
        FUZZ_EXPECT(out, size >= 8 + 25 + 12);  // signature, IHDR, IEND
        FUZZ_EXPECT(out, std::memcmp(data + 12, "IHDR", 4) == 0 && be32(data + 8) == 13);
        FUZZ_EXPECT(out, be32(data + 16) <= imagecheck::kMaxSide && be32(data + 20) <= imagecheck::kMaxSide);
        const std::size_t end = pngEnd(data, size);
        FUZZ_EXPECT(out, end > 0 && end <= size);
        if (end > 0) {
            // What follows IEND does not matter; cutting into IEND does.
            FUZZ_EXPECT(out, imagecheck::pngIsSound(data, end));
            FUZZ_EXPECT(out, !imagecheck::pngIsSound(data, end - 1));
        }
    }
    if (dds) {
        FUZZ_EXPECT(out, size >= 128);
        if (size >= 128) {
            FUZZ_EXPECT(out, le32(data + 4) == 124 && le32(data + 76) == 32);
            const uint64_t height = le32(data + 12), width = le32(data + 16);
            FUZZ_EXPECT(out, width >= 1 && height >= 1 && width <= imagecheck::kMaxSide && height <= imagecheck::kMaxSide);
            const uint32_t pfFlags = le32(data + 80);
            uint64_t first = 0;  // bytes of the first 2D slice of the top level
            if (pfFlags & 0x4) {
                const uint64_t block = le32(data + 84) == le32(reinterpret_cast<const unsigned char*>("DXT1")) ? 8 : 16;
                first = ((width + 3) / 4) * ((height + 3) / 4) * block;
            } else {
                first = width * height * (le32(data + 88) / 8);
            }
            FUZZ_EXPECT(out, first > 0 && first <= size - 128);
        }
    }
    return out;
}

}  // namespace fuzzharness
