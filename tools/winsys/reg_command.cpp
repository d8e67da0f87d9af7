#include <cstdio>

#include "winsys/commands.h"

namespace winsys {

int RunReg(const std::vector<std::string>&) {
    std::fputs("winsys: reg is not available yet\n", stderr);
    return 1;
}

}  // namespace winsys
