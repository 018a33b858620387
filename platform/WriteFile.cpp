#include "platform/WriteFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <utility>
#include <vector>

namespace files {

bool simulateFailureBeforeRename = false;

namespace {

std::deque<std::string> componentsOf(const std::string& path) {
    std::deque<std::string> parts;
    std::string::size_type begin = 0;
    while (begin <= path.size()) {
        std::string::size_type end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        if (end > begin && path.compare(begin, end - begin, ".") != 0) parts.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The folder part of a path and the name in it.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Makes sure the directory entry of a renamed file reaches the disk too. Best effort: some
// file systems refuse fsync on directories, and the data itself is already safe.
void syncFolderOf(const std::string& path) {
    const int fd = open(splitPath(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool sameFile(int fd, const std::string& path) {
    struct stat held, named;
    return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// A new temporary beside path, locked for as long as it is open. A start-up clean-up may have
// taken it between its creation and the lock: then it is gone, and another one is made.
int lockedTemporary(const std::string& path, std::string* name) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::vector<char> pattern(path.begin(), path.end());
        const char suffix[] = ".XXXXXX";
        pattern.insert(pattern.end(), suffix, suffix + sizeof suffix);  // with the terminator
        const int fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        *name = pattern.data();
        int locked;
        do {
            locked = flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0 || sameFile(fd, *name)) return fd;  // no locks here: no clean-up can take it
        close(fd);
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool resolveOwnLinks(const std::string& path, std::string* resolved, std::string* problem) {
    std::deque<std::string> rest = componentsOf(path);
    std::string done = !path.empty() && path[0] == '/' ? "/" : "";
    const uid_t me = geteuid();
    int links = 0;
    while (!rest.empty()) {
        const std::string next = joined(done, rest.front());
        struct stat st;
        const bool exists = lstat(next.c_str(), &st) == 0;
        if (!exists || !S_ISLNK(st.st_mode)) {
            done = next;
            rest.pop_front();
            if (!exists) break;  // what does not exist yet holds no link: the rest as it is
            continue;
        }
        if (st.st_uid != me && st.st_uid != 0) {
            if (problem)
                *problem = next + " is a link that belongs to another user (uid " + std::to_string(st.st_uid) +
                           "): not followed";
            return false;
        }
        char target[PATH_MAX];
        const ssize_t n = readlink(next.c_str(), target, sizeof target - 1);
        if (n <= 0 || ++links > 40) {
            if (problem) *problem = next + ": " + std::strerror(n <= 0 ? errno : ELOOP);
            return false;
        }
        rest.pop_front();
        const std::string to(target, static_cast<std::size_t>(n));
        std::deque<std::string> parts = componentsOf(to);
        rest.insert(rest.begin(), parts.begin(), parts.end());
        if (to[0] == '/') done = "/";
    }
    for (const std::string& part : rest) done = joined(done, part);
    *resolved = done.empty() ? "." : done;
    return true;
}

bool replaceFile(const std::string& link, const void* data, std::size_t size, std::string* problem) {
    std::string path, refused;
    if (!resolveOwnLinks(link, &path, &refused)) {
        if (problem) *problem = refused;
        errno = EACCES;
        return false;
    }
    std::string temp;
    const int fd = lockedTemporary(path, &temp);
    if (fd < 0) {
        const int error = errno;
        if (problem) *problem = std::strerror(error);
        errno = error;
        return false;
    }

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
        // Renamed before it is closed: the lock keeps a clean-up away until it has its name.
        if (!failure && simulateFailureBeforeRename) failure = EIO;
        if (!failure) check(std::rename(temp.c_str(), path.c_str()) == 0);
        if (failure) unlink(temp.c_str());
        check(std::fclose(file) == 0);
    }
    if (failure) {
        if (problem) *problem = std::strerror(failure);
        errno = failure;
        return false;
    }
    syncFolderOf(path);
    return true;
}

bool isTemporaryOf(const std::string& name, const std::string& file) {
    if (name.size() != file.size() + 7 || name.compare(0, file.size(), file) != 0 || name[file.size()] != '.')
        return false;
    for (std::string::size_type i = file.size() + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

int removeLeftoverTemporaries(const std::string& file, bool keepYoung) {
    std::string target;
    if (!resolveOwnLinks(file, &target, nullptr)) return 0;
    const auto [folderName, fileName] = splitPath(target);
    DIR* folder = opendir(folderName.c_str());
    if (!folder) return 0;
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = readdir(folder)) {
        if (!isTemporaryOf(entry->d_name, fileName)) continue;
        const std::string path = folderName + "/" + entry->d_name;
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        // Locked: a save of a running game is writing it.
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (!keepYoung || now - st.st_mtime > 60) &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, path) && unlink(path.c_str()) == 0)
            ++removed;
        close(fd);
    }
    closedir(folder);
    return removed;
}

}  // namespace files
