// Replays the fuzz targets' seed corpus (hand-made seeds and the inputs that once broke a
// reader) along the same runs and checks the targets make.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "fuzz/FuzzHarness.h"
#include "support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

int openFileCount() { return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), {})); }

TEST(FuzzInputs, EverySeedPassesEveryCheckOfItsTarget) {
    const std::string folder = harness::makeTempDir("lumivex-fuzz-inputs");
    const std::map<std::string, int> atLeast = {{"model", 12}, {"playlist", 4}, {"highscore", 3}, {"imagecheck", 4}, {"settings", 4}, {"replay", 2}, {"stats", 2}};
    const int filesBefore = openFileCount();
    // A reader that hangs on an input (as one did on a material library that was a device)
    // ends the program here instead of holding the run until its time-out.
    alarm(300);
    for (const auto& [target, count] : atLeast) {
        int seen = 0;
        for (const auto& entry : fs::directory_iterator(std::string(LUMIVEX_SOURCE_DIR) + "/fuzz/seeds/" + target)) {
            SCOPED_TRACE(entry.path().string());
            const std::string text = harness::readFileText(entry.path());
            const auto* data = reinterpret_cast<const uint8_t*>(text.data());
            const fuzzharness::Outcome out =
                target == "model"      ? fuzzharness::runModel(data, text.size(), folder)
                : target == "playlist" ? fuzzharness::runPlaylist(data, text.size())
                : target == "highscore" ? fuzzharness::runHighscore(data, text.size(), folder)
                : target == "settings"  ? fuzzharness::runSettings(data, text.size())
                : target == "replay"    ? fuzzharness::runReplay(data, text.size())
                : target == "stats"     ? fuzzharness::runStatistics(data, text.size())
                                        : fuzzharness::runImageCheck(data, text.size());
            EXPECT_EQ(out.broken, "");
            ++seen;
        }
        EXPECT_GE(seen, count) << target;  // an emptied folder would test nothing
    }
    alarm(0);
    EXPECT_EQ(openFileCount(), filesBefore);  // rejected models unwind without leaving a file open
    harness::removeTree(folder);
}

// A lone CR (old Mac line ends) ends a line like LF and CR-LF. Dropping it instead would join
// the names, which every fuzz check accepts.
TEST(FuzzInputs, LoneCarriageReturnsEndPlaylistLines) {
    const auto entries = audio::parseM3U("#EXTM3U\r#EXTINF:3,Alpha\ra.mp3\r\rb.ogg\r\n\r\nc.wav\r");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].file + entries[1].file + entries[2].file, "a.mp3b.oggc.wav");
    EXPECT_TRUE(entries[0].title == "Alpha" && !entries[1].hasTitle);
}

}  // namespace
