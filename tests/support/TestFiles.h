#pragma once
// Test helpers that need no display: output capture, temporary folders, files, commands.
#include <string>
#include <vector>

namespace harness {

// Standard output and error of the test process, captured at the file-descriptor level so
// printf, std::cout and fprintf(stderr) are all seen.
void captureStdout();
std::string capturedStdout();
void captureStderr();
std::string capturedStderr();

// A fresh empty folder under /tmp, removed by the caller if wanted.
std::string makeTempDir(const std::string& prefix = "lumivex-test");
std::string readFileText(const std::string& path);
std::vector<std::string> linesOf(const std::string& text);
void writeFileText(const std::string& path, const std::string& text);

// Removes a folder and everything under it (best effort, for temp dirs).
void removeTree(const std::string& path);

// Changes the working directory for its lifetime and restores the old one on destruction,
// so a failing assertion cannot leave the rest of the program in a temp folder.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;
    bool ok() const { return changed; }

private:
    std::string previous;
    bool changed;
};

// Runs a shell command, returns its exit status (as from waitpid) and its standard output.
int runCommand(const std::string& command, std::string* output = nullptr);

}  // namespace harness
