#include "highscore/HighscoreStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "highscore/TableLock.h"
#include "platform/ReadFile.h"
#include "platform/WriteFile.h"

bool& HighscoreStore::simulateFailureBeforeRename = files::simulateFailureBeforeRename;

HighscoreStore::HighscoreStore(const std::string& gameFolder)
    : folder(gameFolder), tablePath(folderFile("highscore.txt")), picturePath(folderFile("Textures/highscore.png")) {}

HighscoreStore::HighscoreStore(const std::string& gameFolder, const std::string& tableFile,
                               const std::string& pictureFile)
    : folder(gameFolder), tablePath(tableFile), picturePath(pictureFile) {}

HighscoreStore HighscoreStore::forGrade(Grade grade) const {
    return HighscoreStore(folder, gradeFile(tablePath, grade), gradeFile(picturePath, grade));
}

std::string HighscoreStore::folderFile(const std::string& name) const {
    return folder.empty() ? name : folder + "/" + name;
}

void HighscoreStore::load(HighscoreTable& table) const {
    const files::ReadResult file = files::readRegularFile(tablePath, files::kTextLimit);
    if (!file.ok() && file.status != files::ReadStatus::Missing) {
        // Read at every game over: one line per file and reason is enough.
        static std::set<std::string> reported;
        const std::string reason = files::describe(file);
        if (reported.insert(tablePath + '\n' + reason).second)
            std::printf("Could not read the high-score table from %s: %s\n", tablePath.c_str(), reason.c_str());
    }
    table.parse(file.ok() ? file.data : std::string());
}

SaveResult HighscoreStore::save(HighscoreTable& table, const PictureMaker& picture, int lockWaitMs) const {
    SaveResult result;
    auto fail = [&result](const std::string& reason) {
        result.ok = false;
        result.reason = reason;
    };
    std::string target, problem;
    const bool trusted = files::resolveOwnLinks(tablePath, &target, &problem);
    if (!trusted) {
        fail(problem);
    } else {
        const TableLock lock(target + ".lock", lockWaitMs);
        if (lock.busy) {
            fail("another program holds the table's lock");
            result.waiting = true;
            return result;
        }
        if (!lock.held()) {
            fail(std::strerror(lock.error));
        } else {
            // Another game in this folder may have saved since this one read the table: the new
            // entry goes into the table as the file holds it now.
            const files::ReadResult file = files::readRegularFile(target, files::kTextLimit);
            if (file.ok() || file.status == files::ReadStatus::Missing)
                table.parse(file.data);
            else
                fail(files::describe(file));
        }
        const HighscoreTable::Entry& added = table.insert(table.getNewScore(), table.getName());
        // Never more than the reader takes, or every later game would find the table refused.
        std::size_t dropped = 0;
        if (result.ok && !table.fitInto(files::kTextLimit, &added, &dropped)) fail("the table is full");
        if (result.ok) {
            const std::string text = table.format();
            if (!files::replaceFile(target, text.data(), text.size(), &problem)) fail(problem);
        }
        if (result.ok && dropped > 0)
            std::printf("The high-score table %s is at its size limit: its %zu lowest entries were left out\n",
                        tablePath.c_str(), dropped);
        // Drawn from what the file now holds; after a failure the old picture still tells the truth.
        if (result.ok && picture) {
            const std::string png = picture(table, added);
            if (!png.empty() && !files::replaceFile(picturePath, png.data(), png.size(), &problem))
                std::printf("Could not save the high-score picture to %s: %s\n", picturePath.c_str(), problem.c_str());
        }
    }
    if (!result.ok)
        std::printf("Could not save the high-score table to %s: %s\n", tablePath.c_str(), result.reason.c_str());
    table.clearName();
    return result;
}

SaveResult HighscoreStore::underLock(const std::string& file, int lockWaitMs, const std::function<SaveResult()>& work) {
    const TableLock lock(file + ".lock", lockWaitMs);
    SaveResult result;
    if (lock.held()) return work();
    result.ok = false;
    result.waiting = lock.busy;
    result.reason = lock.busy ? "another program holds the table's lock" : std::strerror(lock.error);
    return result;
}

int HighscoreStore::removeStaleTemporaries() const {
    // Whoever holds the lock is saving and may be writing its temporaries right now; without a
    // holder every one is left over. A save never takes a minute, so older ones are left over too.
    std::string table;
    if (!files::resolveOwnLinks(tablePath, &table, nullptr)) return 0;
    const TableLock lock(table + ".lock", 0);
    return files::removeLeftoverTemporaries(tablePath, !lock.held()) +
           files::removeLeftoverTemporaries(picturePath, !lock.held());
}

bool HighscoreStore::replaceFile(const std::string& path, const void* data, std::size_t size) {
    return files::replaceFile(path, data, size);
}
