#include "platform/debug_output.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_root.h"

namespace {

using platform::OutputDebugString;
using namespace std::string_literals;
using namespace std::string_view_literals;

// Points WINSYS_DEBUG_LOG at a file for one test and restores the old value afterwards.
class DebugOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* old = std::getenv("WINSYS_DEBUG_LOG")) {
            old_ = old;
        }
        setenv("WINSYS_DEBUG_LOG", log_.string().c_str(), 1);
    }
    void TearDown() override {
        if (old_) {
            setenv("WINSYS_DEBUG_LOG", old_->c_str(), 1);
        } else {
            unsetenv("WINSYS_DEBUG_LOG");
        }
    }

    kit_test::TempDir dir_;
    std::filesystem::path log_ = dir_.path() / "debug.log";
    std::optional<std::string> old_;
};

TEST_F(DebugOutputTest, AppendsOneLineEachAndKeepsBytes) {
    kit_test::WriteFile(log_, "from before\n");
    OutputDebugString("opening driver");
    OutputDebugString("already ends\n");
    OutputDebugString("two\nlines");
    OutputDebugString("");
    OutputDebugString("nul\0byte \xff"sv);
    EXPECT_EQ(kit_test::ReadFile(log_),
              "from before\nopening driver\nalready ends\ntwo\nlines\n\nnul\0byte \xff\n"s);
}

TEST_F(DebugOutputTest, WithoutTheVariableLinesAreDiscarded) {
    unsetenv("WINSYS_DEBUG_LOG");
    OutputDebugString("lost");
    setenv("WINSYS_DEBUG_LOG", "", 1);
    OutputDebugString("lost too");
    EXPECT_FALSE(std::filesystem::exists(log_));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(DebugOutputTest, UnwritableLogIsIgnored) {
    setenv("WINSYS_DEBUG_LOG", (dir_.path() / "no" / "such" / "folder.log").string().c_str(), 1);
    OutputDebugString("nowhere to go");
    setenv("WINSYS_DEBUG_LOG", dir_.path().string().c_str(), 1);  // a folder, not a file
    OutputDebugString("nowhere to go");
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(DebugOutputTest, ThreadsAndProcessesWritingAtOnceKeepLinesWhole) {
    constexpr int kProcesses = 2;
    constexpr int kThreads = 3;
    constexpr int kLines = 100;
    constexpr size_t kLength = 5000;  // long enough that a torn write would show
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            {
                std::vector<std::jthread> threads;
                for (int t = 0; t < kThreads; ++t) {
                    threads.emplace_back([p, t] {
                        const std::string line(kLength, static_cast<char>('a' + p * kThreads + t));
                        for (int i = 0; i < kLines; ++i) {
                            OutputDebugString(line);
                        }
                    });
                }
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::istringstream in(kit_test::ReadFile(log_));
    std::vector<int> counts(kProcesses * kThreads, 0);
    int total = 0;
    for (std::string line; std::getline(in, line); ++total) {
        ASSERT_EQ(line.size(), kLength);
        ASSERT_EQ(line.find_first_not_of(line[0]), std::string::npos) << "a line was torn";
        int writer = line[0] - 'a';
        ASSERT_TRUE(writer >= 0 && writer < kProcesses * kThreads);
        ++counts[static_cast<size_t>(writer)];
    }
    EXPECT_EQ(total, kProcesses * kThreads * kLines);
    for (int count : counts) {
        EXPECT_EQ(count, kLines);
    }
}

}  // namespace
