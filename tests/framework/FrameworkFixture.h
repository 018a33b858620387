#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Logger.h"
#include "support/GlHarness.h"

// Runs each test in a fresh temp folder (so log.txt and Textures/ are the test's own) with a
// Logger writing there; the working directory is restored afterwards.
class FrameworkFixture : public testing::Test {
protected:
    void SetUp() override {
        dir = harness::makeTempDir("lumivex-fw");
        ASSERT_FALSE(dir.empty());
        cwd = std::make_unique<harness::ScopedCwd>(dir);
        ASSERT_TRUE(cwd->ok());
        logger = std::make_unique<Logger>();
        harness::glErrors();
    }

    void TearDown() override {
        logger.reset();
        cwd.reset();
        harness::removeTree(dir);
    }

    // The log file's lines after the header (checked separately), without their newlines.
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        const std::string text = harness::readFileText(dir + "/log.txt");
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                lines.push_back(text.substr(start));
                break;
            }
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        if (!lines.empty()) lines.erase(lines.begin());
        return lines;
    }

    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
    std::unique_ptr<harness::ScopedCwd> cwd;
    std::unique_ptr<Logger> logger;
};
