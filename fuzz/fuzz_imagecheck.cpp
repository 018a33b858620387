// libFuzzer target: the structural picture checks that guard the image library. The library
// itself is not fed here: a crash inside it would make every run flaky.
#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fuzzharness::Outcome out = fuzzharness::runImageCheck(data, size);
    if (!out.broken.empty()) fuzzscratch::fail(out.broken);
    return 0;
}
