#include "support/run_command.h"

#include <sys/wait.h>

#include <cstdio>

namespace kit_test {

CommandResult RunCommand(const std::string& commandLine) {
    CommandResult result;
    std::string command = commandLine + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

CommandResult RunKitProgram(const std::string& program, const std::string& arguments) {
    return RunCommand(std::string(KIT_BIN_DIR) + "/" + program + " " + arguments);
}

}  // namespace kit_test
