#include "platform/services.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <sstream>

#include "platform/ascii.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/system_root.h"

namespace fs = std::filesystem;

namespace platform {

const char* const kServicesKeyPath = "SYSTEM\\CurrentControlSet\\Services";

namespace {

constexpr const char* kCopySuffix = ".so";
constexpr const char* kRecordSuffix = ".driver";

std::string KeyPathOf(std::string_view name) {
    std::string path(kServicesKeyPath);
    path += '\\';
    path += name;
    return path;
}

// Files in machine/loaded/ are named by the folded service name, so one service has one copy
// however its name is spelled.
fs::path CopyOf(std::string_view name) {
    return LoadedDriversFolder(MachineFolder()) / (FoldCase(name) + kCopySuffix);
}
fs::path RecordOf(std::string_view name) {
    return LoadedDriversFolder(MachineFolder()) / (FoldCase(name) + kRecordSuffix);
}

std::optional<LoadedDriver> ReadRecord(const fs::path& record) {
    std::string text;
    if (!ReadWholeFile(record, text))
        return std::nullopt;
    LoadedDriver driver;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (key == "service")
            driver.serviceName = value;
        else if (key == "image")
            driver.imagePath = value;
        else if (key == "device")
            driver.device.deviceName = value;
        else if (key == "link")
            driver.device.linkName = value;
    }
    if (driver.serviceName.empty() || driver.device.linkName.empty())
        return std::nullopt;
    fs::path copy = record;
    copy.replace_extension(kCopySuffix);
    std::error_code ec;
    if (!fs::is_regular_file(copy, ec))
        return std::nullopt;
    driver.loadedCopy = copy;
    return driver;
}

bool IsRunning(std::string_view name) {
    return ReadRecord(RecordOf(name)).has_value();
}

// Names without separators or control characters: the name becomes one registry key and one file.
bool ValidServiceName(std::string_view name) {
    if (name.empty() || name.size() > 255)
        return false;
    for (char c : name)
        if (c == '\\' || c == '/' || static_cast<unsigned char>(c) < 0x20)
            return false;
    return name != "." && name != "..";
}

// The service's key, or none when it does not exist. A service marked for deletion whose driver is no
// longer loaded (it stopped, or the machine powered off) is removed here, as Windows removes it once
// its last handle is gone or at the next start of the system.
Result<std::optional<RegKey>> FindServiceKey(std::string_view name) {
    if (!ValidServiceName(name))
        return std::optional<RegKey>();
    Result<Registry*> registry = CurrentRegistry();
    if (!registry)
        return registry.error();
    std::optional<RegKey> key = (*registry)->FindKey(KeyPathOf(name));
    if (!key)
        return key;
    if (key->QueryDword("DeleteFlag").value_or(0) != 0 && !IsRunning(name)) {
        Result<void> removed = (*registry)->DeleteTree(KeyPathOf(name));
        if (!removed)
            return WithContext(removed.error(), "removing service " + std::string(name));
        return std::optional<RegKey>();
    }
    return key;
}

Result<RegKey> ExistingServiceKey(std::string_view name) {
    Result<std::optional<RegKey>> key = FindServiceKey(name);
    if (!key)
        return key.error();
    if (!*key)
        return Fail("service " + std::string(name) + " does not exist");
    return **key;
}

ServiceConfig ConfigOf(const RegKey& key) {
    ServiceConfig config;
    config.name = key.Name();
    config.displayName = key.QueryString("DisplayName").value_or("");
    config.type = key.QueryDword("Type").value_or(0);
    config.startType = key.QueryDword("Start").value_or(kServiceDemandStart);
    config.errorControl = key.QueryDword("ErrorControl").value_or(kServiceErrorNormal);
    // Windows writes ImagePath as REG_EXPAND_SZ; a hand-written REG_SZ works as well.
    std::optional<std::string> image = key.QueryExpandString("ImagePath");
    if (!image)
        image = key.QueryString("ImagePath");
    config.imagePath = image.value_or("");
    return config;
}

ServiceStatus StatusOf(const RegKey& key) {
    ServiceStatus status;
    status.config = ConfigOf(key);
    status.state = IsRunning(status.config.name) ? ServiceState::Running : ServiceState::Stopped;
    status.markedForDeletion = key.QueryDword("DeleteFlag").value_or(0) != 0;
    return status;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Another process of this one may be starting a driver too: temporary names never collide.
fs::path TemporaryCopyName(std::string_view name) {
    static std::atomic<unsigned> counter{0};
    std::string file(".");
    file += FoldCase(name);
    file += '.';
    file += std::to_string(::getpid());
    file += '.';
    file += std::to_string(counter.fetch_add(1));
    file += ".tmp";
    return LoadedDriversFolder(MachineFolder()) / file;
}

}  // namespace

fs::path LoadedDriversFolder(const fs::path& machineFolder) {
    return machineFolder / "loaded";
}

void UnloadAllDrivers(const fs::path& machineFolder) {
    std::error_code ignored;
    fs::remove_all(LoadedDriversFolder(machineFolder), ignored);
}

std::vector<LoadedDriver> LoadedDrivers() {
    std::vector<LoadedDriver> drivers;
    std::error_code ec;
    fs::directory_iterator it(LoadedDriversFolder(MachineFolder()), ec);
    if (ec)
        return drivers;
    for (const fs::directory_entry& entry : it) {
        if (entry.path().extension() != kRecordSuffix)
            continue;
        if (std::optional<LoadedDriver> driver = ReadRecord(entry.path()))
            drivers.push_back(std::move(*driver));
    }
    std::sort(drivers.begin(), drivers.end(), [](const LoadedDriver& a, const LoadedDriver& b) {
        return FoldCase(a.serviceName) < FoldCase(b.serviceName);
    });
    return drivers;
}

fs::path ResolveImagePath(std::string_view imagePath) {
    std::string_view path = imagePath.substr(0, imagePath.find('\0'));
    if (StartsWithNoCase(path, "\\??\\"))
        return NativePath(path.substr(4));
    for (std::string_view prefix : {"\\SystemRoot\\", "%SystemRoot%\\", "/SystemRoot/", "%SystemRoot%/"}) {
        if (StartsWithNoCase(path, prefix))
            return NativePath(WindowsFolder().string() + "/" + std::string(path.substr(prefix.size())));
    }
    bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
    if (drive || path.starts_with('/') || path.starts_with('\\'))
        return NativePath(path);
    // A relative image path is relative to the Windows folder ("System32\Drivers\x.sys").
    return NativePath(WindowsFolder().string() + "/" + std::string(path));
}

Result<void> Service::Start() {
    std::string context = "starting service " + name_;
    Result<RegKey> key = ExistingServiceKey(name_);
    if (!key)
        return WithContext(key.error(), context);
    ServiceStatus status = StatusOf(*key);
    if (status.markedForDeletion)
        return Fail(context + ": the service is marked for deletion");
    if (status.state == ServiceState::Running)
        return Fail(context + ": the service is already running");
    if (status.config.startType == kServiceDisabled)
        return Fail(context + ": the service is disabled");
    if (status.config.type != kServiceKernelDriver && status.config.type != kServiceFileSystemDriver)
        return Fail(context + ": only driver services can be started on this system");
    if (status.config.imagePath.empty())
        return Fail(context + ": the service has no image path");

    fs::path image = ResolveImagePath(status.config.imagePath);
    std::error_code ec;
    if (!fs::is_regular_file(image, ec))
        return Fail(context + ": the image file " + status.config.imagePath + " does not exist");

    // The driver runs from a copy, so the image file may be deleted once the service has started.
    fs::path folder = LoadedDriversFolder(MachineFolder());
    fs::create_directories(folder, ec);
    fs::path temporary = TemporaryCopyName(name_);
    fs::copy_file(image, temporary, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return Fail(context + ": cannot copy " + image.string() + ": " + ec.message());
    }
    DriverDeviceNames device;
    {
        Result<std::unique_ptr<DriverModule>> module = DriverModule::Load(temporary);
        Result<DriverDeviceNames> created = module ? (*module)->CreateDevice(*OpenMachineHardware())
                                                   : Result<DriverDeviceNames>(module.error());
        if (!created) {
            fs::remove(temporary, ec);
            std::string reason = created.error().message;
            // The loader names the temporary copy; the user knows the image file.
            if (size_t at = reason.find(temporary.string()); at != std::string::npos)
                reason.replace(at, temporary.string().size(), image.string());
            return Fail(context + ": " + reason);
        }
        device = *created;
    }
    for (const LoadedDriver& other : LoadedDrivers()) {
        if (EqualsNoCase(other.device.DosName(), device.DosName())) {
            fs::remove(temporary, ec);
            return Fail(context + ": the device name " + device.DosName() + " is taken by service " +
                        other.serviceName);
        }
    }

    // Power-off unloads drivers under the machine's lock; the start takes the same lock, so a driver
    // never stays loaded on a machine that went off meanwhile.
    std::string record = "service=" + status.config.name + "\nimage=" + status.config.imagePath +
                         "\ndevice=" + device.deviceName + "\nlink=" + device.linkName + "\n";
    Result<void> result;
    Result<void> locked = UpdateMachine(MachineFolder(), [&](Machine& machine) {
        std::error_code error;
        if (!machine.state().poweredOn) {
            result = Fail(context + ": the machine is off");
        } else if (fs::create_directories(folder, error); error) {
            result = Fail(context + ": cannot create " + folder.string());
        } else if (fs::rename(temporary, CopyOf(name_), error); error) {
            result = Fail(context + ": cannot load the driver copy: " + error.message());
        } else if (!WriteFileAtomically(RecordOf(name_), record)) {
            fs::remove(CopyOf(name_), error);
            result = Fail(context + ": cannot record the loaded driver");
        }
    });
    fs::remove(temporary, ec);
    if (!locked)
        return WithContext(locked.error(), context);
    return result;
}

Result<void> Service::Stop() {
    std::string context = "stopping service " + name_;
    Result<RegKey> key = ExistingServiceKey(name_);
    if (!key)
        return WithContext(key.error(), context);
    Result<void> result;
    Result<void> locked = UpdateMachine(MachineFolder(), [&](Machine&) {
        if (!IsRunning(name_)) {
            result = Fail(context + ": the service is not running");
            return;
        }
        std::error_code ec;
        fs::remove(RecordOf(name_), ec);
        fs::remove(CopyOf(name_), ec);
    });
    if (!locked)
        return WithContext(locked.error(), context);
    if (!result)
        return result;
    // A service marked for deletion goes with its driver.
    Result<std::optional<RegKey>> gone = FindServiceKey(name_);
    if (!gone)
        return WithContext(gone.error(), context);
    return {};
}

Result<void> Service::Delete() {
    std::string context = "deleting service " + name_;
    Result<RegKey> key = ExistingServiceKey(name_);
    if (!key)
        return WithContext(key.error(), context);
    if (key->QueryDword("DeleteFlag").value_or(0) != 0)
        return Fail(context + ": the service is marked for deletion already");
    Result<Registry*> registry = CurrentRegistry();
    if (!registry)
        return WithContext(registry.error(), context);
    if (IsRunning(name_)) {
        Result<RegKey> writable = (*registry)->OpenKey(key->Path(), true);
        if (!writable)
            return WithContext(writable.error(), context);
        Result<void> marked = writable->SetDword("DeleteFlag", 1);
        if (!marked)
            return WithContext(marked.error(), context);
        return {};
    }
    Result<void> removed = (*registry)->DeleteTree(KeyPathOf(name_));
    if (!removed)
        return WithContext(removed.error(), context);
    return {};
}

Result<ServiceStatus> Service::Query() const {
    Result<RegKey> key = ExistingServiceKey(name_);
    if (!key)
        return WithContext(key.error(), "querying service " + name_);
    return StatusOf(*key);
}

Result<ServiceManager> ServiceManager::Open() {
    Result<Registry*> registry = CurrentRegistry();
    if (!registry)
        return WithContext(registry.error(), "opening the service control manager");
    return ServiceManager();
}

Result<Service> ServiceManager::Create(const ServiceConfig& config) {
    std::string context = "creating service " + config.name;
    if (!ValidServiceName(config.name))
        return Fail(context + ": invalid service name");
    Result<std::optional<RegKey>> existing = FindServiceKey(config.name);
    if (!existing)
        return WithContext(existing.error(), context);
    if (*existing) {
        bool marked = (*existing)->QueryDword("DeleteFlag").value_or(0) != 0;
        return Fail(context +
                    (marked ? ": the service is marked for deletion" : ": the service exists already"));
    }
    Result<Registry*> registry = CurrentRegistry();
    if (!registry)
        return WithContext(registry.error(), context);
    Result<void> written = (*registry)->Transaction([&]() -> Result<void> {
        Result<RegKey> key = (*registry)->OpenKey(KeyPathOf(config.name), true);
        if (!key)
            return key.error();
        for (auto [name, value] : {std::pair<const char*, uint32_t>{"Type", config.type},
                                   {"Start", config.startType},
                                   {"ErrorControl", config.errorControl}}) {
            if (Result<void> set = key->SetDword(name, value); !set)
                return set;
        }
        if (Result<void> set = key->SetExpandString("ImagePath", config.imagePath); !set)
            return set;
        if (!config.displayName.empty())
            if (Result<void> set = key->SetString("DisplayName", config.displayName); !set)
                return set;
        return {};
    });
    if (!written)
        return WithContext(written.error(), context);
    return Service(config.name);
}

Result<Service> ServiceManager::OpenService(std::string_view name) {
    Result<RegKey> key = ExistingServiceKey(name);
    if (!key)
        return WithContext(key.error(), "opening service " + std::string(name));
    return Service(key->Name());
}

Result<std::vector<ServiceStatus>> ServiceManager::List() {
    std::vector<ServiceStatus> services;
    Result<Registry*> registry = CurrentRegistry();
    if (!registry)
        return WithContext(registry.error(), "listing services");
    std::optional<RegKey> root = (*registry)->FindKey(kServicesKeyPath);
    if (!root)
        return services;
    Result<std::vector<std::string>> names = root->SubkeyNames();
    if (!names)
        return WithContext(names.error(), "listing services");
    for (const std::string& name : *names) {
        Result<std::optional<RegKey>> key = FindServiceKey(name);
        if (key && *key)
            services.push_back(StatusOf(**key));
    }
    return services;
}

}  // namespace platform
