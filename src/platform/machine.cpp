#include "platform/machine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/number_text.h"
#include "platform/profile.h"
#include "platform/services.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr size_t kEcSize = 0x10000;
constexpr size_t kRamSize = 0x10000;

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// MM/DD/YYYY.
bool IsReleaseDate(std::string_view text) {
    if (text.size() != 10 || text[2] != '/' || text[5] != '/' || !IsDigits(text.substr(0, 2)) ||
        !IsDigits(text.substr(3, 2)) || !IsDigits(text.substr(6, 4)))
        return false;
    int month = (text[0] - '0') * 10 + (text[1] - '0');
    int day = (text[3] - '0') * 10 + (text[4] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

struct PendingByte {
    int kind = 0;  // 0 none, 1 mouse, 2 keyboard
    uint8_t value = 0;
};

std::optional<PendingByte> ParsePending(std::string_view text) {
    if (text == "none")
        return PendingByte{};
    PendingByte pending;
    std::string_view number;
    if (text.starts_with("mouse:")) {
        pending.kind = 1;
        number = text.substr(6);
    } else if (text.starts_with("keyboard:")) {
        pending.kind = 2;
        number = text.substr(9);
    } else {
        return std::nullopt;
    }
    uint64_t value = 0;
    if (!ParseUnsigned(number, value) || value > 0xFF)
        return std::nullopt;
    pending.value = static_cast<uint8_t>(value);
    return pending;
}

// "none", or "ata"/"atapi" followed by optional ",fixed", ",removable", ",security".
bool ValidDisk(std::string_view text) {
    if (text == "none")
        return true;
    bool kind = false;
    for (size_t start = 0; start <= text.size();) {
        size_t comma = std::min(text.find(',', start), text.size());
        std::string_view word = text.substr(start, comma - start);
        if (start == 0)
            kind = word == "ata" || word == "atapi";
        else if (word != "fixed" && word != "removable" && word != "security")
            return false;
        start = comma + 1;
    }
    return kind;
}

// The settings table: each key with its text form, its check and whether it shapes the firmware.
struct KeyEntry {
    MachineKey key;
    bool firmware;
    std::function<std::string(const MachineSettings&)> get;
    std::function<bool(MachineSettings&, std::string_view)> set;
};

KeyEntry TextKey(const char* name, const char* help, std::string MachineSettings::*member, size_t maxLength,
                 bool firmware = false) {
    return {{name, help},
            firmware,
            [member](const MachineSettings& s) { return s.*member; },
            [member, maxLength](MachineSettings& s, std::string_view v) {
                if (v.size() > maxLength || v.find('\0') != std::string_view::npos)
                    return false;
                s.*member = std::string(v);
                return true;
            }};
}

KeyEntry NumberKey(const char* name, const char* help, unsigned MachineSettings::*member,
                   const std::function<bool(uint64_t)>& valid, bool firmware = false) {
    return {{name, help},
            firmware,
            [member](const MachineSettings& s) { return std::to_string(s.*member); },
            [member, valid](MachineSettings& s, std::string_view v) {
                uint64_t n = 0;
                if (!ParseUnsigned(v, n) || !valid(n))
                    return false;
                s.*member = static_cast<unsigned>(n);
                return true;
            }};
}

KeyEntry FlagKey(const char* name, const char* help, bool MachineSettings::*member, bool firmware = false) {
    return {{name, help},
            firmware,
            [member](const MachineSettings& s) { return std::string(s.*member ? "1" : "0"); },
            [member](MachineSettings& s, std::string_view v) {
                if (v != "0" && v != "1")
                    return false;
                s.*member = v == "1";
                return true;
            }};
}

const std::vector<KeyEntry>& KeyTable() {
    static const std::vector<KeyEntry> table = [] {
        std::vector<KeyEntry> t;
        t.push_back(TextKey("model", "BIOS model, 4 characters", &MachineSettings::model, 4, true));
        t.push_back(
            TextKey("part_number", "BIOS part number, 3 characters", &MachineSettings::partNumber, 3, true));
        t.push_back(TextKey("version", "BIOS version, 4 characters", &MachineSettings::version, 4, true));
        KeyEntry date =
            TextKey("release_date", "BIOS release date MM/DD/YYYY", &MachineSettings::releaseDate, 10, true);
        date.set = [](MachineSettings& s, std::string_view v) {
            if (!IsReleaseDate(v))
                return false;
            s.releaseDate = std::string(v);
            return true;
        };
        t.push_back(date);
        t.push_back(TextKey("bios_flag_default",
                            "BIOS flag the firmware image installs, at most 16 characters",
                            &MachineSettings::biosFlagDefault, 16, true));
        t.push_back(NumberKey(
            "rom_kib", "ROM size in KiB: 512 or 1024", &MachineSettings::romKiB,
            [](uint64_t n) { return n == 512 || n == 1024; }, true));
        t.push_back(
            FlagKey("smi_present", "the firmware has an SMI interface", &MachineSettings::smiPresent, true));
        t.push_back(NumberKey(
            "smi_version", "SMI interface version byte", &MachineSettings::smiVersion,
            [](uint64_t n) { return n <= 0xFF; }, true));
        t.push_back(
            FlagKey("smi_model_ff", "SMI function 4 answers 0xFF bytes", &MachineSettings::smiModelFF));
        t.push_back(TextKey("serial", "system serial number (DMI)", &MachineSettings::serial, 31));
        t.push_back(TextKey("bios_flag", "BIOS flag (DMI)", &MachineSettings::biosFlag, 31));
        t.push_back(TextKey("purchase_date", "purchase date (DMI)", &MachineSettings::purchaseDate, 31));
        t.push_back(
            FlagKey("lpc_bridge", "the LPC bridge is at bus 0 device 31", &MachineSettings::lpcBridge));
        t.push_back(NumberKey("acpi_base", "ACPI I/O base", &MachineSettings::acpiBase,
                              [](uint64_t n) { return n > 0 && n <= 0xFF00 && n % 0x80 == 0; }));
        t.push_back(FlagKey("smi_enabled", "SMI enable bit set at power-on", &MachineSettings::smiEnabled));
        t.push_back(NumberKey("ac", "AC line: 0, 1 or 255", &MachineSettings::ac,
                              [](uint64_t n) { return n <= 1 || n == 255; }));
        t.push_back(NumberKey("battery", "battery percent 0-100 or 255", &MachineSettings::battery,
                              [](uint64_t n) { return n <= 100 || n == 255; }));
        KeyEntry disk = TextKey("free_disk_mib", "free disk MiB reported (empty: real)",
                                &MachineSettings::freeDiskMiB, 20);
        disk.set = [](MachineSettings& s, std::string_view v) {
            uint64_t n = 0;
            if (!v.empty() && !ParseUnsigned(v, n))
                return false;
            s.freeDiskMiB = v.empty() ? std::string() : std::to_string(n);
            return true;
        };
        t.push_back(disk);
        t.push_back(NumberKey("priority_class", "process priority class", &MachineSettings::priorityClass,
                              [](uint64_t n) { return n <= 0xFFFF; }));
        KeyEntry ec = TextKey("ec_firmware", "embedded-controller firmware version, running and flashed",
                              &MachineSettings::ecFirmware, 31);
        // A machine is made with the same firmware running and flashed; the flashed key, read after
        // this one, tells them apart.
        ec.set = [](MachineSettings& s, std::string_view v) {
            if (v.size() > 31 || v.find('\0') != std::string_view::npos)
                return false;
            s.ecFirmware = s.ecFirmwareFlashed = std::string(v);
            return true;
        };
        t.push_back(ec);
        t.push_back(TextKey("ec_firmware_flashed",
                            "embedded-controller firmware in its flash (runs after power-on)",
                            &MachineSettings::ecFirmwareFlashed, 31));
        t.push_back(FlagKey("fail_bios_tool", "the BIOS flash tool fails without flashing",
                            &MachineSettings::failBiosTool));
        t.push_back(FlagKey("fail_micom_tool", "the MICOM flash tool fails without flashing",
                            &MachineSettings::failMicomTool));
        t.push_back(NumberKey("flash_tool_seconds", "seconds each flash tool takes before it writes",
                              &MachineSettings::flashToolSeconds, [](uint64_t n) { return n <= 600; }));
        for (const auto& drivePair :
             {std::pair{"disk0", &MachineSettings::disk0}, std::pair{"disk1", &MachineSettings::disk1},
              std::pair{"disk2", &MachineSettings::disk2}, std::pair{"disk3", &MachineSettings::disk3}}) {
            std::string MachineSettings::*member = drivePair.second;
            KeyEntry drive = TextKey(drivePair.first,
                                     "drive: none, or ata|atapi with fixed, removable, security", member, 40);
            drive.set = [member](MachineSettings& s, std::string_view v) {
                if (!ValidDisk(v))
                    return false;
                s.*member = std::string(v);
                return true;
            };
            t.push_back(drive);
        }
        KeyEntry devices = TextKey("devices", "present devices: class|name|disableable|problem|enabled;...",
                                   &MachineSettings::devices, 4000);
        devices.set = [](MachineSettings& s, std::string_view v) {
            if (!ParseDevices(v))
                return false;
            s.devices = std::string(v);
            return true;
        };
        t.push_back(devices);
        KeyEntry pending =
            TextKey("kbc_pending", "byte waiting in the keyboard controller: none, keyboard:0xNN, mouse:0xNN",
                    &MachineSettings::kbcPending, 16);
        pending.set = [](MachineSettings& s, std::string_view v) {
            if (!ParsePending(v))
                return false;
            s.kbcPending = std::string(v);
            return true;
        };
        t.push_back(pending);
        return t;
    }();
    return table;
}

const KeyEntry* FindKey(std::string_view name) {
    for (const KeyEntry& entry : KeyTable())
        if (name == entry.key.name)
            return &entry;
    return nullptr;
}

RomIdentity IdentityOf(const MachineSettings& s) {
    RomIdentity id;
    id.model = s.model;
    id.partNumber = s.partNumber;
    id.version = s.version;
    id.releaseDate = s.releaseDate;
    id.biosFlagDefault = s.biosFlagDefault;
    id.size = size_t{s.romKiB} * 1024;
    id.smiPresent = s.smiPresent;
    id.smiVersion = static_cast<uint8_t>(s.smiVersion);
    return id;
}

// Quoted so that blanks at either end survive the profile reader's trimming.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    out += text;
    out += '"';
    return out;
}

Result<std::vector<uint8_t>> ReadBinary(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return Fail("cannot read " + path.string());
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in)
        return Fail("cannot read " + path.string());
    return bytes;
}

Result<void> WriteBinary(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return Fail("cannot write " + temp.string());
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec)
        return Fail("cannot replace " + path.string() + ": " + ec.message());
    return {};
}

// History events are kept as one comma-separated value: commas, percent signs and control characters
// inside an event (a flash tool's command line may hold any of them) are written as %XX.
std::string EscapeEvent(std::string_view event) {
    std::string out;
    for (char c : event) {
        auto u = static_cast<unsigned char>(c);
        if (c == ',' || c == '%' || u < 0x20 || u == 0x7F) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

std::string UnescapeEvent(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

constexpr const char* kPendingBiosFlag = "PendingBiosFlag";
constexpr const char* kPendingPurchaseDate = "PendingPurchaseDate";
constexpr const char* kPendingSerial = "PendingSerial";

uint64_t ReadNumber(const profile::ProfileFile& ini, const char* key, uint64_t fallback) {
    uint64_t value = 0;
    return ParseUnsigned(ini.ReadString("State", key, ""), value) ? value : fallback;
}

// An exclusive flock on machine.lock for the life of the object.
class MachineLock {
  public:
    explicit MachineLock(const fs::path& folder) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        fd_ = ::open((folder / "machine.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~MachineLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

Result<Machine> LoadOrCreateLocked(const fs::path& folder) {
    if (!fs::exists(folder / "machine.ini")) {
        Machine fresh = Machine::Fresh(MachineSettings{});
        if (Result<void> saved = fresh.Save(folder); !saved)
            return saved.error();
        return fresh;
    }
    return Machine::Load(folder);
}

}  // namespace

const std::vector<MachineKey>& MachineKeys() {
    static const std::vector<MachineKey> keys = [] {
        std::vector<MachineKey> out;
        for (const KeyEntry& entry : KeyTable())
            out.push_back(entry.key);
        return out;
    }();
    return keys;
}

std::optional<std::vector<MachineDevice>> ParseDevices(std::string_view text) {
    std::vector<MachineDevice> devices;
    auto split = [](std::string_view line, char separator) {
        std::vector<std::string_view> parts;
        for (size_t start = 0; start <= line.size();) {
            size_t end = std::min(line.find(separator, start), line.size());
            parts.push_back(line.substr(start, end - start));
            start = end + 1;
        }
        return parts;
    };
    if (text.empty())
        return devices;
    for (std::string_view entry : split(text, ';')) {
        std::vector<std::string_view> f = split(entry, '|');
        uint64_t problem = 0;
        if (f.size() != 5 || f[0].empty() || (f[2] != "0" && f[2] != "1") || !ParseUnsigned(f[3], problem) ||
            problem > 0xFFFF || (f[4] != "0" && f[4] != "1"))
            return std::nullopt;
        devices.push_back(
            {std::string(f[0]), std::string(f[1]), f[2] == "1", static_cast<unsigned>(problem), f[4] == "1"});
    }
    return devices;
}

std::string DevicesText(const std::vector<MachineDevice>& devices) {
    std::string out;
    for (const MachineDevice& d : devices) {
        if (!out.empty())
            out += ';';
        out += d.className;
        out += '|';
        out += d.name;
        out += d.disableable ? "|1|" : "|0|";
        out += std::to_string(d.problem);
        out += d.enabled ? "|1" : "|0";
    }
    return out;
}

std::vector<MachineDevice> Machine::Devices() const {
    return ParseDevices(settings_.devices).value_or(std::vector<MachineDevice>{});
}

bool Machine::SetDeviceEnabled(size_t index, bool enabled) {
    std::vector<MachineDevice> devices = Devices();
    if (index >= devices.size() || !devices[index].disableable || devices[index].problem == 29)
        return false;
    devices[index].enabled = enabled;
    settings_.devices = DevicesText(devices);
    return true;
}

Machine Machine::Fresh(const MachineSettings& settings) {
    Machine m;
    m.settings_ = settings;
    m.flash_.Set(BuildRom(IdentityOf(settings)));
    m.ec_.Set(std::vector<uint8_t>(kEcSize, 0));
    m.ram_.Set(std::vector<uint8_t>(kRamSize, 0));
    m.state_.poweredOn = false;
    m.Boot();
    m.state_.history.clear();
    return m;
}

Result<Machine> Machine::Load(const fs::path& folder) {
    fs::path iniPath = folder / "machine.ini";
    if (!fs::exists(iniPath))
        return Fail("no machine in " + folder.string());
    profile::ProfileFile ini = profile::ProfileFile::Load(iniPath.string());
    Machine m;
    for (const KeyEntry& entry : KeyTable()) {
        if (!ini.HasKey("Settings", entry.key.name))
            continue;
        std::string value = ini.ReadString("Settings", entry.key.name, "");
        if (!entry.set(m.settings_, value))
            return Fail("machine.ini: bad value for " + std::string(entry.key.name) + ": " + value);
    }
    MachineState& st = m.state_;
    st.poweredOn = ReadNumber(ini, "PoweredOn", 1) != 0;
    st.commandByte = static_cast<uint8_t>(ReadNumber(ini, "CommandByte", 0x47));
    st.outputFull = ReadNumber(ini, "OutputFull", 0) != 0;
    st.outputMouse = ReadNumber(ini, "OutputMouse", 0) != 0;
    st.outputByte = static_cast<uint8_t>(ReadNumber(ini, "OutputByte", 0));
    st.lastWasCommand = ReadNumber(ini, "LastWasCommand", 0) != 0;
    st.ecMode = ReadNumber(ini, "EcMode", 0) != 0;
    st.ecWrite = ReadNumber(ini, "EcWrite", 0) != 0;
    st.ecAddress = static_cast<uint16_t>(ReadNumber(ini, "EcAddress", 0));
    uint64_t expect = ReadNumber(ini, "Expect", 0);
    st.expect = expect <= static_cast<uint64_t>(KbcExpect::RestoreMouse) ? static_cast<KbcExpect>(expect)
                                                                         : KbcExpect::None;
    st.pciAddress = static_cast<uint32_t>(ReadNumber(ini, "PciAddress", 0));
    st.smiEnableWord = static_cast<uint16_t>(ReadNumber(ini, "SmiEnableWord", 0));
    std::string history = ini.ReadString("State", "History", "");
    for (size_t start = 0; start < history.size();) {
        size_t comma = history.find(',', start);
        if (comma == std::string::npos)
            comma = history.size();
        if (comma > start)
            st.history.push_back(UnescapeEvent(std::string_view(history).substr(start, comma - start)));
        start = comma + 1;
    }
    for (auto [key, member] : {std::pair{kPendingBiosFlag, &PendingDmi::biosFlag},
                               std::pair{kPendingPurchaseDate, &PendingDmi::purchaseDate},
                               std::pair{kPendingSerial, &PendingDmi::serial}})
        if (ini.HasKey("State", key)) {
            // Checked as the DMI settings they become at power-on are, so that boot cannot make a
            // machine that no longer loads.
            std::string value = ini.ReadString("State", key, "");
            if (value.size() > 31)
                return Fail("machine.ini: bad value for " + std::string(key) + ": " + value);
            m.pendingDmi_.*member = value;
        }

    // The firmware files are checked by their size here and read when a request needs them.
    std::error_code error;
    uintmax_t flashSize = fs::file_size(folder / "flash.rom", error);
    if (error)
        flashSize = 0;
    uintmax_t runningSize = fs::file_size(folder / "running.rom", error);
    if (error)
        runningSize = 0;
    auto romSizeOk = [](uintmax_t size) { return size == 0x80000 || size == 0x100000; };
    if (!romSizeOk(flashSize) || !romSizeOk(runningSize))
        return Fail("machine firmware in " + folder.string() + " is missing or neither 512 KiB nor 1 MiB");
    m.flash_.Attach(folder / "flash.rom", flashSize);
    m.running_.Attach(folder / "running.rom", runningSize);
    m.ec_.Attach(folder / "ec.bin", kEcSize);
    m.ram_.Attach(folder / "ram.bin", kRamSize);
    return m;
}

Result<void> Machine::Save(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    struct File {
        Blob& blob;
        const char* name;
    };
    for (File file : {File{flash_, "flash.rom"}, File{running_, "running.rom"}, File{ec_, "ec.bin"},
                      File{ram_, "ram.bin"}}) {
        if (!file.blob.dirty)
            continue;
        if (Result<void> written = WriteBinary(folder / file.name, file.blob.Get()); !written)
            return written;
        file.blob.dirty = false;
    }
    profile::ProfileFile ini = profile::ProfileFile::Load((folder / "machine.ini").string());
    for (const KeyEntry& entry : KeyTable())
        ini.WriteString("Settings", entry.key.name, Quoted(entry.get(settings_)));
    const MachineState& st = state_;
    auto put = [&](const char* key, uint64_t value) { ini.WriteString("State", key, std::to_string(value)); };
    put("PoweredOn", st.poweredOn);
    put("CommandByte", st.commandByte);
    put("OutputFull", st.outputFull);
    put("OutputMouse", st.outputMouse);
    put("OutputByte", st.outputByte);
    put("LastWasCommand", st.lastWasCommand);
    put("EcMode", st.ecMode);
    put("EcWrite", st.ecWrite);
    put("EcAddress", st.ecAddress);
    put("Expect", static_cast<uint64_t>(st.expect));
    put("PciAddress", st.pciAddress);
    put("SmiEnableWord", st.smiEnableWord);
    std::string history;
    for (const std::string& event : st.history) {
        if (!history.empty())
            history += ',';
        history += EscapeEvent(event);
    }
    ini.WriteString("State", "History", Quoted(history));
    for (auto [key, member] : {std::pair{kPendingBiosFlag, &PendingDmi::biosFlag},
                               std::pair{kPendingPurchaseDate, &PendingDmi::purchaseDate},
                               std::pair{kPendingSerial, &PendingDmi::serial}}) {
        const std::optional<std::string>& value = pendingDmi_.*member;
        if (value)
            ini.WriteString("State", key, Quoted(*value));
        else if (ini.HasKey("State", key))
            ini.DeleteKey("State", key);
    }
    if (!ini.Changed())
        return {};
    if (Result<void> saved = ini.Save((folder / "machine.ini").string()); !saved)
        return WithContext(saved.error(), "saving the machine");
    return {};
}

void Machine::MarkAllChanged() {
    flash_.dirty = running_.dirty = ec_.dirty = ram_.dirty = true;
}

void Machine::Blob::Attach(std::filesystem::path path, size_t size) {
    path_ = std::move(path);
    size_ = size;
    loaded_ = false;
    dirty = false;
}

void Machine::Blob::Set(std::vector<uint8_t> bytes) {
    bytes_ = std::move(bytes);
    size_ = bytes_.size();
    loaded_ = true;
    dirty = true;
}

const std::vector<uint8_t>& Machine::Blob::Get() const {
    if (!loaded_) {
        // A file that went missing or changed size since the check reads as zeros of the size seen.
        auto read = ReadBinary(path_);
        bytes_ = read ? std::move(*read) : std::vector<uint8_t>();
        bytes_.resize(size_, 0);
        loaded_ = true;
    }
    return bytes_;
}

std::vector<uint8_t>& Machine::Blob::Mutable() {
    Get();
    dirty = true;
    return bytes_;
}

Result<void> Machine::Set(std::string_view key, std::string_view value) {
    const KeyEntry* entry = FindKey(key);
    if (!entry)
        return Fail("unknown machine setting '" + std::string(key) + "'");
    MachineSettings changed = settings_;
    if (!entry->set(changed, value))
        return Fail("bad value for " + std::string(key) + ": '" + std::string(value) + "'");
    settings_ = changed;
    if (entry->firmware)
        RebuildRom();
    if (key == "kbc_pending") {
        PendingByte pending = *ParsePending(settings_.kbcPending);
        state_.outputFull = pending.kind != 0;
        state_.outputMouse = pending.kind == 1;
        state_.outputByte = pending.value;
    }
    if (key == "smi_enabled")
        state_.smiEnableWord =
            static_cast<uint16_t>((state_.smiEnableWord & ~1u) | (settings_.smiEnabled ? 1 : 0));
    return {};
}

std::string Machine::Get(std::string_view key) const {
    const KeyEntry* entry = FindKey(key);
    return entry ? entry->get(settings_) : std::string();
}

void Machine::RebuildRom() {
    flash_.Set(BuildRom(IdentityOf(settings_)));
    running_.Set(flash_.Get());
}

Result<void> Machine::WriteFlash(size_t offset, std::span<const uint8_t> bytes) {
    std::vector<uint8_t>& flash = flash_.Mutable();
    if (offset > flash.size() || bytes.size() > flash.size() - offset)
        return Fail("flash write beyond the end of the chip");
    std::copy(bytes.begin(), bytes.end(), flash.begin() + static_cast<std::ptrdiff_t>(offset));
    return {};
}

Result<void> Machine::ReplaceFlash(std::vector<uint8_t> rom) {
    if (rom.size() != flash_.Get().size())
        return Fail("image size does not match the flash chip");
    flash_.Set(std::move(rom));
    return {};
}

void Machine::SetEcRegister(uint16_t address, uint8_t value) {
    ec_.Mutable()[address] = value;
}

void Machine::Boot() {
    running_.Set(flash_.Get());
    settings_.ecFirmware = settings_.ecFirmwareFlashed;
    if (pendingDmi_.biosFlag)
        settings_.biosFlag = *pendingDmi_.biosFlag;
    if (pendingDmi_.purchaseDate)
        settings_.purchaseDate = *pendingDmi_.purchaseDate;
    if (pendingDmi_.serial)
        settings_.serial = *pendingDmi_.serial;
    pendingDmi_ = PendingDmi{};
    state_ = MachineState{.history = std::move(state_.history)};
    PendingByte pending = ParsePending(settings_.kbcPending).value_or(PendingByte{});
    state_.outputFull = pending.kind != 0;
    state_.outputMouse = pending.kind == 1;
    state_.outputByte = pending.value;
    state_.smiEnableWord = settings_.smiEnabled ? 1 : 0;
    state_.poweredOn = true;
}

void Machine::PowerOff() {
    if (!state_.poweredOn)
        return;
    state_.history.push_back("off");
    if (EcRegister(0xE887) & 1) {
        SetEcRegister(0xE887, static_cast<uint8_t>(EcRegister(0xE887) & ~1));
        Boot();
        state_.history.push_back("auto-on");
        return;
    }
    state_.poweredOn = false;
}

bool Machine::PowerOn() {
    if (state_.poweredOn)
        return false;
    Boot();
    state_.history.push_back("on");
    return true;
}

Result<void> UpdateMachine(const fs::path& folder, const std::function<void(Machine&)>& change) {
    MachineLock lock(folder);
    if (!lock.held())
        return Fail("cannot lock the machine in " + folder.string());
    Result<Machine> machine = LoadOrCreateLocked(folder);
    if (!machine)
        return machine.error();
    size_t eventsBefore = machine->state().history.size();
    change(*machine);
    Result<void> saved = machine->Save(folder);
    // Powering off (also when auto power-on brings the machine straight back) ends every loaded
    // driver, as a restart of the system does.
    const std::vector<std::string>& history = machine->state().history;
    if (std::find(history.begin() + static_cast<std::ptrdiff_t>(std::min(eventsBefore, history.size())),
                  history.end(), "off") != history.end())
        UnloadAllDrivers(folder);
    return saved;
}

Result<Machine> ReadMachine(const fs::path& folder) {
    MachineLock lock(folder);
    if (!lock.held())
        return Fail("cannot lock the machine in " + folder.string());
    return LoadOrCreateLocked(folder);
}

Result<void> InitMachine(const fs::path& folder, const MachineSettings& settings) {
    return InitMachine(folder, Machine::Fresh(settings));
}

Result<void> InitMachine(const fs::path& folder, Machine machine) {
    MachineLock lock(folder);
    if (!lock.held())
        return Fail("cannot lock the machine in " + folder.string());
    // Every file is written again, so nothing of an earlier machine survives.
    std::error_code ignored;
    fs::remove(folder / "machine.ini", ignored);
    machine.MarkAllChanged();
    // A new machine has loaded no driver.
    UnloadAllDrivers(folder);
    return machine.Save(folder);
}

}  // namespace platform
