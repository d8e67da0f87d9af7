#pragma once

// The setup INI loader: turns "drvInstall.ini" next to the executable into the hardware settings the
// installer offers as products, and picks the preselected one. It owns every record it makes.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drvsetup/config/hw_setting.h"

namespace drvsetup {

class VexaApIni {
  public:
    // Mode 1 loads "drvInstall.ini" at once; any other mode leaves the loader empty.
    explicit VexaApIni(int32_t loadMode);
    VexaApIni(const VexaApIni&) = delete;
    VexaApIni& operator=(const VexaApIni&) = delete;

    IVexaSetting* Selected() const { return selected_; }
    // The record whose setupItemID is the name becomes the selected one and gets bApSettingSelected
    // "1"; every other record gets "0". Without a match the selection stays.
    void SelectByName(const std::string& name);
    // The records in name order (byte-wise).
    std::vector<IVexaSetting*> Records() const;
    size_t RecordCount() const { return records_.size(); }
    const std::string& ExecutableFolder() const { return folder_; }

  private:
    void Load();

    std::string folder_;
    std::map<std::string, std::unique_ptr<HwSettingIO>> records_;
    IVexaSetting* selected_ = nullptr;
};

}  // namespace drvsetup
