#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    std::string line;
    Args expected;
};

TEST(CommandLine, SplitsAsTheWindowsRuntime) {
    const std::vector<SplitCase> cases = {
        {"", {}},
        {" \t ", {}},
        {"a b\tc", {"a", "b", "c"}},
        {"  a   b  ", {"a", "b"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"("" x)", {"", "x"}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"("unterminated b)", {"unterminated b"}},
        // Backslashes are literal unless a quote follows them.
        {R"(c:\dir\ x)", {R"(c:\dir\)", "x"}},
        {R"(\\server\share)", {R"(\\server\share)"}},
        {R"(a\\\\b)", {R"(a\\\\b)"}},
        // 2n backslashes and a quote: n backslashes, and the quote toggles.
        {R"("c:\dir\\" b)", {R"(c:\dir\)", "b"}},
        {R"(\\"a b")", {R"(\a b)"}},
        {R"(\\\\"a")", {R"(\\a)"}},
        // 2n+1 backslashes and a quote: n backslashes and a literal quote.
        {R"(\"a b)", {R"("a)", "b"}},
        {R"(\\\"a)", {R"(\"a)"}},
        {R"("x \" y")", {R"(x " y)"}},
        // A doubled quote inside quotes is a literal quote, and quoting goes on.
        {R"("a""b c" d)", {R"(a"b c)", "d"}},
        {R"("""")", {R"(")"}},
        {std::string("a b\0c d", 7), {"a", "b"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(platform::SplitArguments(c.line), c.expected) << "line: " << c.line;
    }
}

struct ModuleCase {
    std::string line;
    std::vector<std::pair<std::string, std::string>> expected;  // name, arguments
};

TEST(CommandLine, ModuleCandidatesInTheOrderWindowsTriesThem) {
    const std::vector<ModuleCase> cases = {
        {"", {}},
        {"   ", {}},
        {R"("c:\a b\t.exe" x "y z")", {{R"(c:\a b\t.exe)", R"( x "y z")"}}},
        {R"("c:\a b\t.exe"x)", {{R"(c:\a b\t.exe)", "x"}}},
        {R"("unterminated name)", {{"unterminated name", ""}}},
        {R"(c:\program files\sub dir\program name)",
         {{R"(c:\program)", R"( files\sub dir\program name)"},
          {R"(c:\program files\sub)", R"( dir\program name)"},
          {R"(c:\program files\sub dir\program)", " name"},
          {R"(c:\program files\sub dir\program name)", ""}}},
        {"  tool \t a", {{"tool", " \t a"}, {"tool \t a", ""}}},
        {std::string("tool a\0junk", 11), {{"tool", " a"}, {"tool a", ""}}},
    };
    for (const ModuleCase& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const platform::ModuleCandidate& candidate : platform::ModuleCandidates(c.line)) {
            got.emplace_back(candidate.name, candidate.arguments);
        }
        EXPECT_EQ(got, c.expected) << "line: " << c.line;
    }
}

TEST(CommandLine, JoinedArgumentsSplitBackUnchanged) {
    const Args fixed = {"",
                        "plain",
                        "a b",
                        "tab\there",
                        R"(a"b)",
                        R"(c:\dir\)",
                        R"(\\server\share\)",
                        R"(\")",
                        R"(x\\"y)",
                        R"(ends with \\)",
                        R"("")"};
    EXPECT_EQ(platform::SplitArguments(platform::JoinArguments(fixed)), fixed);
    EXPECT_EQ(platform::QuoteArgument("plain"), "plain");

    // Random arguments over the characters that matter to the rules.
    std::mt19937 rng(12345);
    const std::string alphabet = "ab \t\"\\";
    for (int round = 0; round < 2000; ++round) {
        Args args(1 + rng() % 4);
        for (std::string& arg : args) {
            size_t length = rng() % 8;
            for (size_t i = 0; i < length; ++i) {
                arg.push_back(alphabet[rng() % alphabet.size()]);
            }
        }
        std::string line = platform::JoinArguments(args);
        ASSERT_EQ(platform::SplitArguments(line), args) << "line: " << line;
    }
}

TEST(CommandLine, GarbageAndHugeLinesAreHandled) {
    std::mt19937 rng(7);
    std::string garbage(100000, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(1 + rng() % 255);  // no NUL, so the whole line is read
    }
    std::vector<std::string> split = platform::SplitArguments(garbage);
    size_t total = 0;
    for (const std::string& arg : split) {
        total += arg.size();
    }
    EXPECT_LE(total, garbage.size());

    // Every blank starts a reading of the program part; the readings view the line, not copies.
    std::string blanks;
    for (int i = 0; i < 50000; ++i) {
        blanks += "a ";
    }
    std::vector<platform::ModuleCandidate> candidates = platform::ModuleCandidates(blanks);
    ASSERT_EQ(candidates.size(), 50001U);
    EXPECT_EQ(candidates.back().name.size(), blanks.size());
}

}  // namespace
