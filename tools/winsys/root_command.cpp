#include <cstdio>

#include "platform/system_root.h"
#include "winsys/commands.h"

namespace winsys {

void SelectRoot(const std::string& root) { platform::UseSystemRoot(root); }

int RunInit(const std::vector<std::string>&) { return 1; }

int RunShow(const std::vector<std::string>&) {
    std::printf("%s\n", platform::CurrentSystemRoot().c_str());
    return 0;
}

}  // namespace winsys
