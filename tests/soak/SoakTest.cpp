// One simulated minute of seeded random play of the real game in this process (bench/soak
// runs ten): every frame must stay free of GL errors and non-finite objects, the object count
// bounded, and the memory flat once every style has been drawn.
#include <gtest/gtest.h>

#include "soak/Soak.h"

TEST(Soak, AMinuteOfRandomPlayKeepsEveryFrameSoundAndTheMemoryFlat) {
    harness::captureStdout();  // the game's console chatter
    const std::string folder = soak::startGameOnce();
    soak::Settings settings;  // a minute, the memory every ten seconds
    settings.seed = 20261206;
    settings.drawEvery = 25;
    const soak::Report r = folder.empty() ? soak::Report() : soak::run(settings);
    harness::capturedStdout();
    ASSERT_FALSE(folder.empty()) << "no private game folder";
    harness::removeTree(folder);

    EXPECT_EQ(r.faults, 0) << r.firstFault;
    EXPECT_EQ(r.frames, 60000 / 16);
    EXPECT_EQ(r.stylesSeen, (1u << 11) - 1) << "every style drawn at least once";
    EXPECT_GT(r.objectsMax, 10u) << "the world filled up";
    ASSERT_EQ(r.rssKb.size(), 6u);
    // Shaders and textures are all in use after the first half; a leak of a picture or a
    // buffer per frame would add tens of MB over the second.
    EXPECT_LT(r.rssKb[5] - r.rssKb[2], 8 * 1024) << "kB: " << r.rssKb[2] << " -> " << r.rssKb[5];
}
