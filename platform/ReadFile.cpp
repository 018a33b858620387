#include "platform/ReadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

namespace files {

namespace {

// Opening a FIFO for reading blocks until a writer appears; O_NONBLOCK returns at once, and
// the type check below then refuses it.
int openNonBlocking(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

int openRegularFile(const std::string& path, std::size_t limit, ReadResult* why) {
    ReadResult ignored;
    ReadResult& result = why ? *why : ignored;
    const int fd = openNonBlocking(path);
    if (fd < 0) {
        result.error = errno;
        result.status = errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.error = errno;
        result.status = ReadStatus::Failed;
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > limit) {
        result.status = S_ISREG(st.st_mode) ? ReadStatus::TooLarge : ReadStatus::NotRegular;
        ::close(fd);
        return -1;
    }
    // Regular files never block; the flag only mattered for the open.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    result.status = ReadStatus::Ok;
    return fd;
}

ReadResult readRegularFile(const std::string& path, std::size_t limit) {
    ReadResult result;
    const int fd = openRegularFile(path, limit, &result);
    if (fd < 0) return result;
    struct stat st {};
    ::fstat(fd, &st);
    result.status = ReadStatus::Failed;
    result.data.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    // The file may grow while it is read: read to its end, but never past the limit.
    for (;;) {
        if (got == result.data.size()) {
            if (result.data.size() >= limit + 1) break;
            result.data.resize(std::min(limit + 1, result.data.size() + 4096));
        }
        const ssize_t n = ::read(fd, &result.data[got], result.data.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = errno;
            ::close(fd);
            result.data.clear();
            return result;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > limit) {
        result.data.clear();
        result.status = ReadStatus::TooLarge;
        return result;
    }
    result.data.resize(got);
    result.status = ReadStatus::Ok;
    return result;
}

std::string describe(const ReadResult& result) {
    switch (result.status) {
        case ReadStatus::Ok:
            return "ok";
        case ReadStatus::Missing:
            return "no such file";
        case ReadStatus::NotRegular:
            return "not a regular file";
        case ReadStatus::TooLarge:
            return "file too large";
        case ReadStatus::Failed:
            break;
    }
    return result.error ? std::strerror(result.error) : "read failed";
}

bool isReadableRegularFile(const std::string& path) {
    const int fd = openRegularFile(path, static_cast<std::size_t>(-1));
    if (fd >= 0) ::close(fd);
    return fd >= 0;
}

}  // namespace files
