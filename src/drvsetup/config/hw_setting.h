#pragma once

// The one concrete hardware setting record: the readers and writers of VexaSettingBase for setup
// INI lines, profile files and the registry. Every constructor first builds the defaults for a product
// number, then overrides values.

#include <string>
#include <string_view>
#include <vector>

#include "drvsetup/config/vexa_setting_base.h"

namespace platform::profile {
class ProfileFile;
}

namespace drvsetup {

class SetupIniLines;

class HwSettingIO : public VexaSettingBase {
  public:
    // The defaults of product p, with InstallDriver d ("QM718 No Ini" is p = d = 718).
    HwSettingIO(int32_t product, int32_t driverProduct);
    // Section S of a setup INI read with the line reader.
    HwSettingIO(const SetupIniLines& lines, std::string_view section);
    // Section S of a profile file (keys spelled exactly as in the key table).
    HwSettingIO(const platform::profile::ProfileFile& file, std::string_view section);
    // A profile file in the legacy layout of product p with InstallDriver d: [__Info], [InstallData]
    // and the model code's three sections, searched in that order for every key.
    struct Legacy {};
    HwSettingIO(Legacy, const platform::profile::ProfileFile& file, int32_t product, int32_t driverProduct);
    // The registry record N under the tuner key (the key is created when missing).
    struct FromRegistry {};
    HwSettingIO(FromRegistry, std::string_view name);
    // A copy of any record: the defaults of its product, then all its values, its name and its tag.
    explicit HwSettingIO(const IVexaSetting& other);
    HwSettingIO(const HwSettingIO& other) : HwSettingIO(static_cast<const IVexaSetting&>(other)) {}
    HwSettingIO& operator=(const HwSettingIO&) = delete;

    // Every install-information (class 209) slot into [__info], ascending identifier order.
    void WriteInfo(platform::profile::ProfileFile& file) const;
    // Every slot into section S, ascending identifier order.
    void WriteSection(platform::profile::ProfileFile& file, std::string_view section) const;
    // One "key=value" line per slot, ascending identifier order.
    void WriteLines(std::vector<std::string>& lines) const;
    // One string value per slot, each its own registry write; nothing when the key cannot be opened.
    void SaveToRegistry(const std::string& name) override;
};

}  // namespace drvsetup
