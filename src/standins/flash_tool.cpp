#include "standins/flash_tool.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/system_root.h"

namespace standins {

std::string ToolCommandText(const std::vector<std::string>& argv) {
    std::string name = platform::FileNamePart(argv.empty() ? std::string() : argv[0]);
    std::string extension = platform::ExtensionPart(name);
    std::string text = name.substr(0, name.size() - extension.size());
    for (size_t i = 1; i < argv.size(); ++i) {
        text += ' ';
        text += argv[i];
    }
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool ReadImageFile(const std::string& name, std::vector<uint8_t>& bytes) {
    std::string content;
    if (name.empty() || !platform::ReadWholeFile(platform::NativePath(name), content))
        return false;
    bytes.assign(content.begin(), content.end());
    return true;
}

int FlashMachine(const std::vector<std::string>& argv, int status,
                 const std::function<int(platform::Machine&)>& flash) {
    std::string commandText = ToolCommandText(argv);
    // A slow flash is spent outside the machine's lock, as a real tool spends it talking to the chip.
    if (platform::Result<platform::Machine> machine = platform::ReadMachine(platform::MachineFolder()))
        std::this_thread::sleep_for(std::chrono::seconds(machine->settings().flashToolSeconds));
    platform::Result<void> done =
        platform::UpdateMachine(platform::MachineFolder(), [&](platform::Machine& m) {
            m.state().history.push_back(commandText);
            if (status == kFlashDone)
                status = flash(m);
        });
    if (!done) {
        std::fprintf(stderr, "%s: %s\n", commandText.c_str(), done.error().message.c_str());
        return kFlashNoMachine;
    }
    return status;
}

}  // namespace standins
