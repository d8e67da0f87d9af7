#pragma once

// The install-side view of one hardware setting: its own copy of the record and, built from that copy,
// the INF files to install on each Windows family. The installer asks it for the INF of the running
// system and for setup values; the generator edits the record through it and writes it to a setup INI.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "drvsetup/config/hw_setting.h"
#include "drvsetup/shell/per_inf_file.h"

namespace platform::profile {
class ProfileFile;
}

namespace drvsetup {

class ApDrvInstall_HwSetting {
  public:
    explicit ApDrvInstall_HwSetting(const IVexaSetting& record);
    ApDrvInstall_HwSetting(const ApDrvInstall_HwSetting&) = delete;
    ApDrvInstall_HwSetting& operator=(const ApDrvInstall_HwSetting&) = delete;

    void SetFromRecord(const IVexaSetting& record);
    // Builds the five INF lists again from the record.
    void Rebuild();

    // OS code -1 stands for the running system. Index -1 asks for the chosen INF (which nothing sets).
    PerInfFile* GetInf(int32_t osCode, int32_t index) const;
    // The first INF of the running system's family, or the shared placeholder whose path is "Error".
    PerInfFile* CurrentInf() const;

    HwSettingIO& Record() { return *record_; }
    const HwSettingIO& Record() const { return *record_; }
    std::string GetValue(int32_t id) const { return record_->GetString(id); }
    int32_t GetIntValue(int32_t id, int32_t defaultValue) const { return record_->GetInt(id, defaultValue); }
    void SetValue(int32_t id, const std::string& text) { record_->SetString(id, text); }
    std::string GetModelCode() const;

    std::string GetDriverFolder(int32_t osCode) const;
    void SetDriverFolder(int32_t osCode, const std::string& folder);
    std::string GetMediaPlayerSetup(int32_t osCode) const;
    void SetMediaPlayerSetup(int32_t osCode, const std::string& name);

    // Nothing for a code outside the five families or an index outside 0..5.
    void SetInfFileName(int32_t osCode, int32_t index, const std::string& name);
    void SetInfHwName(int32_t osCode, int32_t index, const std::string& name);
    void SetInfServiceName(int32_t osCode, int32_t index, const std::string& name);
    // Points the slot's INF at folder + "\" + file name, making the INF when the slot has none.
    void SetInfPath(int32_t osCode, int32_t index, const std::string& folder, const std::string& fileName);
    // SetInfPath, and the slot's keys and names set to match.
    void SetInf(int32_t osCode, int32_t index, const std::string& folder, const std::string& fileName,
                const std::string& hwName, const std::string& serviceName);

    // The record's [__info] and its own section, written into the file.
    void WriteToIni(platform::profile::ProfileFile& file, std::string_view section) const;

    static constexpr int kSlots = 6;

  private:
    PerInfFile* SlotInf(int32_t osCode, int32_t index) const;

    std::unique_ptr<HwSettingIO> record_;
    std::array<std::vector<std::unique_ptr<PerInfFile>>, 5> lists_;
    PerInfFile* chosenInf_ = nullptr;
};

}  // namespace drvsetup
