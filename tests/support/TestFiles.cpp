#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace harness {

void captureStdout() { std::fflush(stdout), testing::internal::CaptureStdout(); }
std::string capturedStdout() { return std::fflush(stdout), testing::internal::GetCapturedStdout(); }
void captureStderr() { std::fflush(stderr), testing::internal::CaptureStderr(); }
std::string capturedStderr() { return std::fflush(stderr), testing::internal::GetCapturedStderr(); }

std::string makeTempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    return mkdtemp(&pattern[0]) ? pattern : std::string();
}

std::string readFileText(const std::string& path) {
    std::ostringstream ss;
    ss << std::ifstream(path, std::ios::binary).rdbuf();
    return ss.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void writeFileText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void removeTree(const std::string& path) {
    std::error_code ignored;
    if (!path.empty() && path != "/") std::filesystem::remove_all(path, ignored);
}

ScopedCwd::ScopedCwd(const std::string& dir) : previous(std::filesystem::current_path()), changed(chdir(dir.c_str()) == 0) {}

ScopedCwd::~ScopedCwd() {
    if (changed && chdir(previous.c_str()) != 0) std::perror("restoring the working directory");
}

int runCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
    const int status = pclose(pipe);
    if (output) *output = text;
    return status;
}

}  // namespace harness
