#pragma once
#include <string>

// Plain-text log file, "log.txt" in the working directory unless the caller names another,
// replaced at every start.
class Logger {
public:
    explicit Logger(const std::string& path = "log.txt");
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void log(const char* text);
    void log(std::string text);
    void log(float value);

private:
    void writeLine(const std::string& text);

    std::string fileName;
    int fd;  // -1 when the log could not be created: every write is then ignored
};
