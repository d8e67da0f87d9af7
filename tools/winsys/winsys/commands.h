#pragma once

// The subcommands of winsys. Each takes the arguments after its name and returns the exit status.

#include <string>
#include <vector>

namespace winsys {

void SelectRoot(const std::string& root);
int RunInit(const std::vector<std::string>& args);
int RunShow(const std::vector<std::string>& args);
int RunReg(const std::vector<std::string>& args);
int RunMachine(const std::vector<std::string>& args);

}  // namespace winsys
