#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "framework/Logger.h"
#include "framework/ShaderProgram.h"
#include "support/GlHarness.h"

namespace {

const char* const kHeader = "Lumenwerk Framework Logfile v0.05\n";

struct TempFolder {
    TempFolder() : dir(harness::makeTempDir("lumivex-log")), cwd(dir) {}
    ~TempFolder() { harness::removeTree(dir); }
    std::string dir;
    harness::ScopedCwd cwd;
};

}  // namespace

TEST(Logger, ReplacesAnOldFileAndWritesEachLineAsPassed) {
    TempFolder folder;
    ASSERT_TRUE(folder.cwd.ok());
    harness::writeFileText(folder.dir + "/log.txt", "an old run\nwith two lines\n");
    {
        Logger logger;
        // Flushed at once: the header is there before any message.
        EXPECT_EQ(harness::readFileText(folder.dir + "/log.txt"), kHeader);
        logger.log("abc");
        EXPECT_EQ(harness::readFileText(folder.dir + "/log.txt"), std::string(kHeader) + "abc\n");
        logger.log("abc\n");
        logger.log(std::string("a string"));
        logger.log(std::string("=====\n"));
        logger.log(2.5f);
        logger.log(0.1f);
        // Visible while the logger is still open: every line is flushed.
        EXPECT_EQ(harness::readFileText(folder.dir + "/log.txt"),
                  std::string(kHeader) + "abc\nabc\n\na string\n=====\n\n2.5\n0.1\n");
    }
    // A second start replaces the file again.
    {
        Logger again;
        again.log("second");
    }
    EXPECT_EQ(harness::readFileText(folder.dir + "/log.txt"), std::string(kHeader) + "second\n");
}

TEST(Logger, UnwritableLogFileIsIgnoredAndMessagesStillReachTheConsole) {
    TempFolder folder;
    ASSERT_TRUE(folder.cwd.ok());
    const std::string logPath = folder.dir + "/log.txt";
    if (geteuid() == 0) {
        // Root writes through file permissions, so make the name unopenable as a file.
        ASSERT_EQ(mkdir(logPath.c_str(), 0755), 0);
    } else {
        harness::writeFileText(logPath, "locked\n");
        ASSERT_EQ(chmod(logPath.c_str(), 0444), 0);
    }
    harness::captureStdout();
    {
        Logger logger;
        logger.log("abc");
        logger.log(std::string("def"));
        logger.log(1.0f);
        ShaderProgram program(&logger);
        EXPECT_EQ(program.getUniformLocation("anything"), -1);
    }
    const std::string out = harness::capturedStdout();
    EXPECT_EQ(out,
              "\nShader debugging: \n"
              "-----------------------------------------------------------------\n"
              "No active shader program object found!\n");
    struct stat info {};
    ASSERT_EQ(stat(logPath.c_str(), &info), 0);
    if (!S_ISDIR(info.st_mode)) {
        EXPECT_EQ(harness::readFileText(logPath), "locked\n");
    }
    chmod(logPath.c_str(), 0644);
}
