#include "highscore/HighscoreStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <utility>
#include <vector>

#include "platform/ReadFile.h"

bool HighscoreStore::simulateFailureBeforeRename = false;

namespace {

// The file a path names, through any symbolic links, so that a replacement goes to the target
// and the link stays; the path itself while there is no such file.
std::string resolved(const std::string& path) {
    char* target = realpath(path.c_str(), nullptr);
    if (!target) return path;
    const std::string result(target);
    std::free(target);
    return result;
}

// The folder part of a path and the name in it.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Whether name is a temporary file of a replacement of `file`: "<file>.XXXXXX" as mkstemp
// fills it in.
bool isTemporaryOf(const std::string& name, const std::string& file) {
    if (name.size() != file.size() + 7 || name.compare(0, file.size(), file) != 0 || name[file.size()] != '.')
        return false;
    for (std::string::size_type i = file.size() + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// Makes sure the directory entry of a renamed file reaches the disk too. Best effort: some
// file systems refuse fsync on directories, and the data itself is already safe.
void syncFolderOf(const std::string& path) {
    const int fd = open(splitPath(path).first.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// An exclusive lock on a file beside the table, so that games sharing a folder save one after
// the other. The holder removes the file when it is done; a waiter that got the lock on a file
// removed meanwhile tries again on the current one.
class TableLock {
public:
    TableLock(const std::string& lockPath, bool wait) : path(lockPath) {
        for (;;) {
            fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0) break;
            int locked;
            do {
                locked = flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
            } while (locked != 0 && errno == EINTR);
            if (locked != 0) break;
            struct stat held, named;
            if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
                held.st_ino == named.st_ino)
                return;
            close(fd);
        }
        error = errno;
        if (fd >= 0) close(fd);
        fd = -1;
    }
    ~TableLock() {
        if (fd < 0) return;
        unlink(path.c_str());
        close(fd);
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    bool held() const { return fd >= 0; }
    int error = 0;

private:
    std::string path;
    int fd = -1;
};

}  // namespace

HighscoreStore::HighscoreStore(const std::string& gameFolder)
    : folder(gameFolder), tablePath(folderFile("highscore.txt")), picturePath(folderFile("Textures/highscore.png")) {}

HighscoreStore::HighscoreStore(const std::string& gameFolder, const std::string& tableFile,
                               const std::string& pictureFile)
    : folder(gameFolder), tablePath(tableFile), picturePath(pictureFile) {}

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

SaveResult HighscoreStore::save(HighscoreTable& table, const PictureMaker& picture) const {
    SaveResult result;
    auto fail = [&result](const std::string& reason) {
        result.ok = false;
        result.reason = reason;
    };
    const std::string target = resolved(tablePath);
    const TableLock lock(target + ".lock", true);
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
    if (result.ok) {
        const std::string text = table.format();
        if (!replaceFile(target, text.data(), text.size())) fail(std::strerror(errno));
    }
    if (!result.ok)
        std::printf("Could not save the high-score table to %s: %s\n", tablePath.c_str(), result.reason.c_str());
    if (picture) {
        const std::string png = picture(table, added);
        if (!png.empty()) replaceFile(picturePath, png.data(), png.size());
    }
    table.clearName();
    return result;
}

int HighscoreStore::removeStaleTemporaries() const {
    // Whoever holds the lock is saving and may be writing its temporaries right now; without a
    // holder every one is left over. A save never takes a minute, so older ones are left over too.
    const std::string table = resolved(tablePath);
    const TableLock lock(table + ".lock", false);
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    for (const std::string& file : {table, resolved(picturePath)}) {
        const auto [folderName, fileName] = splitPath(file);
        DIR* folderEntries = opendir(folderName.c_str());
        if (!folderEntries) continue;
        while (const dirent* entry = readdir(folderEntries)) {
            if (!isTemporaryOf(entry->d_name, fileName)) continue;
            const std::string path = folderName + "/" + entry->d_name;
            struct stat st;
            if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            if ((lock.held() || now - st.st_mtime > 60) && unlink(path.c_str()) == 0) ++removed;
        }
        closedir(folderEntries);
    }
    return removed;
}

bool HighscoreStore::replaceFile(const std::string& link, const void* data, std::size_t size) {
    const std::string path = resolved(link);
    std::vector<char> tempName(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    tempName.insert(tempName.end(), suffix, suffix + sizeof suffix);  // with the terminator
    const int fd = mkstemp(tempName.data());
    if (fd < 0) return false;
    const std::string temp(tempName.data());

    // mkstemp creates the file private to its owner; keep the old file's permissions, or use
    // the usual ones of a data file.
    struct stat old;
    fchmod(fd, stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

    // errno of the first failure, kept across the clean-up for the caller's message.
    int failure = 0;
    auto check = [&failure](bool success) {
        if (!success && !failure) failure = errno ? errno : EIO;
    };
    FILE* file = fdopen(fd, "wb");
    check(file != nullptr);
    if (!file) {
        close(fd);
    } else {
        check(size == 0 || std::fwrite(data, 1, size, file) == size);
        check(std::fflush(file) == 0);
        check(fsync(fileno(file)) == 0);
        check(std::fclose(file) == 0);
    }
    if (!failure && simulateFailureBeforeRename) failure = EIO;
    if (!failure) check(std::rename(temp.c_str(), path.c_str()) == 0);
    if (failure) {
        unlink(temp.c_str());
        errno = failure;
        return false;
    }
    syncFolderOf(path);
    return true;
}
