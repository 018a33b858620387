#pragma once
#include <cstddef>
#include <functional>
#include <string>

#include "core/Grade.h"
#include "highscore/HighscoreTable.h"

// What became of a save: ok, or the reason it failed in a few words.
struct SaveResult {
    bool ok = true;
    // Another program holds the table's lock: nothing was written and the name is kept, so the
    // same save can be tried again.
    bool waiting = false;
    std::string reason;
    // The line the high-score screen shows after a failed save; empty after a good one.
    std::string playerMessage() const {
        if (ok) return std::string();
        return (waiting ? "Your score is waiting to be saved: " : "Your score could not be saved: ") + reason;
    }
};

// The high-score files of one game folder: "highscore.txt" and its picture
// "Textures/highscore.png". Both are replaced atomically, so a reader or a crash only ever
// meets the old or the complete new content.
class HighscoreStore {
public:
    // folder "" is the working directory, where the game keeps its files.
    explicit HighscoreStore(const std::string& folder = std::string());
    // The data read from folder, the table and its picture written where the caller says (the
    // player's own folder when the game is installed).
    HighscoreStore(const std::string& folder, const std::string& tableFile, const std::string& pictureFile);

    // A file of the game folder by its name relative to it ("Textures/highscore.jpg").
    std::string folderFile(const std::string& name) const;
    const std::string& pictureFile() const { return picturePath; }
    const std::string& tableFile() const { return tablePath; }
    // A grade's table: Normal's is this one, the others' files are beside its table and picture
    // ("highscore-arcade.txt", "Textures/highscore-arcade.png"), saved the same way.
    HighscoreStore forGrade(Grade grade) const;

    // Replaces the table's entries with the file's. A missing file is an empty table, and so is
    // one that is not a plain file or is too large, which is reported (once) on the console.
    void load(HighscoreTable& table) const;

    // The picture of a table with its new entry, as PNG bytes (empty: keep the old picture).
    using PictureMaker = std::function<std::string(const HighscoreTable&, const HighscoreTable::Entry& added)>;
    // Adds the table's pending score with the typed name to the table file as it is now (the
    // table is read again, under a lock shared with other games in the folder), writes it, then
    // the picture of what was written, and clears the name. The lock is waited for lockWaitMs
    // at most (-1: as long as it takes); when another program holds it longer, nothing is done
    // and the result is waiting. A failure is reported on the console and leaves the file and
    // the picture as they were. A table that would outgrow what the game reads keeps its best
    // entries.
    SaveResult save(HighscoreTable& table, const PictureMaker& picture = nullptr, int lockWaitMs = -1) const;

    // Removes the temporary files that saves cut short (a crash, a kill) left beside the table
    // and the picture: those of exactly the names a save uses, unless a save in another game
    // may still be writing them. Returns how many were removed.
    int removeStaleTemporaries() const;

    // Runs work while holding the lock the saves of file take (another table of the player's:
    // the same rule, one game after the other); busy or failed, as save says, without running it.
    static SaveResult underLock(const std::string& file, int lockWaitMs, const std::function<SaveResult()>& work);

    // files::replaceFile, for the picture makers.
    static bool replaceFile(const std::string& path, const void* data, std::size_t size);

    // files::simulateFailureBeforeRename, the test hook that cuts every replacement short.
    static bool& simulateFailureBeforeRename;

private:
    std::string folder;
    std::string tablePath;
    std::string picturePath;
};
