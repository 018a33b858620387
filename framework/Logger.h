#pragma once
#include <string>

// Plain-text log file "log.txt" in the working directory, replaced at every start.
class Logger {
public:
    Logger();
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void log(const char* text);
    void log(std::string text);
    void log(float value);

private:
    void writeLine(const std::string& text);

    const char* fileName;
    int fd;  // -1 when the log could not be created: every write is then ignored
};
