#pragma once
#include <cstdint>
#include <deque>
#include <string>

#include "highscore/HighscoreStore.h"
#include "highscore/HighscoreTable.h"

// The confirmed scores on their way into the table file. The frame loop never waits for the
// table's lock longer than a key press may take: while another program holds it (another game
// stopped during its save, a backup tool), a score stays pending, is tried again from the
// frame loop and the high-score screen says that it waits; after two minutes it is given up,
// plainly. A score still pending when the game ends is tried once more and, failing that, named
// on the console.
class ScoreSaver {
public:
    static constexpr int kFirstWaitMs = 100;
    static constexpr uint32_t kRetryMs = 250;
    static constexpr uint32_t kGiveUpMs = 120000;

    ScoreSaver() = default;
    ~ScoreSaver();
    ScoreSaver(const ScoreSaver&) = delete;
    ScoreSaver& operator=(const ScoreSaver&) = delete;

    // Takes the table's pending score and typed name (the table's name is cleared) and saves
    // them, waiting for the lock kFirstWaitMs at most.
    void begin(HighscoreTable& table, const HighscoreStore& store, const HighscoreStore::PictureMaker& picture,
               uint32_t nowMs);
    // Tries the waiting scores again when it is time; true when that changed the message or
    // the picture.
    bool poll(uint32_t nowMs);

    // What the high-score screen says: empty after a good save.
    const std::string& playerMessage() const { return message; }

private:
    struct Pending {
        HighscoreTable table;
        HighscoreStore store;
        HighscoreStore::PictureMaker picture;
        uint32_t since;
        bool said;
    };
    void attempt(int lockWaitMs, uint32_t nowMs);

    std::deque<Pending> pending;
    uint32_t lastTry = 0;
    std::string message;
};
