// libFuzzer target: a model and its material library, read as the game loads a model.

#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fuzzharness::Outcome out = fuzzharness::runModel(data, size, fuzzscratch::folder());
    if (!out.broken.empty()) fuzzscratch::fail(out.broken);
    return 0;
}
