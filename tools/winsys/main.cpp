// winsys: creates and inspects a system root, its registry and its simulated notebook.
#include <cstdio>
#include <cstring>
#include <string>

#include "winsys/commands.h"

namespace {

void Usage() {
    std::fputs(
        "usage: winsys [--root DIR] COMMAND ...\n"
        "  init DIR --os NAME [--lcid N] [--langid N] [--codepage N]\n"
        "  show\n"
        "  reg query KEY | reg export KEY FILE | reg import FILE\n"
        "  machine init|show|set|power-on|power-off ...\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--root") {
        winsys::SelectRoot(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        Usage();
        return 2;
    }
    std::string command = args[0];
    args.erase(args.begin());
    if (command == "init")
        return winsys::RunInit(args);
    if (command == "show")
        return winsys::RunShow(args);
    if (command == "reg")
        return winsys::RunReg(args);
    if (command == "machine")
        return winsys::RunMachine(args);
    if (command == "--help" || command == "-h" || command == "help") {
        Usage();
        return 0;
    }
    std::fprintf(stderr, "winsys: unknown command '%s'\n", command.c_str());
    Usage();
    return 2;
}
