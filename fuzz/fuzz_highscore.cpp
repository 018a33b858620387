// libFuzzer target: the high-score file, loaded and then used to rank a score.
#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fuzzharness::Outcome out = fuzzharness::runHighscore(data, size, fuzzscratch::folder());
    if (!out.broken.empty()) fuzzscratch::fail(out.broken);
    return 0;
}
