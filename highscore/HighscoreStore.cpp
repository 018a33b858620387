#include "highscore/HighscoreStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ReadFile.h"

bool HighscoreStore::simulateFailureBeforeRename = false;

namespace {

// Makes sure the directory entry of a renamed file reaches the disk too. Best effort: some
// file systems refuse fsync on directories, and the data itself is already safe.
void syncFolderOf(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

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
    table.parse(file.ok() ? file.data : std::string());
}

SaveResult HighscoreStore::save(HighscoreTable& table, const PictureMaker& picture) const {
    SaveResult result;
    const HighscoreTable::Entry& added = table.insert(table.getNewScore(), table.getName());
    const std::string text = table.format();
    if (!replaceFile(tablePath, text.data(), text.size())) {
        result.ok = false;
        result.reason = std::strerror(errno);
        std::printf("Could not save the high-score table to %s: %s\n", tablePath.c_str(), result.reason.c_str());
    }
    if (picture) {
        const std::string png = picture(table, added);
        if (!png.empty()) replaceFile(picturePath, png.data(), png.size());
    }
    table.clearName();
    return result;
}

bool HighscoreStore::replaceFile(const std::string& path, const void* data, std::size_t size) {
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
