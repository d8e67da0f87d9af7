#pragma once

// The service control manager of the emulated system: OpenSCManager, CreateService, OpenService,
// StartService, ControlService(stop), DeleteService and QueryServiceStatus over the registry key
// HKLM\SYSTEM\CurrentControlSet\Services\<name>, with values stored as Windows stores them:
//   Type          DWORD   1 kernel driver, 2 file-system driver, 0x10 own process, 0x20 shared process
//   Start         DWORD   0 boot ... 3 demand, 4 disabled
//   ErrorControl  DWORD   0 ignore, 1 normal, 2 severe, 3 critical
//   ImagePath     REG_EXPAND_SZ
//   DisplayName   REG_SZ
//   DeleteFlag    DWORD   1 while the service is marked for deletion (it is still running)
//
// Only kernel drivers can be started. Starting one copies its image file to the system root's
// machine/loaded/<name>.so and writes machine/loaded/<name>.driver (its image path and device names);
// the service runs while both exist. Because every program is a separate process, that folder is how
// they all see which drivers are loaded; a process that opens a driver's device loads the copy into
// itself (see device.h). Deleting the image file after the start therefore leaves the driver loaded.
// Stopping the service, or the machine powering off (incl. its auto power-on), removes the copies.
//
// Image paths: "\??\<path>" and absolute paths name the file directly ("C:\..." is the system root),
// "\SystemRoot\<path>" and relative paths ("System32\Drivers\x.sys") are below the Windows folder;
// both "\" and "/" separate and case does not matter.
//
// Everything works on the current system root.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/driver_module.h"
#include "platform/result.h"

namespace platform {

enum ServiceType : uint32_t {
    kServiceKernelDriver = 0x1,
    kServiceFileSystemDriver = 0x2,
    kServiceWin32OwnProcess = 0x10,
    kServiceWin32ShareProcess = 0x20,
};
enum ServiceStartType : uint32_t {
    kServiceBootStart = 0,
    kServiceSystemStart = 1,
    kServiceAutoStart = 2,
    kServiceDemandStart = 3,
    kServiceDisabled = 4,
};
enum ServiceErrorControl : uint32_t {
    kServiceErrorIgnore = 0,
    kServiceErrorNormal = 1,
    kServiceErrorSevere = 2,
    kServiceErrorCritical = 3,
};

// The registry path of the services ("SYSTEM\CurrentControlSet\Services").
extern const char* const kServicesKeyPath;

struct ServiceConfig {
    std::string name;  // the key name; compared without regard to case
    std::string displayName;
    uint32_t type = kServiceKernelDriver;
    uint32_t startType = kServiceDemandStart;
    uint32_t errorControl = kServiceErrorNormal;
    std::string imagePath;
};

enum class ServiceState { Stopped, Running };

struct ServiceStatus {
    ServiceConfig config;
    ServiceState state = ServiceState::Stopped;
    bool markedForDeletion = false;
};

// A driver loaded on the machine (its copy and record in machine/loaded/).
struct LoadedDriver {
    std::string serviceName;
    std::string imagePath;             // the image path it was started from
    std::filesystem::path loadedCopy;  // machine/loaded/<name>.so
    DriverDeviceNames device;
};
// The drivers loaded now; a record without its copy (or the reverse) is not a loaded driver.
std::vector<LoadedDriver> LoadedDrivers();
// The folder of the loaded copies in a machine folder, and the unloading of all of them, which the
// machine does when it powers off or is replaced.
std::filesystem::path LoadedDriversFolder(const std::filesystem::path& machineFolder);
void UnloadAllDrivers(const std::filesystem::path& machineFolder);
// The native file an image path names (see above).
std::filesystem::path ResolveImagePath(std::string_view imagePath);

class ServiceManager;

// A service handle (SC_HANDLE from OpenService / CreateService). Cheap to copy; it names the service,
// so it fails cleanly once the service is deleted.
class Service {
  public:
    const std::string& name() const { return name_; }

    // StartService: a kernel driver's image is copied and loaded. Fails when the service is running
    // already, is disabled or marked for deletion, is not a kernel driver, or its image cannot be
    // loaded as a driver module (the service then stays stopped). The machine must be on.
    Result<void> Start();
    // ControlService(SERVICE_CONTROL_STOP): unloads the driver. Fails when it is not running. A
    // service marked for deletion leaves the registry here.
    Result<void> Stop();
    // DeleteService: a stopped service is removed at once; a running one is marked and removed when
    // it stops (or the next time it is looked at after the machine powered off). Deleting one that is
    // marked already fails, as on Windows.
    Result<void> Delete();
    // QueryServiceStatus and QueryServiceConfig in one.
    Result<ServiceStatus> Query() const;

  private:
    friend class ServiceManager;
    explicit Service(std::string name) : name_(std::move(name)) {}
    std::string name_;
};

// The service control manager (OpenSCManager with all access).
class ServiceManager {
  public:
    // Fails when the registry of the current root cannot be opened.
    static Result<ServiceManager> Open();

    // CreateService: fails when a service of that name exists (also one marked for deletion), or
    // when the name is empty or holds "\" or "/".
    Result<Service> Create(const ServiceConfig& config);
    // OpenService: fails when there is no such service.
    Result<Service> OpenService(std::string_view name);
    // Every service in name order.
    Result<std::vector<ServiceStatus>> List();

  private:
    ServiceManager() = default;
};

}  // namespace platform
