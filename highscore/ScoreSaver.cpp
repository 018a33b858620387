#include "highscore/ScoreSaver.h"

#include <cstdio>

ScoreSaver::~ScoreSaver() {
    while (!pending.empty() && !pending.front().store.save(pending.front().table, pending.front().picture, 0).waiting)
        pending.pop_front();
    for (const Pending& left : pending)
        std::printf("Your score %d (%s) was not saved: another program holds the lock of %s\n",
                    left.table.getNewScore(), left.table.getName().c_str(), left.store.tableFile().c_str());
}

void ScoreSaver::begin(HighscoreTable& table, const HighscoreStore& store,
                       const HighscoreStore::PictureMaker& picture, uint32_t nowMs) {
    pending.push_back(Pending{table, store, picture, nowMs, false});
    table.clearName();
    // Saved in order: a later score never overtakes one that waits.
    attempt(pending.size() == 1 ? kFirstWaitMs : 0, nowMs);
}

bool ScoreSaver::poll(uint32_t nowMs) {
    if (pending.empty() || nowMs - lastTry < kRetryMs) return false;
    const std::string before = message;
    const std::size_t waitingBefore = pending.size();
    attempt(0, nowMs);
    return message != before || pending.size() != waitingBefore;
}

void ScoreSaver::attempt(int lockWaitMs, uint32_t nowMs) {
    lastTry = nowMs;
    while (!pending.empty()) {
        Pending& next = pending.front();
        const SaveResult result = next.store.save(next.table, next.picture, lockWaitMs);
        if (result.waiting && nowMs - next.since < kGiveUpMs) {
            if (!next.said)
                std::printf("Could not save the high-score table to %s yet: %s; trying again\n",
                            next.store.tableFile().c_str(), result.reason.c_str());
            next.said = true;
            message = result.playerMessage();
            std::fflush(stdout);
            return;
        }
        if (result.waiting) {
            std::printf("Could not save the high-score table to %s: another program held its lock for two minutes\n",
                        next.store.tableFile().c_str());
            message = "Your score could not be saved: another program held the table's lock for two minutes";
        } else {
            message = result.playerMessage();
        }
        std::fflush(stdout);
        pending.pop_front();
    }
}
