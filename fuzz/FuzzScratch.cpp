#include "FuzzScratch.h"

#include <dirent.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fuzzscratch {

namespace {

std::string scratch;

void removeScratch() {
    if (scratch.empty()) return;
    if (DIR* dir = opendir(scratch.c_str())) {
        std::vector<std::string> names;
        while (dirent* e = readdir(dir))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        closedir(dir);
        for (const std::string& n : names) unlink((scratch + "/" + n).c_str());
    }
    rmdir(scratch.c_str());
}

}  // namespace

const std::string& folder() {
    if (scratch.empty()) {
        const char* base = std::getenv("TMPDIR");
        const std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumivex-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        scratch = name.data();
        std::atexit(removeScratch);
    }
    return scratch;
}

void fail(const std::string& what) {
    // Through the sanitizer's report channel: it still reaches the log when libFuzzer has
    // closed the target's own standard error (-close_fd_mask).
    __sanitizer_report_error_summary(("Broken check: " + what).c_str());
    std::abort();
}

}  // namespace fuzzscratch
