#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Logger.h"
#include "support/GlHarness.h"

// Each test runs in a fresh temp folder (its own log.txt and Textures/) with a Logger writing there.
class FrameworkFixture : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cwd.ok());
        logger = std::make_unique<Logger>();
        harness::glErrors();
    }
    void TearDown() override { logger.reset(); }
    ~FrameworkFixture() override { harness::removeTree(dir); }

    // The log file's lines after the header, without their newlines.
    std::vector<std::string> logLines() const {
        std::istringstream in(harness::readFileText(path("log.txt")));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        if (!lines.empty()) lines.erase(lines.begin());
        return lines;
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    const std::string dir = harness::makeTempDir("lumivex-fw");
    harness::ScopedCwd cwd{dir};
    std::unique_ptr<Logger> logger;
};
