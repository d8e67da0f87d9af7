// The packed sample fwupdate run as a user or a script runs it: on a temporary system root with a
// simulated notebook (model NB10, part number 011, BIOS P01A of 12/31/2006, MICOM 1.10), against the
// sample payload (BIOS P02A of 02/15/07 for part numbers 011 and 012, MICOM 1.20). Each case reads the
// exit code, the message-box log and the machine as `winsys machine show --json` reports it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/run_command.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

const std::string kBin = KIT_BIN_DIR;
const fs::path kSamplePayload = fs::path(KIT_BIN_DIR).parent_path() / "fwupdate-payload";

std::string Quote(const fs::path& path) {
    std::string quoted("'");
    quoted.append(path.string()).append("'");
    return quoted;
}

class FwupdateRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Winsys("init " + Quote(root_)).status, 0);
        ASSERT_EQ(Machine("init --model NB10 --part-number 011 --version P01A --release-date 12/31/2006 "
                          "--ec-firmware 1.10")
                      .status,
                  0);
    }

    kit_test::CommandResult Winsys(const std::string& args) {
        return kit_test::RunKitProgram("winsys", "--root " + Quote(root_) + " " + args);
    }
    kit_test::CommandResult Machine(const std::string& args) { return Winsys("machine " + args); }
    std::string Show() {
        kit_test::CommandResult show = Machine("show --json");
        EXPECT_EQ(show.status, 0) << show.output;
        return show.output;
    }

    // Runs an updater in the test folder; TEMP comes from the system root, so the working folder is
    // the root's Temp/__Kantrel_Update.
    int Run(const std::string& args, const std::string& answers = "ok",
            const fs::path& exe = kBin + "/fwupdate") {
        kit_test::CommandResult run = kit_test::RunCommand(
            "cd " + Quote(dir_.path()) + " && env -u TEMP -u TMP WINSYS_ROOT=" + Quote(root_) +
            " WINSYS_MSGBOX_LOG=" + Quote(BoxLog()) + " WINSYS_MSGBOX_ANSWERS=" + answers + " " + Quote(exe) +
            " " + args + " >" + Quote(dir_.path() / "out.txt") + " 2>&1");
        return run.status;
    }

    fs::path BoxLog() const { return dir_.path() / "boxes.jsonl"; }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> lines;
        std::ifstream in(BoxLog());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::string AllBoxes() const {
        std::string all;
        for (const std::string& line : Boxes())
            all += line + "\n";
        return all;
    }
    fs::path Work() const { return root_ / "Temp" / "__Kantrel_Update"; }
    std::vector<std::string> WorkFiles() const {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(Work(), error))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool InWork(const std::string& name) const { return fs::exists(Work() / name); }

    // A payload folder made from the sample one; `change` edits it before it is packed.
    fs::path PackPayload(const std::function<void(const fs::path&)>& change) {
        fs::path payload = dir_.path() / "payload";
        fs::remove_all(payload);
        fs::copy(kSamplePayload, payload);
        change(payload);
        fs::path exe = dir_.path() / "custom-fwupdate";
        kit_test::CommandResult pack = kit_test::RunKitProgram(
            "fwpack", Quote(kBin + "/fwupdate-unpacked") + " " + Quote(payload) + " -o " + Quote(exe));
        EXPECT_EQ(pack.status, 0) << pack.output;
        return exe;
    }
    void MakeImage(const fs::path& file, const std::string& options) {
        kit_test::CommandResult made = Machine("image -o " + Quote(file) + " " + options);
        ASSERT_EQ(made.status, 0) << made.output;
    }

    kit_test::TempDir dir_;
    fs::path root_ = dir_.path() / "root";
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The BIOS version in the flash, from `winsys machine show --json`.
std::string FlashedVersion(const std::string& machine) {
    size_t flashed = machine.find("\"flashed\": {");
    size_t version = machine.find("\"version\": \"", flashed);
    if (flashed == std::string::npos || version == std::string::npos)
        return {};
    return machine.substr(version + 12, 4);
}

TEST_F(FwupdateRun, FullUpdateFlashesBothAndTheNewFirmwareRunsAfterTheAutomaticPowerOn) {
    EXPECT_EQ(Run(""), 0);
    std::string machine = Show();
    EXPECT_TRUE(
        Has(machine, "\"running\": {\"model\": \"NB10\", \"part_number\": \"011\", \"version\": \"P02A\""))
        << machine;
    EXPECT_TRUE(Has(machine, "\"ec_firmware\": {\"running\": \"1.20\", \"flashed\": \"1.20\"}")) << machine;
    // The DMI texts came over: the flag takes "A" as its fourth character.
    EXPECT_TRUE(Has(machine, "\"bios_flag\": \"NBFA2007\"")) << machine;
    EXPECT_TRUE(Has(machine, "\"serial\": \"SN0012345678\"")) << machine;
    EXPECT_TRUE(Has(machine, "bios.wph /P /MODE=3 /DO0:NBFA2007 /DO1:01/15/2007 /DSS:SN0012345678"))
        << machine;
    EXPECT_TRUE(Has(machine, "kbc.bin /FORCE")) << machine;
    // Auto power-on brought it back and cleared the bit; input is unlocked and the driver is gone.
    EXPECT_TRUE(Has(machine, "\"powered_on\": true")) << machine;
    EXPECT_TRUE(Has(machine, "\"ec_e887\": 0")) << machine;
    EXPECT_TRUE(Has(machine, "\"command_byte\": 71")) << machine;
    EXPECT_TRUE(Has(machine, "\"loaded_drivers\": []")) << machine;
    EXPECT_TRUE(Has(machine, "Mouse|Touchpad|1|0|1")) << machine;

    std::string boxes = AllBoxes();
    ASSERT_EQ(Boxes().size(), 2u) << boxes;
    EXPECT_TRUE(Has(Boxes()[0], "\"caption\": \"Warning\"")) << boxes;
    EXPECT_TRUE(Has(Boxes()[0], "\"flags\": 65")) << boxes;
    EXPECT_TRUE(Has(Boxes()[1], "\"caption\": \"Update Complete\"")) << boxes;
    // The tools, images and driver are gone; the language libraries stay.
    for (const char* gone : {"bios.wph", "kbc.bin", "SWinFlash.exe", "WinUpV01_10.exe", "AddMem.sys",
                             "NB10_012.WPH", "NB10_012.BIN", "InputLock.jnl"})
        EXPECT_FALSE(InWork(gone)) << gone;
    EXPECT_TRUE(InWork("ConResEn.dll"));
}

TEST_F(FwupdateRun, CancelAtThePromptEndsWithZeroAndAnEmptyWorkingFolder) {
    fs::create_directories(Work());
    kit_test::WriteFile(Work() / "left-over.txt", "from an earlier run");
    EXPECT_EQ(Run("", "cancel"), 0);
    EXPECT_TRUE(fs::is_directory(Work()));
    EXPECT_TRUE(WorkFiles().empty());
    std::string machine = Show();
    EXPECT_TRUE(Has(machine, "\"version\": \"P01A\"")) << machine;
    EXPECT_TRUE(Has(machine, "\"history\": []")) << machine;
}

// Each failure the simulated notebook can produce, with its exit code, title and a piece of its text.
TEST_F(FwupdateRun, FailuresEndWithTheirResultCodeTitleAndText) {
    struct Case {
        const char* name;
        std::string machine;  // winsys machine set arguments; empty: none
        std::string options;
        int exit;  // the low byte of the result code, as a process status shows it
        const char* title;
        const char* text;
        bool cleansUp;  // input unlocked and tool files gone afterwards
    };
    const Case cases[] = {
        {"AC offline", "ac=0", "", 0x10, "Fail : Power", "AC adapter is not connected.", false},
        {"battery 29 %", "battery=29", "", 0x11, "Fail : Power", "lower than 30%.", false},
        {"battery unknown", "battery=255", "", 0x11, "Fail : Power", "lower than 30%.", false},
        {"both", "ac=0 battery=20", "", 0x12, "Fail : Power", "Check your adapter and battery.", false},
        {"disk space", "free_disk_mib=1", "", 0x01, "Fail : Disk Space", "Remaining free disk space: 1Mbytes",
         false},
        {"HDD password", "disk0=ata,fixed,security", "", 0x04, "Fail : HDD Password", "password protected",
         true},
        {"part number", "part_number=013", "", 0x0B, "Fail : Bios File", "Invalid BIOS file.", true},
        {"BIOS tool", "fail_bios_tool=1", "", 0x09, "Fail : Update Bios", "BIOS Update failed.", true},
        {"MICOM tool", "fail_micom_tool=1", "", 0x0A, "Fail : Micom", "MICOM Update failed.", true},
        {"SMI enable", "lpc_bridge=0", "", 0x0D, "Fail : Enable SMI", "SMI setting failed.", true},
        {"invalid option", "", "/BOGUS", 0x0E, "Fail : Invalid Option", "Invalid Option.", false},
        {"date", "release_date=03/01/2007", "", 0x13, "Fail : Bios Date", "newer version than the update",
         true},
        {"model", "model=NB20", "", 0x06, "Fail : Model(Bios Part Number)",
         "Current Model (BIOS Part Number) : NB20(011)", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        fs::remove(BoxLog());
        if (!c.machine.empty()) {
            ASSERT_EQ(Machine("set " + c.machine).status, 0);
        }
        EXPECT_EQ(Run(c.options) & 0xFF, c.exit);
        std::string boxes = AllBoxes();
        ASSERT_FALSE(Boxes().empty());
        const std::string last = Boxes().back();
        EXPECT_TRUE(Has(last, std::string("\"caption\": \"") + c.title + "\"")) << boxes;
        EXPECT_TRUE(Has(last, c.text)) << boxes;
        EXPECT_TRUE(Has(last, "\"flags\": 16")) << boxes;
        std::string machine = Show();
        EXPECT_TRUE(Has(machine, "\"command_byte\": 71")) << machine;
        if (c.cleansUp) {
            for (const char* gone : {"SWinFlash.exe", "WinUpV01_10.exe", "AddMem.sys", "InputLock.jnl"})
                EXPECT_FALSE(InWork(gone)) << gone;
        }
        // Only the failures after the BIOS flash find the new BIOS in the flash.
        const char* flashed = c.exit == 0x0A || c.exit == 0x0D ? "P02A" : "P01A";
        EXPECT_EQ(FlashedVersion(machine), flashed) << machine;
    }
}

TEST_F(FwupdateRun, PayloadVariantsGiveTheirFailures) {
    // Without the driver nothing can read the running BIOS.
    fs::path noDriver = PackPayload([](const fs::path& p) { fs::remove(p / "AddMem.sys"); });
    EXPECT_EQ(Run("", "ok", noDriver) & 0xFF, 0x05);
    EXPECT_TRUE(Has(Boxes().back(), "Fail : Driver Load")) << AllBoxes();

    // One BIOS image of another part number is taken, and then the comparison fails it.
    fs::remove(BoxLog());
    fs::path otherPart = PackPayload([this](const fs::path& p) {
        fs::remove(p / "NB10_011.WPH");
        fs::remove(p / "NB10_012.WPH");
        MakeImage(p / "NB10_012.WPH", "--model NB10 --part-number 012 --version P02A --build-date 02/15/07");
    });
    EXPECT_EQ(Run("", "ok", otherPart) & 0xFF, 0x07);
    EXPECT_TRUE(Has(Boxes().back(), "New Model (BIOS Part Number) : NB10(012)")) << AllBoxes();

    fs::remove(BoxLog());
    fs::path otherBoth = PackPayload([this](const fs::path& p) {
        fs::remove(p / "NB10_011.WPH");
        fs::remove(p / "NB10_012.WPH");
        MakeImage(p / "NB30_012.WPH", "--model NB30 --part-number 012 --version P02A --build-date 02/15/07");
    });
    EXPECT_EQ(Run("", "ok", otherBoth) & 0xFF, 0x08);

    // Two MICOM images, neither for part number 011.
    fs::remove(BoxLog());
    fs::path noMicom =
        PackPayload([](const fs::path& p) { fs::rename(p / "NB10_011.BIN", p / "NB10_013.BIN"); });
    EXPECT_EQ(Run("", "ok", noMicom) & 0xFF, 0x0C);
    EXPECT_TRUE(Has(Boxes().back(), "Fail : Micom File")) << AllBoxes();
    EXPECT_TRUE(Has(Show(), "\"version\": \"P01A\""));
}

TEST_F(FwupdateRun, ReadBiosDumpsTheRomAndStops) {
    EXPECT_EQ(Run("/READ_BIOS"), 0);
    ASSERT_TRUE(InWork("ReadRomFile.bin"));
    EXPECT_EQ(fs::file_size(Work() / "ReadRomFile.bin"), 0x100000u);
    std::string machine = Show();
    EXPECT_TRUE(Has(machine, "\"version\": \"P01A\"")) << machine;
    EXPECT_TRUE(Has(machine, "\"command_byte\": 71")) << machine;
    EXPECT_FALSE(InWork("SWinFlash.exe"));
}

TEST_F(FwupdateRun, VistaUpgradeShowsNothingAndLeavesTheMachineRunning) {
    EXPECT_EQ(Run("/VISTA_UPGRADE"), 0);
    EXPECT_TRUE(Boxes().empty()) << AllBoxes();
    std::string machine = Show();
    EXPECT_TRUE(
        Has(machine, "\"running\": {\"model\": \"NB10\", \"part_number\": \"011\", \"version\": \"P01A\""))
        << machine;
    EXPECT_TRUE(
        Has(machine, "\"flashed\": {\"model\": \"NB10\", \"part_number\": \"011\", \"version\": \"P02A\""))
        << machine;
    EXPECT_FALSE(Has(machine, "power-off")) << machine;
}

TEST_F(FwupdateRun, WithoutMicomStepTheMachineIsNotPoweredOff) {
    EXPECT_EQ(Run("/SKIP_UPDATE_MICOM /NO_MESSAGEBOX"), 0);
    std::string machine = Show();
    EXPECT_TRUE(Has(machine, "\"ec_firmware\": {\"running\": \"1.10\", \"flashed\": \"1.10\"}")) << machine;
    EXPECT_TRUE(
        Has(machine, "\"flashed\": {\"model\": \"NB10\", \"part_number\": \"011\", \"version\": \"P02A\""))
        << machine;
    EXPECT_FALSE(Has(machine, "power-off")) << machine;

    SetUp();
    fs::path noBin = PackPayload([](const fs::path& p) {
        fs::remove(p / "NB10_011.BIN");
        fs::remove(p / "NB10_012.BIN");
    });
    EXPECT_EQ(Run("/NO_MESSAGEBOX", "ok", noBin), 0);
    machine = Show();
    EXPECT_FALSE(Has(machine, "WinUpV01_10")) << machine;
    EXPECT_FALSE(Has(machine, "power-off")) << machine;
}

TEST_F(FwupdateRun, BreakEscdPatchesTheImageBeforeTheFlash) {
    for (const char* size : {"512K", "1M"}) {
        SCOPED_TRACE(size);
        SetUp();
        ASSERT_EQ(
            Machine(std::string("set rom_kib=") + (std::string(size) == "512K" ? "512" : "1024")).status, 0);
        fs::path exe = PackPayload([this, size](const fs::path& p) {
            fs::remove(p / "NB10_011.WPH");
            fs::remove(p / "NB10_012.WPH");
            MakeImage(p / "NB10_011.WPH",
                      std::string(
                          "--model NB10 --part-number 011 --version P02A --build-date 02/15/07 --rom-size ") +
                          size);
        });
        EXPECT_EQ(Run("/BREAK_ESCD /NO_MESSAGEBOX", "ok", exe), 0);
        std::string machine = Show();
        EXPECT_TRUE(Has(machine, "\"version\": \"P02A\"")) << machine;
    }
}

TEST_F(FwupdateRun, OptionsAreReadAsTheUpdaterReadsThem) {
    struct Case {
        const char* options;
        int exit;
    };
    const Case cases[] = {
        {"/no_messagebox /SKIP_UPDATE_MICOM", 0},
        {"-NO_MESSAGEBOXES -SKIP_UPDATE_MICOMX", 0},
        {"/NO_MESSAGEBOX /MFORCEX", 0x0E},
        {"/READ_BIOS /BOGUS", 0},
        {"/BOGUS /READ_BIOS", 0x0E},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        SetUp();
        EXPECT_EQ(Run(c.options) & 0xFF, c.exit);
    }
}

// Input must never stay locked: a run killed while the BIOS tool runs leaves keyboard and mouse
// unlocked (the guardian), and the next run finds nothing left to do.
TEST_F(FwupdateRun, AKilledRunLeavesInputUnlocked) {
    // Flash tools that take their time, so the run can be killed while one flashes.
    ASSERT_EQ(Machine("set flash_tool_seconds=3").status, 0);
    const fs::path exe = kBin + "/fwupdate";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("WINSYS_ROOT", root_.c_str(), 1);
        setenv("WINSYS_MSGBOX_ANSWERS", "ok", 1);
        unsetenv("TEMP");
        unsetenv("TMP");
        if (chdir(dir_.path().c_str()) != 0)
            _exit(127);
        execl(exe.c_str(), exe.c_str(), "/NO_MESSAGEBOX", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until the BIOS tool has started (input is locked by then), then kill the updater outright.
    bool locked = false;
    for (int i = 0; i < 400 && !locked; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        locked = InWork("InputLock.jnl") && Has(Show(), "\"command_byte\": 116");
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(locked);
    bool unlocked = false;
    for (int i = 0; i < 100 && !unlocked; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        unlocked = Has(Show(), "\"command_byte\": 71") && !InWork("InputLock.jnl");
    }
    EXPECT_TRUE(unlocked) << Show();
    EXPECT_TRUE(Has(Show(), "Mouse|Touchpad|1|0|1"));

    // The next run has nothing to recover and updates as usual.
    ASSERT_EQ(Machine("set flash_tool_seconds=0").status, 0);
    EXPECT_EQ(Run("/NO_MESSAGEBOX"), 0);
    EXPECT_TRUE(Has(Show(), "\"version\": \"P02A\""));
}

}  // namespace
