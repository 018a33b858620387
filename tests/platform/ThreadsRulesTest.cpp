#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/Threads.h"

namespace {

std::vector<int> coresOf(const cpu_set_t& set) {
    std::vector<int> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &set)) cores.push_back(cpu);
    return cores;
}

std::vector<int> coresOf(pthread_t thread) {
    cpu_set_t set;
    CPU_ZERO(&set);
    pthread_getaffinity_np(thread, sizeof set, &set);
    return coresOf(set);
}

// Threads that take a name and wait until the test is done with them.
struct NamedThreads {
    explicit NamedThreads(const std::vector<std::string>& names) {
        for (const std::string& name : names)
            threads.emplace_back([this, name] {
                pthread_setname_np(pthread_self(), name.c_str());
                ++named;
                while (!done) std::this_thread::yield();
            });
        while (named < static_cast<int>(names.size())) std::this_thread::yield();
    }
    ~NamedThreads() {
        done = true;
        for (std::thread& t : threads) t.join();
    }
    std::vector<std::thread> threads;
    std::atomic<int> named{0};
    std::atomic<bool> done{false};
};

}  // namespace

TEST(Threads, EachThreadOfTheNameGetsTheCoreOfItsNumberInTurnAndNoOtherMoves) {
    cpu_set_t mine;
    CPU_ZERO(&mine);
    ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
    const std::vector<int> all = coresOf(mine);
    if (all.size() < 2) GTEST_SKIP() << "one core: nothing to spread";

    // The name and the core it should end on (-1: the cores it had).
    const struct {
        const char* name;
        int core;
    } cases[] = {
        {"spread-0", all[0]}, {"spread-1", all[1]}, {"spread-2", all[2 % all.size()]},
        {"spread-", -1},      {"spread-1a", -1},    {"spread-x", -1}, {"other-0", -1},
    };
    std::vector<std::string> names;
    for (const auto& c : cases) names.push_back(c.name);
    NamedThreads named(names);

    // On one core there is nothing to spread: nobody moves.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(all[0], &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(threads::spreadOverCores("spread-"), 0);
    for (std::thread& t : named.threads) EXPECT_EQ(coresOf(t.native_handle()), all);
    ASSERT_EQ(sched_setaffinity(0, sizeof mine, &mine), 0);

    EXPECT_EQ(threads::spreadOverCores("spread-"), 3);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::vector<int> expected = cases[i].core < 0 ? all : std::vector<int>{cases[i].core};
        EXPECT_EQ(coresOf(named.threads[i].native_handle()), expected) << names[i];
    }
    EXPECT_EQ(coresOf(pthread_self()), all);
}
