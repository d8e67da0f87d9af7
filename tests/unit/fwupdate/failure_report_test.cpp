// The failure report: every result code's title and text, which codes clean up, and the report.
#include "fwupdate/failure_report.h"

#include <gtest/gtest.h>

#include "fwupdate/resource_module.h"
#include "message_log.h"

namespace {

using fwupdate_test::MessageLog;

struct Expectation {
    uint32_t result;
    const char* title;
    const char* text;  // the English table text as shown ("%%" printed as "%")
    bool cleansUp;
    bool deletesFiles;
};

const Expectation kExpectations[] = {
    {0x80000002, "Fatal Error", "Initializing program failed.", false, false},
    {0x80000003, "Fail : Unpack", "File Extraction failed.\n\nProgram will be terminated.", false, false},
    {0x80000004, "Fail : HDD Password",
     "The HDD is password protected.\n\nRelease the password protection for the HDD in the BIOS Setup and "
     "try "
     "again.\n\nProgram is terminated.",
     true, true},
    {0x80000005, "Fail : Driver Load", "Loading driver failed.\n\nRestart system.", true, true},
    {0x80000006, "Fail : Model(Bios Part Number)", nullptr, true, true},
    {0x80000007, "Fail : Model(Bios Part Number)", nullptr, true, true},
    {0x80000008, "Fail : Model(Bios Part Number)", nullptr, true, true},
    {0x80000009, "Fail : Update Bios", "BIOS Update failed.", true, true},
    {0x8000000A, "Fail : Micom", "MICOM Update failed.", true, true},
    {0x8000000B, "Fail : Bios File", "Invalid BIOS file.", true, true},
    {0x8000000C, "Fail : Micom File", "Invalid MICOM file.", true, true},
    {0x8000000D, "Fail : Enable SMI", "SMI setting failed.", true, true},
    {0x8000000E, "Fail : Invalid Option", "Invalid Option.\nCheck the option.", true, false},
    {0x8000000F, "Fail : Directory", "Creating directory failed.", false, false},
    {0x80000010, "Fail : Power",
     "AC adapter is not connected.\n\nFor an update, the AC adapter has to be connected.", false, false},
    {0x80000011, "Fail : Power",
     "There is no installed battery or the remaining charge level of the battery is lower than 30%.\n\nCheck "
     "your battery.",
     false, false},
    {0x80000012, "Fail : Power",
     "The AC adapter is not connected and there is no installed battery or the remaing charge of the battery "
     "is lower than 30%. \n\nCheck your adapter and battery.",
     false, false},
    {0x80000013, "Fail : Bios Date",
     "The system BIOS is a newer version than the update.\n\n The update will be terminated.", true, true},
};

const char* kModelText =
    "The BIOS/MICOM model to be updated is different.\n\nCheck the program.\n\n Current Model (BIOS Part "
    "Number) : NB10(011)\n\n     New Model (BIOS Part Number) : NB20(012)";

TEST(FailureReport, EveryCodeHasItsTitleTextAndCleanup) {
    auto english = fwupdate::ExecutableResources();
    fwupdate::BiosIdentity running;
    running.model = "NB10";
    running.partNumber = "011";
    fwupdate::ImageIdentity image;
    image.model = "NB20";
    image.partNumber = "012";
    ASSERT_EQ(fwupdate::FailureTexts().size(), std::size(kExpectations));
    for (const Expectation& e : kExpectations) {
        SCOPED_TRACE(testing::Message() << std::hex << e.result);
        ASSERT_TRUE(fwupdate::FailureTextOf(e.result));
        EXPECT_EQ(fwupdate::FailureTitle(*english, e.result), e.title);
        EXPECT_EQ(fwupdate::FailureMessage(*english, e.result, {&running, &image}),
                  e.text != nullptr ? e.text : kModelText);
        EXPECT_EQ(fwupdate::CleansUpAfter(e.result), e.cleansUp);
        EXPECT_EQ(fwupdate::DeletesFilesAfter(e.result), e.deletesFiles);
    }
}

TEST(FailureReport, CodesOutsideTheTableShowTheFatalErrorAndCleanUpByTheirValue) {
    auto english = fwupdate::ExecutableResources();
    for (uint32_t result : {0x80000001u, 0x80000014u, 0x12345678u}) {
        EXPECT_FALSE(fwupdate::FailureTextOf(result));
        EXPECT_EQ(fwupdate::FailureTitle(*english, result), "Fatal Error");
        EXPECT_EQ(fwupdate::FailureMessage(*english, result, {}), "Initializing program failed.");
    }
    EXPECT_FALSE(fwupdate::CleansUpAfter(0x80000001));
    EXPECT_TRUE(fwupdate::CleansUpAfter(0x80000014));
}

TEST(FailureReport, ModelTextWithoutIdentitiesShowsEmptyFields) {
    auto english = fwupdate::ExecutableResources();
    std::string text = fwupdate::FailureMessage(*english, 0x80000007, {});
    EXPECT_NE(text.find("Current Model (BIOS Part Number) : ()"), std::string::npos) << text;
}

struct Calls {
    std::vector<std::string> order;
    fwupdate::CleanupActions Actions() {
        return {[this] { order.push_back("busy"); }, [this] { order.push_back("unlock"); },
                [this] { order.push_back("tools"); }, [this] { order.push_back("images"); }};
    }
};

TEST(FailureReport, ReportRunsTheCleanupThenShowsOneBoxAndReturnsTheCode) {
    struct Case {
        uint32_t result;
        std::vector<std::string> calls;
    } cases[] = {
        {0x80000003, {"busy"}},
        {0x80000009, {"busy", "unlock", "tools", "images"}},
        {0x8000000E, {"busy", "unlock"}},
        {0x80000011, {"busy"}},
    };
    auto english = fwupdate::ExecutableResources();
    for (const Case& c : cases) {
        MessageLog log;
        Calls calls;
        EXPECT_EQ(fwupdate::ReportFailure(c.result, 0, *english, {}, calls.Actions()), c.result);
        EXPECT_EQ(calls.order, c.calls) << std::hex << c.result;
        EXPECT_EQ(log.Lines(), std::vector<std::string>{MessageLog::Expected(
                                   fwupdate::FailureTitle(*english, c.result),
                                   fwupdate::FailureMessage(*english, c.result, {}), 16, platform::IDOK)});
    }
}

TEST(FailureReport, NoMessageBoxStillCleansUpAndReturnsTheCode) {
    auto english = fwupdate::ExecutableResources();
    MessageLog log;
    Calls calls;
    EXPECT_EQ(fwupdate::ReportFailure(0x8000000B, fwupdate::kFlagNoMessageBox, *english, {}, calls.Actions()),
              0x8000000Bu);
    EXPECT_EQ(calls.order, (std::vector<std::string>{"busy", "unlock", "tools", "images"}));
    EXPECT_TRUE(log.Lines().empty());
    // Missing actions are skipped.
    EXPECT_EQ(fwupdate::ReportFailure(0x8000000B, fwupdate::kFlagNoMessageBox, *english, {}, {}),
              0x8000000Bu);
}

}  // namespace
