#include "platform/process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/system_root.h"
#include "support/scoped_state.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

// A child that runs until the test creates the file "go" in the work folder, so that tests can look
// at a running child without racing it. It gives up with 99 after about ten seconds so that a fault
// fails the test instead of hanging it.
const char* const kWaitForGo =
    "i=0\n"
    "while [ ! -e go ]; do sleep 0.02; i=$((i+1)); [ $i -gt 500 ] && exit 99; done\n";

class ProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        work_ = dir_.path() / "work";
        fs::create_directories(work_);
        ASSERT_TRUE(platform::EnsureSystemRoot(root_.path()).ok());
        platform::SetExecutablePath((dir_.path() / "exe/drvsetup").string());
    }
    void TearDown() override { platform::SetExecutablePath(""); }

    static void WriteScript(const fs::path& path, const std::string& body) {
        kit_test::WriteFile(path, "#!/bin/sh\n" + body);
        fs::permissions(path, fs::perms::owner_all);
    }
    static void InstallProbe(const fs::path& path) {
        fs::create_directories(path.parent_path());
        fs::copy_file(KIT_CHILD_PROBE, path, fs::copy_options::overwrite_existing);
        fs::permissions(path, fs::perms::owner_all);
    }
    // Starts a line from the work folder and waits for it: the exit code, or -1000 when it did not start.
    int Run(const std::string& line) {
        kit_test::CurrentFolder here(work_);
        auto process = platform::Process::Start(line);
        EXPECT_TRUE(process.ok()) << line << ": " << (process.ok() ? "" : process.error().message);
        return process.ok() ? (*process)->Wait() : -1000;
    }
    std::vector<std::string> ProbeLines() const {
        std::istringstream in(kit_test::ReadFile(probeOut_));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    static bool NoZombieChild() {
        siginfo_t info{};
        int rc = waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT);
        return (rc < 0 && errno == ECHILD) || (rc == 0 && info.si_pid == 0);
    }

    kit_test::TempSystemRoot root_;
    kit_test::TempDir dir_;
    fs::path work_;
    fs::path probeOut_ = dir_.path() / "probe.out";
    kit_test::ScopedEnv probeEnv_{"CHILD_PROBE_OUT", probeOut_.string()};
};

TEST_F(ProcessTest, ChildSeesItsArgumentsSplitAsOnWindows) {
    const fs::path probe = work_ / "Tools/probe.exe";
    InstallProbe(probe);
    struct Case {
        std::string arguments;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {" /q  /se\t/f ", {"/q", "/se", "/f"}},
        // The classic trap: a folder's trailing backslash escapes the closing quote.
        {R"("c:\program files\kit\" /path "a b")", {R"(c:\program files\kit" /path a)", "b"}},
        {R"("c:\kit dir\\" \\server\share\ x\"y "" "a""b")",
         {R"(c:\kit dir\)", R"(\\server\share\)", R"(x"y)", "", R"(a"b)"}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Run("\"" + probe.string() + "\" " + c.arguments), 0) << c.arguments;
        std::vector<std::string> lines = ProbeLines();
        ASSERT_GE(lines.size(), 2U);
        EXPECT_EQ(lines[1], probe.string()) << "argv[0] is the absolute module path";
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), c.expected) << c.arguments;
    }
    // A relative, case-different name still gives the child its absolute path.
    ASSERT_EQ(Run("TOOLS\\Probe 1"), 0);
    std::vector<std::string> lines = ProbeLines();
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[1], probe.string());
    EXPECT_EQ(lines[2], "1");
}

TEST_F(ProcessTest, FindsTheModuleAsWindowsDoes) {
    // Each candidate exits with its own code, so the code tells which one ran.
    WriteScript(work_ / "Program Files/Sub Dir/program name.exe", "exit 11\n");
    WriteScript(work_ / "Program Files/Sub Dir/program.exe", "exit 12\n");
    WriteScript(work_ / "Program Files/Sub.exe", "exit 13\n");
    WriteScript(work_ / "DPInst.exe", "exit 14\n");
    WriteScript(work_ / "setup.bin.exe", "exit 15\n");
    WriteScript(work_ / "tool.cmd", "exit 16\n");
    WriteScript(work_ / "tool.cmd.exe", "exit 17\n");
    WriteScript(platform::System32Folder() / "Helper.exe", "exit 18\n");
    WriteScript(work_ / "sub/linuxtool", "exit 19\n");
    const std::string w = work_.string();
    struct Case {
        std::string line;
        int expected;
    };
    const std::vector<Case> cases = {
        {"\"" + w + "\\Program Files\\Sub Dir\\program name.exe\" x", 11},
        {"\"" + w + "\\program files\\sub dir\\PROGRAM NAME\"", 11},
        // Unquoted, the shortest prefix before a blank that names a program wins.
        {w + "\\Program Files\\Sub Dir\\program name", 13},
        {w + "\\Program Files\\Sub Dir\\program name  /x", 13},
        {"DPInst /q", 14},
        {"dpinst", 14},
        {"tool.cmd", 16},  // an extension is used as written
        {"tool.", -1},     // a trailing dot means no extension: "tool" does not exist
        {"setup.bin", -1},
        {"C:\\WINDOWS\\SYSTEM32\\helper", 18},
        {"helper", 18},
        {"Sub\\LinuxTool", 19},
        {"sh -c \"exit 7\"", 7},  // a program of this system, found through PATH
    };
    for (const Case& c : cases) {
        kit_test::CurrentFolder here(work_);
        auto process = platform::Process::Start(c.line);
        if (c.expected < 0) {
            EXPECT_FALSE(process.ok()) << c.line;
            continue;
        }
        ASSERT_TRUE(process.ok()) << c.line << ": " << process.error().message;
        EXPECT_EQ((*process)->Wait(), c.expected) << c.line;
        EXPECT_TRUE((*process)->Module().is_absolute()) << c.line;
    }

    // Only the longest reading exists: every shorter one is tried and passed over.
    fs::remove(work_ / "Program Files/Sub.exe");
    EXPECT_EQ(Run(w + "\\Program Files\\Sub Dir\\program name"), 12);
    fs::remove(work_ / "Program Files/Sub Dir/program.exe");
    EXPECT_EQ(Run(w + "\\Program Files\\Sub Dir\\program name"), 11);
}

TEST_F(ProcessTest, SearchesExeFolderThenCurrentThenSystemThenPath) {
    const std::vector<fs::path> places = {
        dir_.path() / "exe/order.exe", work_ / "order.exe", platform::System32Folder() / "order.exe",
        platform::WindowsFolder() / "order.exe", dir_.path() / "path/order.exe"};
    for (size_t i = 0; i < places.size(); ++i) {
        WriteScript(places[i], "exit " + std::to_string(21 + i) + "\n");
    }
    kit_test::ScopedEnv path("PATH", (dir_.path() / "path").string() + ":/usr/bin:/bin");
    for (size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(Run("ORDER"), static_cast<int>(21 + i));
        fs::remove(places[i]);
    }
    kit_test::CurrentFolder here(work_);
    EXPECT_FALSE(platform::Process::Start("order").ok());
}

TEST_F(ProcessTest, ReportsProgramsThatCannotStart) {
    kit_test::WriteFile(work_ / "plain.exe", "#!/bin/sh\nexit 0\n");
    fs::permissions(work_ / "plain.exe", fs::perms::owner_read | fs::perms::owner_write);
    kit_test::WriteFile(work_ / "garbage.exe", std::string("\x7f"
                                                           "ELF\0\0garbage",
                                                           12));
    fs::permissions(work_ / "garbage.exe", fs::perms::owner_all);
    WriteScript(work_ / "orphan.exe", "");
    kit_test::WriteFile(work_ / "orphan.exe", "#!/nonexistent/interpreter\n");
    WriteScript(work_ / "fine.exe", "exit 0\n");
    struct Case {
        std::string line;
        std::string folder;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"", "", "names no program"},
        {" \t ", "", "names no program"},
        {"nothere.exe /q", "", "not found: \"nothere.exe\""},
        {"\"" + work_.string() + "\\missing dir\\x.exe\"", "", "not found"},
        {"plain", "", "may not be executed"},
        {"garbage", "", "not a program"},
        {"orphan", "", "interpreter"},
        {"fine", "no such folder", "working folder not found"},
        {std::string(300, 'a') + ".exe", "", "not found"},
    };
    kit_test::CurrentFolder here(work_);
    for (const Case& c : cases) {
        auto process = platform::Process::Start(c.line, c.folder);
        ASSERT_FALSE(process.ok()) << c.line;
        EXPECT_THAT(process.error().message, HasSubstr(c.reason)) << c.line;
        EXPECT_TRUE(NoZombieChild()) << c.line;
    }
    // A line of many blanks and no program ends with a plain "not found".
    std::string blanks;
    for (int i = 0; i < 50000; ++i) {
        blanks += "x ";
    }
    auto process = platform::Process::Start(blanks);
    ASSERT_FALSE(process.ok());
    EXPECT_THAT(process.error().message, HasSubstr("not found"));
}

TEST_F(ProcessTest, ExitCodesAndSignals) {
    struct Case {
        std::string body;
        int expected;
    };
    const std::vector<Case> cases = {
        {"exit 0\n", 0},
        {"exit 1\n", 1},
        {"exit 255\n", 255},
        {"kill -TERM $$\n", platform::Process::kSignalExitBase + SIGTERM},
        {"kill -KILL $$\n", platform::Process::kSignalExitBase + SIGKILL},
    };
    for (const Case& c : cases) {
        WriteScript(work_ / "code.exe", c.body);
        EXPECT_EQ(Run("code"), c.expected) << c.body;
    }
    // An ended child keeps answering with the same code.
    kit_test::CurrentFolder here(work_);
    auto process = platform::Process::Start("code");
    ASSERT_TRUE(process.ok());
    EXPECT_EQ((*process)->Wait(), platform::Process::kSignalExitBase + SIGKILL);
    EXPECT_EQ((*process)->ExitCode(), platform::Process::kSignalExitBase + SIGKILL);
    EXPECT_TRUE(NoZombieChild());
}

TEST_F(ProcessTest, RunsInTheGivenFolderWithTheCallersEnvironment) {
    InstallProbe(work_ / "probe.exe");
    fs::create_directories(work_ / "Sub Folder");
    kit_test::CurrentFolder here(work_);
    kit_test::ScopedEnv code("CHILD_PROBE_EXIT", "42");

    // The module is found from the caller's folder; the child runs in the one given.
    auto inFolder = platform::Process::Start("probe", "SUB FOLDER");
    ASSERT_TRUE(inFolder.ok()) << inFolder.error().message;
    EXPECT_EQ((*inFolder)->Wait(), 42);
    EXPECT_EQ(ProbeLines().at(0), (work_ / "Sub Folder").string());

    auto inCurrent = platform::Process::Start("probe");
    ASSERT_TRUE(inCurrent.ok()) << inCurrent.error().message;
    EXPECT_EQ((*inCurrent)->Wait(), 42);
    EXPECT_EQ(ProbeLines().at(0), work_.string());
}

TEST_F(ProcessTest, WaitWithAPumpHandsItTheChildsFd) {
    WriteScript(work_ / "slow.exe", std::string(kWaitForGo) + "exit 42\n");
    kit_test::CurrentFolder here(work_);
    auto process = platform::Process::Start("slow");
    ASSERT_TRUE(process.ok()) << process.error().message;
    EXPECT_EQ((*process)->ExitCode(), std::nullopt);
    EXPECT_FALSE((*process)->HasExited());

    int calls = 0;
    int code = (*process)->Wait([&](int fd) {
        EXPECT_EQ(fd, (*process)->WaitFd());
        if (++calls == 1) {
            kit_test::WriteFile(work_ / "go", "");  // the "event" that lets the child end
        }
        pollfd watch{fd, POLLIN, 0};
        poll(&watch, 1, 50);
    });
    EXPECT_EQ(code, 42);
    EXPECT_GE(calls, 1);
    EXPECT_TRUE((*process)->HasExited());
    EXPECT_EQ((*process)->ExitCode(), 42);
}

TEST_F(ProcessTest, WaitsFromOtherThreadsWithoutAPump) {
    WriteScript(work_ / "slow.exe", std::string(kWaitForGo) + "exit 5\n");
    kit_test::CurrentFolder here(work_);
    auto process = platform::Process::Start("slow");
    ASSERT_TRUE(process.ok()) << process.error().message;
    int first = -1;
    int second = -1;
    std::thread a([&] { first = (*process)->Wait(); });
    std::thread b([&] { second = (*process)->Wait(platform::EventPump()); });
    kit_test::WriteFile(work_ / "go", "");
    a.join();
    b.join();
    EXPECT_EQ(first, 5);
    EXPECT_EQ(second, 5);
}

TEST_F(ProcessTest, AChildOutlivesItsProcessObjectAndIsReaped) {
    WriteScript(work_ / "flash.exe", std::string(kWaitForGo) + "echo done > finished\nexit 0\n");
    kit_test::CurrentFolder here(work_);
    pid_t pid = 0;
    {
        auto process = platform::Process::Start("flash");
        ASSERT_TRUE(process.ok()) << process.error().message;
        pid = (*process)->Pid();
    }
    kit_test::WriteFile(work_ / "go", "");
    // The child ends on its own and is reaped in the background; wait for its pid to go away.
    for (int i = 0; i < 1000 && kill(pid, 0) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(kill(pid, 0), 0) << "the child is still there (running or a zombie)";
    EXPECT_EQ(kit_test::ReadFile(work_ / "finished"), "done\n") << "the child was cut off";
}

}  // namespace
