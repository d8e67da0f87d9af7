#pragma once

// Runs a shell command line for an end-to-end test and collects what it prints.

#include <string>

namespace kit_test {

struct CommandResult {
    int status = -1;     // exit status, -1 when it did not exit normally
    std::string output;  // standard output and standard error together
};

CommandResult RunCommand(const std::string& commandLine);
// A program of the kit's build/bin folder with its arguments.
CommandResult RunKitProgram(const std::string& program, const std::string& arguments);

}  // namespace kit_test
