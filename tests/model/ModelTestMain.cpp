#include <gtest/gtest.h>

// The reader tests need no window and no game data: they write their own files into temp
// folders, so they also run headless and under AddressSanitizer.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::GTEST_FLAG(death_test_style) = "threadsafe";
    return RUN_ALL_TESTS();
}
