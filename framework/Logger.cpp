#include "framework/Logger.h"

Logger::Logger(const std::string& path) : fileName(path), out(fileName, std::ios::out | std::ios::trunc) {
    // A file that cannot be opened leaves the stream failed; every later write is then ignored.
    out << "Lumenwerk Framework Logfile v0.05" << std::endl;
}

Logger::~Logger() { out.close(); }

void Logger::log(const char* text) { out << text << std::endl; }

void Logger::log(std::string text) { out << text << std::endl; }

void Logger::log(float value) { out << static_cast<double>(value) << std::endl; }
