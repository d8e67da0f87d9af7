#include "drvsetup/shell/cmd_line.h"

#include <gtest/gtest.h>

#include "drvsetup/shell/framework_int.h"

namespace {

using drvsetup::CmdLineTokens;
using drvsetup::ParseCmdLine;

std::vector<std::string> Tokens() {
    const auto& table = CmdLineTokens();
    std::vector<std::string> tokens(table.slots.begin(), table.slots.begin() + table.count);
    return tokens;
}

TEST(CmdLine, Tokeniser) {
    struct {
        const char* text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"7 1 ", {"7", "1"}},
        {"  7    0   /s  ", {"7", "0", "/s"}},
        {"\t\r\n 7 \t", {"7"}},
        {"a\tb c", {"a\tb", "c"}},  // only the space separates
        {"a \t b", {"a", "b"}},     // blanks after a separating space are dropped
        {"", {}},
        {"   ", {}},
        {"1 2 3 4 5 6 7 8 9 10 11 12", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
    };
    for (const auto& c : cases) {
        ParseCmdLine(c.text);
        EXPECT_EQ(Tokens(), c.tokens) << '"' << c.text << '"';
        EXPECT_EQ(CmdLineTokens().count, static_cast<int32_t>(c.tokens.size())) << c.text;
        for (size_t i = c.tokens.size(); i < drvsetup::CmdLineTokenTable::kSlots; ++i) {
            EXPECT_TRUE(CmdLineTokens().slots[i].empty()) << c.text;
        }
    }
}

TEST(CmdLine, ArgumentsBecomeTextWithTrailingSpaces) {
    EXPECT_EQ(drvsetup::CmdLineTextFromArguments({"12", "1", "/s"}), "12 1 /s ");
    // A quoted argument with a space inside arrives as one argument but becomes two tokens.
    ParseCmdLine(drvsetup::CmdLineTextFromArguments({"a b"}));
    EXPECT_EQ(Tokens(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(drvsetup::CmdLineTextFromArguments({}), "");
}

TEST(CmdLine, SilentSwitchAnywhereAnyCase) {
    struct {
        const char* text;
        bool silent;
    } cases[] = {
        {"/s", true},
        {"/S", true},
        {"7 1 /s", true},
        {"/s 7 1", true},
        {"7 /S 1", true},
        {"7 1", false},
        {"/silent", false},
        {"s", false},
        {"-s", false},
        {"", false},
        {"1 2 3 4 5 6 7 8 9 /s", true},      // the tenth slot
        {"1 2 3 4 5 6 7 8 9 10 /s", false},  // an eleventh token is not kept
    };
    for (const auto& c : cases) {
        ParseCmdLine(c.text);
        EXPECT_EQ(drvsetup::IsSilentCmdLine(), c.silent) << c.text;
    }
}

TEST(CmdLine, FrameworkIntegerSyntax) {
    struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        {"12", 12},
        {"  12", 12},
        {"+7", 7},
        {"-7", -7},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},
        {"12 ", std::nullopt},
        {"\t12", std::nullopt},
        {"1a", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"/s", std::nullopt},
        {"007", 7},
        {"0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drvsetup::ParseFrameworkInt(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(CmdLine, ProductAndActionTokens) {
    const std::vector<int32_t> installDrivers = {0, 5, 7, 7, 12};
    struct {
        const char* text;
        std::optional<size_t> product;
        int32_t autoInstall;
        int32_t autoUninstall;
    } cases[] = {
        {"7 1 ", 2, 1, 0},        {"  7    0   /s  ", 2, 0, 1},
        {"7 x 1 0", 2, 1, 0},  // x is skipped, the scan stops at 1
        {"7 0x1", 2, 1, 0},    // action tokens use the same integer syntax
        {"7 5 2 0", 2, 0, 1},     {"7", 2, 0, 0},
        {"12 /s", 4, 0, 0},  // /s is not an action: the scan goes on and ends
        {"/s", 0, 0, 0},     // reads as product 0: the first setting without InstallDriver
        {"abc 1", 0, 1, 0},       {"99 1", std::nullopt, 0, 0},
        {"", std::nullopt, 0, 0},
    };
    for (const auto& c : cases) {
        ParseCmdLine(c.text);
        std::optional<size_t> product = drvsetup::SelectProductByToken(installDrivers);
        EXPECT_EQ(product, c.product) << c.text;
        drvsetup::CmdLineParam param;
        if (product) {
            drvsetup::ApplyActionTokens(param);
        }
        EXPECT_EQ(param.AutoInstall(), c.autoInstall) << c.text;
        EXPECT_EQ(param.AutoUninstall(), c.autoUninstall) << c.text;
    }
}

TEST(CmdLine, OnlyTheFirstTenSettingsAreConsidered) {
    std::vector<int32_t> installDrivers(12, 1);
    installDrivers[10] = 42;
    ParseCmdLine("42 1");
    EXPECT_FALSE(drvsetup::SelectProductByToken(installDrivers).has_value());
    installDrivers[9] = 42;
    EXPECT_EQ(drvsetup::SelectProductByToken(installDrivers), 9u);
}

}  // namespace
