#pragma once

// Which setup INI the command line comes from when drvsetup is started without arguments. The
// products themselves always come from "drvInstall.ini"; the language variants and "_vSetup.ini" only
// carry the command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drvsetup {

// "drvInstall.cht", ".chs", ".jpn", ".FRA", ".DEU", ".ITA", ".NLD", ".ENS" for the exact LCIDs of those
// languages, "drvInstall.ini" for any other.
std::string SetupIniFileNameForLcid(uint32_t lcid);

// The executable folder and the language's file name, or "drvInstall.ini" in that folder when the
// language's file does not exist (whether or not that one does).
std::string LocalizedSetupIniPath();
// The executable folder and "_vSetup.ini".
std::string FallbackSetupIniPath();

// LocalizedSetupIniPath when it exists, else FallbackSetupIniPath when that exists, else none.
std::optional<std::string> FindSetupIni();

// The command-line text: the arguments when there are any; otherwise "CmdLineParameter" of
// [InstallData] in the setup INI (empty when missing). Without arguments and without any setup INI it
// shows "Can't find Ini file" and returns none: the caller then ends with code 0 and creates no window.
std::optional<std::string> ObtainCmdLineText(const std::vector<std::string>& arguments);

}  // namespace drvsetup
