#pragma once
// The lock games sharing a folder take before they re-read, merge and replace a file they all
// add to (the high-score table, the statistics). Rules library: POSIX only.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

// An exclusive lock on a file beside the shared one, so that games sharing a folder save one
// after the other. The holder removes the file when it is done; a waiter that got the lock on a file
// removed meanwhile tries again on the current one. waitMs < 0 waits as long as it takes.
class TableLock {
public:
    TableLock(const std::string& lockPath, int waitMs) : path(lockPath) {
        timespec start;
        clock_gettime(CLOCK_MONOTONIC, &start);
        for (;;) {
            fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0) break;
            int locked;
            do {
                locked = flock(fd, waitMs < 0 ? LOCK_EX : LOCK_EX | LOCK_NB);
            } while (locked != 0 && errno == EINTR);
            if (locked != 0 && errno == EWOULDBLOCK) {
                if (elapsedMs(start) >= waitMs) {
                    busy = true;
                    break;
                }
                close(fd);
                const timespec pause{0, 5 * 1000 * 1000};
                nanosleep(&pause, nullptr);
                continue;
            }
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
    bool busy = false;  // another holder kept it past the wait
    int error = 0;

private:
    static long elapsedMs(const timespec& start) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1000000L;
    }

    std::string path;
    int fd = -1;
};
