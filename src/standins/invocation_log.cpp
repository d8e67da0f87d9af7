#include "standins/invocation_log.h"

#include <filesystem>
#include <system_error>

#include "platform/debug_output.h"
#include "platform/message_box.h"
#include "platform/system_root.h"

namespace standins {

bool AppendInvocation(const std::string& logName, const std::vector<std::string>& argv) {
    std::string line = "{\"argv\": [";
    for (size_t i = 0; i < argv.size(); ++i) {
        if (i > 0) {
            line += ", ";
        }
        line += '"';
        line += platform::JsonEscape(argv[i]);
        line += '"';
    }
    std::error_code ec;
    line += "], \"cwd\": \"";
    line += platform::JsonEscape(std::filesystem::current_path(ec).string());
    line += "\"}\n";
    return platform::AppendToFile((platform::WindowsFolder() / logName).string(), line);
}

}  // namespace standins
