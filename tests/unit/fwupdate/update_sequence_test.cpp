// The update sequence over fake steps: which steps run, in which order, what each failure ends with,
// what it cleans up and which message it shows.
#include "fwupdate/update_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fwupdate/failure_report.h"
#include "fwupdate/messages.h"
#include "fwupdate/resource_module.h"
#include "platform/message_box.h"

namespace {

using fwupdate::ProgressStep;
using fwupdate::StepMark;
using fwupdate::UpdateContext;

struct ShownMessage {
    uint32_t type;
    std::string title;
    std::string text;
};

// Steps that record their calls and answer as configured. The progress window is simulated by
// StartProgressWindow: it "extracts" and signals the event as the window would.
class FakeSteps : public fwupdate::UpdateSteps {
  public:
    explicit FakeSteps(fwupdate::SequenceState& state) : state_(state) {}

    uint32_t parseResult = 0;
    uint32_t optionFlags = 0;
    uint32_t powerResult = 0;
    bool folderOk = true;
    bool diskOk = true;
    int promptAnswer = platform::IDOK;
    bool windowStarts = true;
    bool extractionOk = true;
    bool hddOk = true;
    bool micomImagesFound = true;
    uint32_t runningBiosResult = 0;
    uint32_t readImageResult = 0;
    uint32_t selectResult = 0;
    uint32_t dateResult = 0;
    uint32_t modelResult = 0;
    uint32_t biosFlashResult = 0;
    uint32_t micomFlashResult = 0;
    uint32_t smiResult = 0;
    uint32_t autoOnResult = 0;

    std::vector<std::string> calls;
    std::vector<ShownMessage> messages;
    std::map<std::string, uint32_t> busyAt;  // the busy flag as each step saw it
    std::string readImageName;

    bool Called(const std::string& step) const {
        return std::find(calls.begin(), calls.end(), step) != calls.end();
    }

    uint32_t ParseOptions(std::string_view, UpdateContext& context) override {
        Record("ParseOptions");
        context.flags = optionFlags;
        return parseResult;
    }
    uint32_t CheckPower(const UpdateContext&) override { return Record("CheckPower"), powerResult; }
    bool PrepareWorkingFolder() override { return Record("PrepareWorkingFolder"), folderOk; }
    bool CheckDiskSpace(const UpdateContext&) override { return Record("CheckDiskSpace"), diskOk; }
    int Message(const UpdateContext& context, uint32_t type, const std::string& title,
                const std::string& text) override {
        Record("Message");
        if ((context.flags & fwupdate::kFlagNoMessageBox) != 0) {
            return platform::IDOK;
        }
        messages.push_back({type, title, text});
        return type == fwupdate::kMessageOkCancel ? promptAnswer : platform::IDOK;
    }
    bool StartProgressWindow() override {
        Record("StartProgressWindow");
        if (windowStarts) {
            if (!extractionOk) {
                state_.extractionResult = 0;
            }
            state_.extractionDone.Set();
        }
        return windowStarts;
    }
    void Pause(std::chrono::milliseconds duration) override {
        Record("Pause");
        pauses.push_back(duration);
    }
    void LockInput() override { Record("LockInput"); }
    void UnlockInput() override { Record("UnlockInput"); }
    void DumpRom() override { Record("DumpRom"); }
    void DeleteToolFiles() override { Record("DeleteToolFiles"); }
    void DeleteUnselectedImages(const UpdateContext&) override { Record("DeleteUnselectedImages"); }
    void DeleteDriverFile() override { Record("DeleteDriverFile"); }
    uint32_t CheckHddPassword() override { return Record("CheckHddPassword"), hddOk ? 0u : 0x80000004u; }
    void ListImages(UpdateContext& context) override {
        Record("ListImages");
        if (!micomImagesFound) {
            context.flags |= fwupdate::kFlagSkipMicom;
        }
    }
    uint32_t ReadRunningBios(UpdateContext& context) override {
        Record("ReadRunningBios");
        context.running.model = "KT40";
        context.running.partNumber = "001";
        context.running.version = "03AB";
        return runningBiosResult;
    }
    uint32_t ReadImage(std::string_view file, UpdateContext& context) override {
        Record("ReadImage");
        readImageName = std::string(file);
        context.image.version = "04AB";
        return readImageResult;
    }
    uint32_t SelectImages(UpdateContext& context) override {
        Record("SelectImages");
        context.image.model = "KT41";
        context.image.partNumber = "002";
        context.image.version = "05AB";
        return selectResult;
    }
    uint32_t CheckDate(const UpdateContext&) override { return Record("CheckDate"), dateResult; }
    void CompleteBiosCommand(UpdateContext& context) override {
        Record("CompleteBiosCommand");
        context.biosCommand += " /MODE=3";
    }
    uint32_t CheckModel(UpdateContext&) override { return Record("CheckModel"), modelResult; }
    void PatchEscd() override { Record("PatchEscd"); }
    uint32_t FlashBios(const UpdateContext&) override { return Record("FlashBios"), biosFlashResult; }
    uint32_t FlashMicom(const UpdateContext&) override { return Record("FlashMicom"), micomFlashResult; }
    uint32_t EnableSmi() override { return Record("EnableSmi"), smiResult; }
    uint32_t SetAutoPowerOn() override { return Record("SetAutoPowerOn"), autoOnResult; }
    void PowerOff() override { Record("PowerOff"); }

    std::vector<std::chrono::milliseconds> pauses;

  private:
    void Record(const std::string& step) {
        calls.push_back(step);
        busyAt[step] = state_.busy;
    }
    fwupdate::SequenceState& state_;
};

class FakeView : public fwupdate::ProgressView {
  public:
    void SetStatus(const std::string& text) override { updates.push_back("status:" + text); }
    void SetMark(ProgressStep step, StepMark mark) override {
        std::string line = "mark:";
        line += step == ProgressStep::kUnpack ? "unpack" : step == ProgressStep::kBios ? "bios" : "micom";
        line += mark == StepMark::kNone ? "=none" : mark == StepMark::kInProgress ? "=arrow" : "=check";
        updates.push_back(line);
    }
    void SetVersions(const std::string& current, const std::string& next) override {
        std::string line = "versions:";
        line.append(current).append("/").append(next);
        updates.push_back(line);
    }
    std::vector<std::string> updates;
};

class UpdateSequenceTest : public ::testing::Test {
  protected:
    uint32_t Run() {
        fwupdate::UpdateSequence sequence(steps_, view_, state_, *english_);
        uint32_t code = sequence.Run("");
        context_ = sequence.Context();
        return code;
    }
    static std::string English(uint32_t id) { return fwupdate::EnglishString(id); }

    std::unique_ptr<fwupdate::ResourceModule> english_ = fwupdate::ExecutableResources();
    fwupdate::SequenceState state_;
    FakeSteps steps_{state_};
    FakeView view_;
    UpdateContext context_;
};

TEST_F(UpdateSequenceTest, FullUpdateRunsEveryStepInOrderAndPowersOff) {
    EXPECT_EQ(Run(), 0u);
    const std::vector<std::string> expected = {"ParseOptions",
                                               "CheckPower",
                                               "PrepareWorkingFolder",
                                               "CheckDiskSpace",
                                               "Message",
                                               "StartProgressWindow",
                                               "Pause",
                                               "LockInput",
                                               "CheckHddPassword",
                                               "ListImages",
                                               "ReadRunningBios",
                                               "SelectImages",
                                               "CheckDate",
                                               "CompleteBiosCommand",
                                               "CheckModel",
                                               "FlashBios",
                                               "FlashMicom",
                                               "EnableSmi",
                                               "UnlockInput",
                                               "Message",
                                               "SetAutoPowerOn",
                                               "PowerOff",
                                               "DeleteDriverFile"};
    EXPECT_EQ(steps_.calls, expected);
    ASSERT_EQ(steps_.pauses.size(), 1u);
    EXPECT_EQ(steps_.pauses[0], std::chrono::milliseconds(100));

    ASSERT_EQ(steps_.messages.size(), 2u);
    EXPECT_EQ(steps_.messages[0].type, 65u);
    EXPECT_EQ(steps_.messages[0].title, "Warning");
    EXPECT_EQ(steps_.messages[0].text, English(16));
    EXPECT_EQ(steps_.messages[1].type, 64u);
    EXPECT_EQ(steps_.messages[1].title, "Update Complete");
    EXPECT_EQ(steps_.messages[1].text, English(20));

    const std::vector<std::string> updates = {
        "mark:unpack=arrow",    "status:" + English(5), "mark:unpack=check", "status:" + English(7),
        "versions:03AB/05AB",   "mark:bios=arrow",      "mark:bios=check",   "mark:micom=arrow",
        "status:" + English(8), "mark:micom=check"};
    EXPECT_EQ(view_.updates, updates);
    EXPECT_EQ(context_.biosCommand, "SWinFlash bios.wph /P /MODE=3");
}

TEST_F(UpdateSequenceTest, BusyFromWindowStartUntilTheLastHardwareStep) {
    EXPECT_EQ(Run(), 0u);
    EXPECT_EQ(steps_.busyAt["CheckDiskSpace"], 0u);
    EXPECT_EQ(steps_.busyAt["StartProgressWindow"], 1u);
    EXPECT_EQ(steps_.busyAt["FlashMicom"], 1u);
    EXPECT_EQ(steps_.busyAt["EnableSmi"], 1u);
    EXPECT_EQ(steps_.busyAt["UnlockInput"], 0u);
    EXPECT_EQ(state_.busy, 0u);
}

enum class Cleanup { kNone, kFull };

struct FailureCase {
    const char* name;
    void (*arrange)(FakeSteps&);
    uint32_t exitCode;
    Cleanup cleanup;
    const char* lastStep;  // the step that failed
    int title;             // string id of the message title; 0 for no message of the sequence
    int text;
};

const FailureCase kFailures[] = {
    {"option", [](FakeSteps& s) { s.parseResult = fwupdate::kResultInvalidOption; }, 0x8000000E,
     Cleanup::kNone, "ParseOptions", 54, 25},
    {"no AC", [](FakeSteps& s) { s.powerResult = fwupdate::kResultNoAc; }, 0x80000010, Cleanup::kNone,
     "CheckPower", 53, 34},
    {"battery", [](FakeSteps& s) { s.powerResult = fwupdate::kResultBatteryLow; }, 0x80000011, Cleanup::kNone,
     "CheckPower", 53, 35},
    {"both", [](FakeSteps& s) { s.powerResult = fwupdate::kResultNoAcAndBatteryLow; }, 0x80000012,
     Cleanup::kNone, "CheckPower", 53, 37},
    {"folder", [](FakeSteps& s) { s.folderOk = false; }, 0x8000000F, Cleanup::kNone, "PrepareWorkingFolder",
     52, 33},
    {"disk", [](FakeSteps& s) { s.diskOk = false; }, 0x80000001, Cleanup::kNone, "CheckDiskSpace", 0, 0},
    {"window", [](FakeSteps& s) { s.windowStarts = false; }, 0x80000002, Cleanup::kNone, "Pause", 42, 27},
    {"extraction", [](FakeSteps& s) { s.extractionOk = false; }, 0x80000003, Cleanup::kNone, "Pause", 43, 9},
    {"hdd", [](FakeSteps& s) { s.hddOk = false; }, 0x80000004, Cleanup::kFull, "CheckHddPassword", 44, 23},
    {"driver", [](FakeSteps& s) { s.runningBiosResult = 1; }, 0x80000005, Cleanup::kFull, "ReadRunningBios",
     45, 19},
    {"bios file", [](FakeSteps& s) { s.selectResult = fwupdate::kResultInvalidBiosFile; }, 0x8000000B,
     Cleanup::kFull, "SelectImages", 49, 30},
    {"micom file", [](FakeSteps& s) { s.selectResult = fwupdate::kResultNoMicomImage; }, 0x8000000C,
     Cleanup::kFull, "SelectImages", 50, 31},
    {"date", [](FakeSteps& s) { s.dateResult = 1; }, 0x80000013, Cleanup::kFull, "CheckDate", 55, 36},
    {"model", [](FakeSteps& s) { s.modelResult = fwupdate::kResultModelDiffers; }, 0x80000006, Cleanup::kFull,
     "CheckModel", 46, 21},
    {"part", [](FakeSteps& s) { s.modelResult = fwupdate::kResultPartDiffers; }, 0x80000007, Cleanup::kFull,
     "CheckModel", 46, 21},
    {"model+part", [](FakeSteps& s) { s.modelResult = fwupdate::kResultModelAndPartDiffer; }, 0x80000008,
     Cleanup::kFull, "CheckModel", 46, 21},
    {"bios flash", [](FakeSteps& s) { s.biosFlashResult = fwupdate::kResultBiosFlashFailed; }, 0x80000009,
     Cleanup::kFull, "FlashBios", 47, 28},
    {"micom flash", [](FakeSteps& s) { s.micomFlashResult = fwupdate::kResultMicomFlashFailed; }, 0x8000000A,
     Cleanup::kFull, "FlashMicom", 48, 29},
    {"smi", [](FakeSteps& s) { s.smiResult = 7; }, 0x8000000D, Cleanup::kFull, "EnableSmi", 51, 32},
};

TEST_F(UpdateSequenceTest, EachFailureEndsWithItsCodeCleanupAndMessage) {
    for (const FailureCase& failure : kFailures) {
        SCOPED_TRACE(failure.name);
        fwupdate::SequenceState state;
        FakeSteps steps(state);
        FakeView view;
        failure.arrange(steps);
        fwupdate::UpdateSequence sequence(steps, view, state, *english_);
        EXPECT_EQ(sequence.Run(""), failure.exitCode);
        EXPECT_EQ(state.busy, 0u);

        // Nothing after the failing step runs, except the cleanup and the message.
        auto failed = std::find(steps.calls.begin(), steps.calls.end(), failure.lastStep);
        ASSERT_NE(failed, steps.calls.end());
        std::vector<std::string> after(failed + 1, steps.calls.end());
        std::vector<std::string> expected;
        if (failure.cleanup == Cleanup::kFull) {
            expected = {"UnlockInput", "DeleteToolFiles", "DeleteUnselectedImages"};
        }
        if (failure.title != 0) {
            expected.push_back("Message");
        }
        EXPECT_EQ(after, expected);

        if (failure.title != 0) {
            ASSERT_FALSE(steps.messages.empty());
            const ShownMessage& shown = steps.messages.back();
            EXPECT_EQ(shown.type, 16u);
            EXPECT_EQ(shown.title, English(static_cast<uint32_t>(failure.title)));
            if (failure.text != 21) {
                // The texts are formats: "30%%" prints as "30%".
                std::string text = English(static_cast<uint32_t>(failure.text));
                for (size_t at = text.find("%%"); at != std::string::npos; at = text.find("%%", at + 1)) {
                    text.erase(at, 1);
                }
                EXPECT_EQ(shown.text, text);
            }
        }
        EXPECT_FALSE(steps.Called("PowerOff"));
    }
}

TEST_F(UpdateSequenceTest, InvalidOptionTouchesNeitherTheDriverNorTheStartFolder) {
    steps_.parseResult = fwupdate::kResultInvalidOption;
    EXPECT_EQ(Run(), fwupdate::kResultInvalidOption);
    EXPECT_FALSE(steps_.Called("UnlockInput"));
    EXPECT_FALSE(steps_.Called("DeleteToolFiles"));
    EXPECT_FALSE(steps_.Called("DeleteUnselectedImages"));
    EXPECT_FALSE(steps_.Called("CheckPower"));
    ASSERT_EQ(steps_.messages.size(), 1u);
    EXPECT_EQ(steps_.messages[0].title, English(54));
}

TEST_F(UpdateSequenceTest, ModelFailureNamesBothModelsAndPartNumbers) {
    steps_.modelResult = fwupdate::kResultModelAndPartDiffer;
    EXPECT_EQ(Run(), fwupdate::kResultModelAndPartDiffer);
    ASSERT_FALSE(steps_.messages.empty());
    const std::string& text = steps_.messages.back().text;
    EXPECT_NE(text.find("Current Model (BIOS Part Number) : KT40(001)"), std::string::npos) << text;
    EXPECT_NE(text.find("New Model (BIOS Part Number) : KT41(002)"), std::string::npos) << text;
    EXPECT_EQ(text.find("%s"), std::string::npos);
}

TEST_F(UpdateSequenceTest, CancelAtThePromptEndsWithZeroBeforeTheWindow) {
    steps_.promptAnswer = platform::IDCANCEL;
    EXPECT_EQ(Run(), 0u);
    EXPECT_EQ(steps_.calls.back(), "Message");
    EXPECT_TRUE(steps_.Called("PrepareWorkingFolder"));
    EXPECT_FALSE(steps_.Called("StartProgressWindow"));
    EXPECT_FALSE(steps_.Called("UnlockInput"));
    EXPECT_TRUE(view_.updates.empty());
}

TEST_F(UpdateSequenceTest, ReadBiosDumpsTheRomAndStops) {
    steps_.optionFlags = fwupdate::kFlagReadBios;
    EXPECT_EQ(Run(), 0u);
    const std::vector<std::string> tail = {"LockInput", "DumpRom", "DeleteToolFiles", "UnlockInput"};
    ASSERT_GE(steps_.calls.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(steps_.calls.end() - 4, steps_.calls.end()), tail);
    EXPECT_FALSE(steps_.Called("CheckHddPassword"));
    EXPECT_FALSE(steps_.Called("FlashBios"));
    EXPECT_FALSE(steps_.Called("PowerOff"));
}

TEST_F(UpdateSequenceTest, BlockPowerOffOrNoMicomEndsWithoutPowerOff) {
    struct Case {
        const char* name;
        uint32_t flags;
        bool micomImages;
        bool micomFlashed;
    };
    const Case cases[] = {
        {"/BLOCK_POWER_OFF", fwupdate::kFlagBlockPowerOff, true, true},
        {"/SKIP_UPDATE_MICOM", fwupdate::kFlagSkipMicom, true, false},
        {"no *.bin in the payload", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fwupdate::SequenceState state;
        FakeSteps steps(state);
        FakeView view;
        steps.optionFlags = c.flags;
        steps.micomImagesFound = c.micomImages;
        fwupdate::UpdateSequence sequence(steps, view, state, *english_);
        EXPECT_EQ(sequence.Run(""), 0u);
        EXPECT_EQ(steps.calls.back(), "DeleteDriverFile");
        EXPECT_FALSE(steps.Called("PowerOff"));
        EXPECT_FALSE(steps.Called("SetAutoPowerOn"));
        EXPECT_EQ(steps.messages.size(), 1u);  // the prompt only
        EXPECT_EQ(steps.Called("FlashMicom"), c.micomFlashed);
        bool micomMarked =
            std::find(view.updates.begin(), view.updates.end(), "mark:micom=arrow") != view.updates.end();
        EXPECT_EQ(micomMarked, c.micomFlashed);
    }
}

TEST_F(UpdateSequenceTest, VistaUpgradeShowsNoBoxAndLeavesTheMachineRunning) {
    steps_.optionFlags = 0x20000 | 0x1 | 0x20;
    EXPECT_EQ(Run(), 0u);
    EXPECT_TRUE(steps_.messages.empty());
    EXPECT_EQ(std::count(steps_.calls.begin(), steps_.calls.end(), "Message"), 0);
    EXPECT_FALSE(steps_.Called("PowerOff"));
    EXPECT_TRUE(steps_.Called("FlashMicom"));
}

TEST_F(UpdateSequenceTest, NoMessageBoxStillEndsWithTheFailureCode) {
    steps_.optionFlags = fwupdate::kFlagNoMessageBox;
    steps_.dateResult = 1;
    EXPECT_EQ(Run(), fwupdate::kResultBiosNewer);
    EXPECT_TRUE(steps_.messages.empty());
}

TEST_F(UpdateSequenceTest, SkipUpdateFilesReadsBiosWphInsteadOfSelecting) {
    steps_.optionFlags = fwupdate::kFlagSkipUpdateFiles;
    EXPECT_EQ(Run(), 0u);
    EXPECT_FALSE(steps_.Called("SelectImages"));
    EXPECT_EQ(steps_.readImageName, "bios.wph");

    fwupdate::SequenceState state;
    FakeSteps steps(state);
    FakeView view;
    steps.optionFlags = fwupdate::kFlagSkipUpdateFiles;
    steps.readImageResult = 0x8000000B;
    fwupdate::UpdateSequence sequence(steps, view, state, *english_);
    EXPECT_EQ(sequence.Run(""), fwupdate::kResultInvalidBiosFile);
}

TEST_F(UpdateSequenceTest, BreakEscdPatchesBeforeTheBiosFlash) {
    steps_.optionFlags = fwupdate::kFlagBreakEscd;
    EXPECT_EQ(Run(), 0u);
    auto patch = std::find(steps_.calls.begin(), steps_.calls.end(), "PatchEscd");
    auto flash = std::find(steps_.calls.begin(), steps_.calls.end(), "FlashBios");
    ASSERT_NE(patch, steps_.calls.end());
    EXPECT_LT(patch - steps_.calls.begin(), flash - steps_.calls.begin());
}

TEST_F(UpdateSequenceTest, FailedAutoPowerOnIsShownAndThePowerStillGoesOff) {
    steps_.autoOnResult = 1;
    EXPECT_EQ(Run(), 0u);
    ASSERT_EQ(steps_.messages.size(), 3u);
    EXPECT_EQ(steps_.messages[2].type, 16u);
    EXPECT_EQ(steps_.messages[2].title, English(40));
    EXPECT_EQ(steps_.messages[2].text, English(26));
    EXPECT_TRUE(steps_.Called("PowerOff"));
    EXPECT_EQ(steps_.calls.back(), "DeleteDriverFile");
}

TEST(AutoResetEvent, ASignalIsConsumedByOneWait) {
    fwupdate::AutoResetEvent event;
    event.Set();
    event.Wait();
    // The first signal is used up: the next wait can only end through the second thread's signal,
    // which comes after its flag.
    std::atomic<bool> setterRan{false};
    std::thread setter([&] {
        setterRan = true;
        event.Set();
    });
    event.Wait();
    EXPECT_TRUE(setterRan);
    setter.join();
}

}  // namespace
