#include <gtest/gtest.h>
#include <pthread.h>

#include <future>
#include <thread>

#include "platform/Threads.h"

static cpu_set_t coresOf(pthread_t thread) {
    cpu_set_t set;
    pthread_getaffinity_np(thread, sizeof set, &set);  // fills the whole set
    return set;
}

// Another thread under each name in turn: it ends on the core its number gives, or keeps its
// cores; the caller keeps its cores whatever the other's name.
TEST(Threads, AThreadOfTheNameGetsTheCoreOfItsNumberInTurnAndNoOtherMoves) {
    const cpu_set_t all = coresOf(pthread_self());
    std::vector<int> cpus;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) cpus.push_back(cpu);
    if (cpus.size() < 2) GTEST_SKIP() << "one core: nothing to spread";
    std::promise<void> stop;
    std::thread other([waiting = stop.get_future()] { waiting.wait(); });
    const std::pair<const char*, int> cases[] = {{"w-0", cpus[0]}, {"w-1", cpus[1]}, {"w-2", cpus[2 % cpus.size()]},
                                                 {"w-", -1}, {"w-1a", -1}, {"w-x", -1}, {"v-0", -1}};
    for (const auto& [name, core] : cases) {
        pthread_setname_np(other.native_handle(), name);
        EXPECT_EQ(threads::spreadOverCores("w-"), core < 0 ? 0 : 1) << name;
        const cpu_set_t its = coresOf(other.native_handle()), mine = coresOf(pthread_self());
        EXPECT_TRUE(core < 0 ? CPU_EQUAL(&its, &all) : CPU_COUNT(&its) == 1 && CPU_ISSET(core, &its)) << name;
        EXPECT_TRUE(CPU_EQUAL(&mine, &all)) << name << ": the caller moved";
        pthread_setaffinity_np(other.native_handle(), sizeof all, &all);
    }
    stop.set_value();
    other.join();
}
