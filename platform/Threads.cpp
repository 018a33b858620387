#include "platform/Threads.h"

#include <dirent.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdlib>
#include <vector>

#include "platform/ReadFile.h"

namespace threads {

namespace {

// N when name is prefix followed by digits only (a line end after them), else -1.
int numberAfter(const std::string& name, const std::string& prefix) {
    if (name.compare(0, prefix.size(), prefix) != 0) return -1;
    std::string digits = name.substr(prefix.size());
    if (!digits.empty() && digits.back() == '\n') digits.pop_back();
    if (digits.empty() || digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::atoi(digits.c_str());
}

}  // namespace

int spreadOverCores(const std::string& prefix) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 0;
    std::vector<int> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &allowed)) cores.push_back(cpu);
    if (cores.size() < 2) return 0;

    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return 0;
    int pinned = 0;
    while (const dirent* entry = readdir(tasks)) {
        const std::string tid = entry->d_name;
        if (tid.find_first_not_of("0123456789") != std::string::npos) continue;  // "." and ".."
        const files::ReadResult comm = files::readRegularFile("/proc/self/task/" + tid + "/comm", 64);
        const int n = comm.ok() ? numberAfter(comm.data, prefix) : -1;
        if (n < 0) continue;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cores[static_cast<size_t>(n) % cores.size()], &one);
        if (sched_setaffinity(static_cast<pid_t>(std::atol(tid.c_str())), sizeof one, &one) == 0) ++pinned;
    }
    closedir(tasks);
    return pinned;
}

}  // namespace threads
