// winsys machine: creates, shows and changes the simulated notebook of the system root.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"
#include "platform/machine_hardware.h"
#include "platform/services.h"
#include "platform/system_root.h"
#include "winsys/commands.h"

namespace winsys {

namespace {

void MachineUsage() {
    std::fputs(
        "usage: winsys machine init [--KEY VALUE | KEY=VALUE]...\n"
        "       winsys machine show [--json]\n"
        "       winsys machine set KEY=VALUE... (also ec:ADDRESS=BYTE)\n"
        "       winsys machine power-on | power-off\n"
        "       winsys machine image [-o] FILE [--KEY VALUE | KEY=VALUE]...  (a BIOS image for this "
        "machine;\n"
        "                            also --build-date MM/DD/YY and --rom-size 512K|1M)\n"
        "       winsys machine micom [-o] FILE --version X.YY  (an embedded-controller image)\n"
        "keys:\n",
        stderr);
    for (const platform::MachineKey& key : platform::MachineKeys())
        std::fprintf(stderr, "  %-18s %s\n", key.name, key.help);
}

// "KEY=VALUE" pairs and "--key value" options, in order; dashes in a key name stand for underscores.
bool CollectAssignments(const std::vector<std::string>& args, bool allowOptions,
                        std::vector<std::pair<std::string, std::string>>& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string key, value;
        if (allowOptions && a.starts_with("--")) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "winsys machine: %s needs a value\n", a.c_str());
                return false;
            }
            key = a.substr(2);
            value = args[++i];
        } else if (size_t eq = a.find('='); eq != std::string::npos && eq > 0) {
            key = a.substr(0, eq);
            value = a.substr(eq + 1);
        } else {
            std::fprintf(stderr, "winsys machine: expected KEY=VALUE, got '%s'\n", a.c_str());
            return false;
        }
        for (char& c : key)
            if (c == '-')
                c = '_';
        out.emplace_back(key, value);
    }
    return true;
}

// Applies every assignment or none.
bool Apply(platform::Machine& machine, const std::vector<std::pair<std::string, std::string>>& assignments) {
    platform::Machine changed = machine;
    for (const auto& [key, value] : assignments) {
        // "ec:ADDRESS=VALUE" sets an embedded-controller register.
        if (key.starts_with("ec:")) {
            unsigned long address = 0, byte = 0;
            char* end = nullptr;
            address = std::strtoul(key.c_str() + 3, &end, 0);
            bool good = key.size() > 3 && *end == 0 && address <= 0xFFFF;
            byte = std::strtoul(value.c_str(), &end, 0);
            if (!good || value.empty() || *end != 0 || byte > 0xFF) {
                std::fprintf(stderr, "winsys machine: bad register setting %s=%s\n", key.c_str(),
                             value.c_str());
                return false;
            }
            changed.SetEcRegister(static_cast<uint16_t>(address), static_cast<uint8_t>(byte));
            continue;
        }
        platform::Result<void> set = changed.Set(key, value);
        if (!set) {
            std::fprintf(stderr, "winsys machine: %s\n", set.error().message.c_str());
            return false;
        }
    }
    machine = std::move(changed);
    return true;
}

std::string JsonText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

struct Identity {
    std::string model, partNumber, version, date;
};

Identity IdentityOf(const std::vector<uint8_t>& rom) {
    platform::RomInfo info = platform::ReadRomInfo(rom);
    return {info.model, info.partNumber, info.version, platform::ReleaseDateOf(info.buildDate)};
}

std::string JsonIdentity(const Identity& id, size_t size) {
    return "{\"model\": " + JsonText(id.model) + ", \"part_number\": " + JsonText(id.partNumber) +
           ", \"version\": " + JsonText(id.version) + ", \"date\": " + JsonText(id.date) +
           ", \"size\": " + std::to_string(size) + "}";
}

// The services of the registry and the drivers loaded on the machine; a registry that cannot be
// read shows no services rather than failing the whole listing.
std::vector<platform::ServiceStatus> ServicesOrNone() {
    platform::Result<platform::ServiceManager> manager = platform::ServiceManager::Open();
    if (!manager)
        return {};
    platform::Result<std::vector<platform::ServiceStatus>> services = manager->List();
    return services ? std::move(*services) : std::vector<platform::ServiceStatus>();
}

const char* StateName(platform::ServiceState state) {
    return state == platform::ServiceState::Running ? "running" : "stopped";
}

std::string JsonServices() {
    std::string out = "[";
    bool first = true;
    for (const platform::ServiceStatus& s : ServicesOrNone()) {
        out += first ? "\n" : ",\n";
        out += "    {\"name\": " + JsonText(s.config.name) +
               ", \"display_name\": " + JsonText(s.config.displayName) +
               ", \"type\": " + std::to_string(s.config.type) +
               ", \"start\": " + std::to_string(s.config.startType) +
               ", \"error_control\": " + std::to_string(s.config.errorControl) +
               ", \"image_path\": " + JsonText(s.config.imagePath) +
               ", \"state\": " + JsonText(StateName(s.state)) +
               ", \"marked_for_deletion\": " + (s.markedForDeletion ? "true" : "false") + "}";
        first = false;
    }
    out += first ? "]" : "\n  ]";
    return out;
}

std::string JsonLoadedDrivers() {
    std::string out = "[";
    bool first = true;
    for (const platform::LoadedDriver& d : platform::LoadedDrivers()) {
        out += first ? "\n" : ",\n";
        out += "    {\"service\": " + JsonText(d.serviceName) + ", \"image_path\": " + JsonText(d.imagePath) +
               ", \"device\": " + JsonText(d.device.deviceName) +
               ", \"link\": " + JsonText(d.device.linkName) +
               ", \"loaded_copy\": " + JsonText(d.loadedCopy.string()) + "}";
        first = false;
    }
    out += first ? "]" : "\n  ]";
    return out;
}

std::string JsonPending(const std::optional<std::string>& value) {
    return value ? JsonText(*value) : std::string("null");
}

void ShowJson(const platform::Machine& m) {
    const platform::MachineState& st = m.state();
    std::string out = "{\n";
    out += "  \"powered_on\": " + std::string(st.poweredOn ? "true" : "false") + ",\n";
    out += "  \"running\": " + JsonIdentity(IdentityOf(m.RunningRom()), m.RunningRom().size()) + ",\n";
    out += "  \"flashed\": " + JsonIdentity(IdentityOf(m.Flash()), m.Flash().size()) + ",\n";
    out += "  \"ec_firmware\": {\"running\": " + JsonText(m.settings().ecFirmware) +
           ", \"flashed\": " + JsonText(m.settings().ecFirmwareFlashed) + "},\n";
    const platform::PendingDmi& pending = m.pendingDmi();
    out += "  \"dmi_pending\": {\"bios_flag\": " + JsonPending(pending.biosFlag) +
           ", \"purchase_date\": " + JsonPending(pending.purchaseDate) +
           ", \"serial\": " + JsonPending(pending.serial) + "},\n";
    out += "  \"ec_e887\": " + std::to_string(m.EcRegister(0xE887)) + ",\n";
    out += "  \"kbc\": {\"command_byte\": " + std::to_string(st.commandByte) +
           ", \"keyboard_enabled\": " + std::string(st.commandByte & 0x10 ? "false" : "true") +
           ", \"mouse_enabled\": " + std::string(st.commandByte & 0x20 ? "false" : "true") +
           ", \"output_full\": " + std::string(st.outputFull ? "true" : "false") +
           ", \"output_byte\": " + std::to_string(st.outputByte) +
           ", \"output_mouse\": " + std::string(st.outputMouse ? "true" : "false") + "},\n";
    out += "  \"smi_enable_bit\": " + std::to_string(st.smiEnableWord & 1) + ",\n";
    out += "  \"history\": [";
    for (size_t i = 0; i < st.history.size(); ++i)
        out += (i ? ", " : "") + JsonText(st.history[i]);
    out += "],\n  \"services\": " + JsonServices() + ",\n";
    out += "  \"loaded_drivers\": " + JsonLoadedDrivers() + ",\n";
    out += "  \"settings\": {";
    bool first = true;
    for (const platform::MachineKey& key : platform::MachineKeys()) {
        out += first ? "\n" : ",\n";
        out += "    " + JsonText(key.name) + ": " + JsonText(m.Get(key.name));
        first = false;
    }
    out += "\n  }\n}\n";
    std::fputs(out.c_str(), stdout);
}

void ShowText(const platform::Machine& m) {
    const platform::MachineState& st = m.state();
    const platform::MachineSettings& s = m.settings();
    auto identity = [](const char* label, const Identity& id, size_t size) {
        std::printf("%-20s model %s, part number %s, version %s, date %s, %zu KiB\n", label, id.model.c_str(),
                    id.partNumber.c_str(), id.version.c_str(), id.date.c_str(), size / 1024);
    };
    std::printf("%-20s %s\n", "power", st.poweredOn ? "on" : "off");
    identity("running BIOS", IdentityOf(m.RunningRom()), m.RunningRom().size());
    identity("flashed BIOS", IdentityOf(m.Flash()), m.Flash().size());
    std::printf("%-20s serial \"%s\", BIOS flag \"%s\", purchase date \"%s\"\n", "DMI", s.serial.c_str(),
                s.biosFlag.c_str(), s.purchaseDate.c_str());
    const platform::PendingDmi& pending = m.pendingDmi();
    if (!pending.Empty())
        std::printf("%-20s serial %s, BIOS flag %s, purchase date %s (after the next power-on)\n",
                    "DMI pending", pending.serial ? ("\"" + *pending.serial + "\"").c_str() : "unchanged",
                    pending.biosFlag ? ("\"" + *pending.biosFlag + "\"").c_str() : "unchanged",
                    pending.purchaseDate ? ("\"" + *pending.purchaseDate + "\"").c_str() : "unchanged");
    std::printf("%-20s running firmware %s, flashed firmware %s\n", "embedded controller",
                s.ecFirmware.c_str(), s.ecFirmwareFlashed.c_str());
    std::printf("%-20s register 0xE887 = 0x%02X (auto power-on %s)\n", "", m.EcRegister(0xE887),
                m.EcRegister(0xE887) & 1 ? "armed" : "off");
    std::printf(
        "%-20s command byte 0x%02X, keyboard %s, mouse %s, output %s\n", "keyboard controller",
        st.commandByte, st.commandByte & 0x10 ? "disabled" : "enabled",
        st.commandByte & 0x20 ? "disabled" : "enabled",
        st.outputFull
            ? (std::string(st.outputMouse ? "mouse " : "keyboard ") + std::to_string(st.outputByte)).c_str()
            : "empty");
    char smiText[40] = "no interface";
    if (auto smi = m.RunningSmi())
        std::snprintf(smiText, sizeof smiText, "interface version 0x%02X", smi->version);
    std::printf("%-20s %s, enable bit %d, LPC bridge %s, ACPI base 0x%X\n", "SMI", smiText,
                st.smiEnableWord & 1, s.lpcBridge ? "yes" : "no", s.acpiBase);
    std::printf("%-20s AC %u, battery %u, free disk %s\n", "power status", s.ac, s.battery,
                s.freeDiskMiB.empty() ? "real" : (s.freeDiskMiB + " MiB").c_str());
    std::printf("%-20s 0: %s, 1: %s, 2: %s, 3: %s\n", "drives", s.disk0.c_str(), s.disk1.c_str(),
                s.disk2.c_str(), s.disk3.c_str());
    for (const platform::MachineDevice& d : m.Devices())
        std::printf("%-20s %s \"%s\", %s, problem %u, %s\n", "device", d.className.c_str(), d.name.c_str(),
                    d.disableable ? "can be disabled" : "fixed", d.problem,
                    d.enabled ? "enabled" : "disabled");
    // Power events are single words; a flash tool's command line is quoted so the events stay apart.
    std::string history;
    for (const std::string& event : st.history) {
        if (!history.empty())
            history += ' ';
        bool quote = event.find(' ') != std::string::npos;
        history += quote ? "\"" + event + "\"" : event;
    }
    std::printf("%-20s %s\n", "history", history.empty() ? "-" : history.c_str());
    for (const platform::ServiceStatus& sv : ServicesOrNone())
        std::printf("%-20s %s \"%s\", type 0x%X, start %u, image \"%s\", %s%s\n", "service",
                    sv.config.name.c_str(), sv.config.displayName.c_str(), sv.config.type,
                    sv.config.startType, sv.config.imagePath.c_str(), StateName(sv.state),
                    sv.markedForDeletion ? ", marked for deletion" : "");
    for (const platform::LoadedDriver& d : platform::LoadedDrivers())
        std::printf("%-20s %s, device %s, link %s, from \"%s\"\n", "loaded driver", d.serviceName.c_str(),
                    d.device.deviceName.c_str(), d.device.linkName.c_str(), d.imagePath.c_str());
}

int MachineInit(const std::vector<std::string>& args) {
    std::vector<std::pair<std::string, std::string>> assignments;
    if (!CollectAssignments(args, true, assignments))
        return 2;
    platform::Machine machine = platform::Machine::Fresh(platform::MachineSettings{});
    if (!Apply(machine, assignments))
        return 2;
    std::filesystem::path folder = platform::MachineFolder();
    platform::Result<void> done = platform::InitMachine(folder, std::move(machine));
    if (!done) {
        std::fprintf(stderr, "winsys machine init: %s\n", done.error().message.c_str());
        return 1;
    }
    std::printf("created machine in %s\n", folder.c_str());
    return 0;
}

// The output file of an image command: "-o FILE" anywhere, or else the first argument. The other
// arguments are left in `rest`.
bool TakeOutput(const std::vector<std::string>& args, std::string& file, std::vector<std::string>& rest) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size() || !file.empty())
                return false;
            file = args[++i];
            continue;
        }
        rest.push_back(args[i]);
    }
    if (file.empty()) {
        if (rest.empty() || rest[0].starts_with("-") || rest[0].find('=') != std::string::npos)
            return false;
        file = rest[0];
        rest.erase(rest.begin());
    }
    return !file.empty();
}

bool WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out && std::fclose(out) != 0)
        written = false;
    return written;
}

// MM/DD/YY as the image's build record holds it, to the machine's MM/DD/YYYY.
bool BuildDateToRelease(const std::string& value, std::string& release) {
    if (value.size() != 8 || value[2] != '/' || value[5] != '/')
        return false;
    release = platform::ReleaseDateOf(value);
    return true;
}

// A BIOS image built like the machine's own, from its identity with the options applied: the ROM
// followed by the tail the flash tool reads.
int MachineImage(const std::vector<std::string>& args) {
    std::string file;
    std::vector<std::string> rest;
    if (!TakeOutput(args, file, rest)) {
        MachineUsage();
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> assignments;
    if (!CollectAssignments(rest, true, assignments))
        return 2;
    for (auto& [key, value] : assignments) {
        if (key == "build_date") {
            key = "release_date";
            if (!BuildDateToRelease(value, value)) {
                std::fprintf(stderr, "winsys machine image: build date must be MM/DD/YY\n");
                return 2;
            }
        } else if (key == "rom_size") {
            key = "rom_kib";
            value = value == "512K" ? "512" : value == "1M" ? "1024" : "bad";
        }
    }
    platform::Result<platform::Machine> machine = platform::ReadMachine(platform::MachineFolder());
    if (!machine) {
        std::fprintf(stderr, "winsys machine image: %s\n", machine.error().message.c_str());
        return 1;
    }
    platform::Machine image = platform::Machine::Fresh(machine->settings());
    if (!Apply(image, assignments))
        return 2;
    const platform::MachineSettings& s = image.settings();
    platform::RomIdentity identity;
    identity.model = s.model;
    identity.partNumber = s.partNumber;
    identity.version = s.version;
    identity.releaseDate = s.releaseDate;
    identity.biosFlagDefault = s.biosFlagDefault;
    identity.size = size_t{s.romKiB} * 1024;
    identity.smiPresent = s.smiPresent;
    identity.smiVersion = static_cast<uint8_t>(s.smiVersion);
    std::vector<uint8_t> bytes = platform::BuildBiosImage(identity);
    if (!WriteBytes(file, bytes)) {
        std::fprintf(stderr, "winsys machine image: cannot write %s\n", file.c_str());
        return 1;
    }
    std::printf("wrote %s (%u KiB ROM and the flash tail)\n", file.c_str(), s.romKiB);
    return 0;
}

// An embedded-controller image for the MICOM flash tool.
int MachineMicom(const std::vector<std::string>& args) {
    std::string file;
    std::vector<std::string> rest;
    if (!TakeOutput(args, file, rest) || rest.size() != 2 || rest[0] != "--version") {
        MachineUsage();
        return 2;
    }
    const std::string& version = rest[1];
    bool printable = std::all_of(version.begin(), version.end(), [](char c) { return c > ' ' && c < 0x7F; });
    if (version.empty() || version.size() > platform::kEcVersionLength || !printable) {
        std::fprintf(stderr, "winsys machine micom: the version must be 1 to %zu printable characters\n",
                     platform::kEcVersionLength);
        return 2;
    }
    if (!WriteBytes(file, platform::BuildEcImage(version))) {
        std::fprintf(stderr, "winsys machine micom: cannot write %s\n", file.c_str());
        return 1;
    }
    std::printf("wrote %s (MICOM firmware %s)\n", file.c_str(), version.c_str());
    return 0;
}

}  // namespace

int RunMachine(const std::vector<std::string>& args) {
    if (args.empty()) {
        MachineUsage();
        return 2;
    }
    const std::string& sub = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    std::filesystem::path folder = platform::MachineFolder();
    if (sub == "init")
        return MachineInit(rest);
    if (sub == "image")
        return MachineImage(rest);
    if (sub == "micom")
        return MachineMicom(rest);
    if (sub == "show") {
        bool json = rest.size() == 1 && rest[0] == "--json";
        if (!rest.empty() && !json) {
            MachineUsage();
            return 2;
        }
        platform::Result<platform::Machine> machine = platform::ReadMachine(folder);
        if (!machine) {
            std::fprintf(stderr, "winsys machine show: %s\n", machine.error().message.c_str());
            return 1;
        }
        json ? ShowJson(*machine) : ShowText(*machine);
        return 0;
    }
    if (sub == "set") {
        std::vector<std::pair<std::string, std::string>> assignments;
        if (rest.empty() || !CollectAssignments(rest, false, assignments)) {
            MachineUsage();
            return 2;
        }
        bool ok = true;
        platform::Result<void> done =
            platform::UpdateMachine(folder, [&](platform::Machine& m) { ok = Apply(m, assignments); });
        if (!done) {
            std::fprintf(stderr, "winsys machine set: %s\n", done.error().message.c_str());
            return 1;
        }
        return ok ? 0 : 2;
    }
    if (sub == "power-on" || sub == "power-off") {
        if (!rest.empty()) {
            MachineUsage();
            return 2;
        }
        if (sub == "power-off") {
            platform::Result<void> off = platform::PowerOffMachine();
            if (!off) {
                std::fprintf(stderr, "winsys machine power-off: %s\n", off.error().message.c_str());
                return 1;
            }
            return 0;
        }
        platform::Result<bool> on = platform::PowerOnMachine();
        if (!on) {
            std::fprintf(stderr, "winsys machine power-on: %s\n", on.error().message.c_str());
            return 1;
        }
        if (!*on)
            std::puts("the machine is already on");
        return 0;
    }
    if (sub == "--help" || sub == "help") {
        MachineUsage();
        return 0;
    }
    std::fprintf(stderr, "winsys machine: unknown command '%s'\n", sub.c_str());
    MachineUsage();
    return 2;
}

}  // namespace winsys
