#include "framework/Logger.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

Logger::Logger(const std::string& path) : fileName(path), fd(-1) {
    // The old log is replaced, never opened: a link there would be written through to its
    // target, and opening a FIFO to write waits for a reader. What cannot be removed (a
    // folder, a read-only game folder) leaves no log; the program goes on without one.
    ::unlink(fileName.c_str());
    fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    writeLine("Lumenwerk Framework Logfile v0.05");
}

Logger::~Logger() {
    if (fd >= 0) ::close(fd);
}

void Logger::log(const char* text) { writeLine(text); }

void Logger::log(std::string text) { writeLine(text); }

void Logger::log(float value) {
    std::ostringstream text;
    text << static_cast<double>(value);
    writeLine(text.str());
}

// Unbuffered: the file is complete up to the last line even if the program ends abruptly.
void Logger::writeLine(const std::string& text) {
    if (fd < 0) return;
    const std::string line = text + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a full disk loses the line, not the game
        done += static_cast<std::size_t>(n);
    }
}
