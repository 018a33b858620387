// libFuzzer target: stats.txt read, its totals written back as the game saves them, and read
// again.
#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fuzzharness::Outcome out = fuzzharness::runStatistics(data, size);
    if (!out.broken.empty()) fuzzscratch::fail(out.broken);
    return 0;
}
