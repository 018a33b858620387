// libFuzzer target: a replay file, read and, when it is taken, played for its first steps.
#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fuzzharness::Outcome out = fuzzharness::runReplay(data, size);
    if (!out.broken.empty()) fuzzscratch::fail(out.broken);
    return 0;
}
