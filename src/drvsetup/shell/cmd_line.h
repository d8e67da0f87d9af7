#pragma once

// The command line of drvsetup: where its text comes from, its tokens, the silent switch, and the
// product and action tokens that let a caller install or uninstall one product without a person.
//
// Typical command lines, N being a product's InstallDriver number: "N 1 /s" installs product N
// silently, "N 0" uninstalls it with the window visible, "N" alone preselects it and waits.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drvsetup {

// The process-wide token table: filled once by ParseCmdLine before the main window exists, read only
// afterwards. A stored token is never empty, so an empty slot ends the tokens.
struct CmdLineTokenTable {
    static constexpr int kSlots = 10;
    std::array<std::string, kSlots> slots;
    int32_t count = 0;
};
const CmdLineTokenTable& CmdLineTokens();

// Only the space character separates tokens; other blanks inside a token stay part of it, and blanks
// (any character up to code 32) around the text and between tokens are dropped. Tokens after the
// tenth are ignored.
void ParseCmdLine(std::string_view text);

// True when a token, in lower case, is "/s"; it may stand anywhere.
bool IsSilentCmdLine();

// The unattended action asked for by the command line; owned by the installer window.
class CmdLineParam {
  public:
    int32_t AutoInstall() const { return autoInstall; }
    void SetAutoInstall(int32_t value) { autoInstall = value; }
    int32_t AutoUninstall() const { return autoUninstall; }
    void SetAutoUninstall(int32_t value) { autoUninstall = value; }

  private:
    int32_t autoInstall = 0;
    int32_t autoUninstall = 0;
};

// The text handed to the tokeniser when drvsetup has arguments: each argument followed by one space
// ("12", "1", "/s" give "12 1 /s ").
std::string CmdLineTextFromArguments(const std::vector<std::string>& arguments);

// The product token (slot 0 as an integer, 0 for text that is not one), when there is a token.
std::optional<int32_t> ProductToken();

// The first of the first ten settings whose InstallDriver value equals the product token, given the
// InstallDriver values of the setup INI's settings in the loader's order. None without tokens or
// without a match.
std::optional<size_t> SelectProductByToken(const std::vector<int32_t>& installDriverValues);

// Scans the action tokens (slots 1 to 9) once a product was selected: 1 asks for an install, 0 for an
// uninstall; the scan stops at the first of them or at the end of the tokens, and skips any other token.
void ApplyActionTokens(CmdLineParam& param);

}  // namespace drvsetup
