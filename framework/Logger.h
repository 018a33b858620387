#pragma once
#include <fstream>
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
    const char* fileName;
    std::ofstream out;
};
