// `winsys reg` on temporary system roots: query, export, import, errors, and two imports at once.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class WinsysReg : public ::testing::Test {
  protected:
    // Runs a shell command line in which WINSYS names the program, capturing both outputs.
    Outcome Shell(const std::string& commandLine) {
        const fs::path out = dir_.path() / "stdout";
        const fs::path err = dir_.path() / "stderr";
        std::string full = "WINSYS='" KIT_BIN_DIR "/winsys'; (" + commandLine + ") >'" + out.string() +
                           "' 2>'" + err.string() + "'";
        int raw = std::system(full.c_str());
        Outcome run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = kit_test::ReadFile(out);
        run.err = kit_test::ReadFile(err);
        return run;
    }
    Outcome Winsys(const fs::path& root, const std::string& args) {
        return Shell("\"$WINSYS\" --root '" + root.string() + "' " + args);
    }

    kit_test::TempDir dir_;
    const fs::path rootA_ = dir_.path() / "a";
    const fs::path rootB_ = dir_.path() / "b";
};

TEST_F(WinsysReg, ImportQueryExportAndBack) {
    const std::string fixture = KIT_FIXTURES_DIR "/reg/tuner_regedit4.reg";
    Outcome imported = Winsys(rootA_, "reg import '" + fixture + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_TRUE(fs::exists(rootA_ / "registry.db"));

    Outcome query = Winsys(rootA_, "reg query 'HKLM\\software\\vexa\\tuner'");
    ASSERT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out,
              "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Vexa\\Tuner\n"
              "    (Default)    REG_SZ    Vexa Tuner \xC2\xAE\n"
              "    InstallDir    REG_SZ    C:\\Program Files\\Vexa\n"
              "    Channels    REG_DWORD    0x20\n"
              "    Path    REG_EXPAND_SZ    %SystemRoot%\\vexa\n"
              "    Bands    REG_MULTI_SZ    FM\\0AM\n"
              "    Calibration    REG_BINARY    DEADBEEF\n"
              "\n"
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vexa\\Tuner\\Presets\n");

    const fs::path exported = dir_.path() / "tuner.reg";
    Outcome exportRun = Winsys(rootA_, "reg export 'SOFTWARE\\Vexa' '" + exported.string() + "'");
    ASSERT_EQ(exportRun.status, 0) << exportRun.err;
    const std::string bytes = kit_test::ReadFile(exported);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(bytes.find(std::string("C\0a\0f\0\xE9\0", 8)), std::string::npos);  // "Café" in UTF-16LE

    Outcome again = Winsys(rootB_, "reg import '" + exported.string() + "'");
    ASSERT_EQ(again.status, 0) << again.err;
    const fs::path reexported = dir_.path() / "again.reg";
    ASSERT_EQ(
        Winsys(rootB_, "reg export HKEY_LOCAL_MACHINE/SOFTWARE/Vexa '" + reexported.string() + "'").status,
        0);
    EXPECT_EQ(kit_test::ReadFile(reexported), bytes);
}

TEST_F(WinsysReg, ErrorsAndUsage) {
    Outcome missing = Winsys(rootA_, "reg query 'SOFTWARE\\Nothing'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("SOFTWARE\\Nothing"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");

    const fs::path bad = dir_.path() / "bad.reg";
    kit_test::WriteFile(bad, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Half]\r\n\"ok\"=\"1\"\r\n\"bad\"=hex:zz\r\n");
    Outcome badImport = Winsys(rootA_, "reg import '" + bad.string() + "'");
    EXPECT_EQ(badImport.status, 1);
    EXPECT_NE(badImport.err.find("line 4"), std::string::npos) << badImport.err;
    EXPECT_EQ(Winsys(rootA_, "reg query 'HKLM\\Half'").status, 1);  // nothing half applied

    EXPECT_EQ(Winsys(rootA_, "reg import '" + (dir_.path() / "none.reg").string() + "'").status, 1);
    EXPECT_EQ(Winsys(rootA_, "reg export Missing '" + (dir_.path() / "x.reg").string() + "'").status, 1);
    EXPECT_EQ(Winsys(rootA_, "reg query 'HKEY_CURRENT_USER\\Software'").status, 1);
    for (const char* usage : {"reg", "reg query", "reg frob x", "reg export KEY", "reg import a b"}) {
        Outcome run = Winsys(rootA_, usage);
        EXPECT_EQ(run.status, 2) << usage;
        EXPECT_NE(run.err.find("usage"), std::string::npos) << usage;
    }
}

TEST_F(WinsysReg, TwoImportsAtOnceLoseNothing) {
    constexpr int kValues = 400;
    for (int file = 0; file < 2; ++file) {
        std::string text = "REGEDIT4\r\n\r\n";
        for (int i = 0; i < kValues; ++i) {
            text += "[HKEY_LOCAL_MACHINE\\Shared\\K" + std::to_string(i % 20) + "]\r\n\"f" +
                    std::to_string(file) + "_" + std::to_string(i) + "\"=dword:" + std::to_string(i % 10) +
                    "\r\n";
        }
        kit_test::WriteFile(dir_.path() / ("parallel" + std::to_string(file) + ".reg"), text);
    }
    const std::string importOne =
        "\"$WINSYS\" --root '" + rootA_.string() + "' reg import '" + dir_.path().string();
    // Several rounds in parallel, so that the two processes meet at their start and while writing.
    Outcome run = Shell("for round in 1 2 3; do " + importOne + "/parallel0.reg' & p0=$!; " + importOne +
                        "/parallel1.reg' & p1=$!; wait $p0 || exit 1; wait $p1 || exit 1; done");
    ASSERT_EQ(run.status, 0) << run.err;

    Outcome query = Winsys(rootA_, "reg query 'HKLM\\Shared\\K7'");
    ASSERT_EQ(query.status, 0) << query.err;
    for (int file = 0; file < 2; ++file) {
        for (int i = 7; i < kValues; i += 20) {
            std::string line = "    f" + std::to_string(file) + "_" + std::to_string(i) +
                               "    REG_DWORD    0x" + std::to_string(i % 10) + "\n";
            EXPECT_NE(query.out.find(line), std::string::npos) << line;
        }
    }
    Outcome shared = Winsys(rootA_, "reg query 'HKLM\\Shared'");
    ASSERT_EQ(shared.status, 0);
    EXPECT_NE(shared.out.find("HKEY_LOCAL_MACHINE\\Shared\\K19\n"), std::string::npos);
}

}  // namespace
