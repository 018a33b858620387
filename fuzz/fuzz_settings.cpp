// libFuzzer target: settings.ini read, saved back into its own text as the game saves it, and
// read again.
#include "FuzzHarness.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fuzzharness::Outcome out = fuzzharness::runSettings(data, size);
    if (!out.broken.empty()) fuzzscratch::fail(out.broken);
    return 0;
}
