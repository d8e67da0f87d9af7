#pragma once

// The built-in database of tuner models: the choice lists the generator window offers (makers, tuners
// per maker or type, standards) and the lookups that pick a tuner for a product or a type.

#include <cstdint>
#include <map>
#include <memory>

#include "drvsetup/config/reg_data.h"
#include "drvsetup/device/tuner_device.h"

namespace drvsetup {

class ITunerDataBase {
  public:
    virtual SettingString& MakerList() = 0;
    // maker -1 stands for every maker.
    virtual SettingString& TunersOfMaker(int32_t maker, TvStandard standard) = 0;
    virtual SettingString& TunersOfType(uint32_t type, TvStandard standard) = 0;
    // -1 when the type has no preferred tuner or none of them holds the standard.
    virtual int32_t DefaultTunerOfType(uint32_t type, TvStandard standard) = 0;
    virtual SettingString* StandardsOfTuner(int32_t modelId) = 0;
    virtual SettingString& StandardList() = 0;
    virtual ITunerDevice* TunerById(int32_t modelId) = 0;
    // On success modelId holds the tuner and maker its maker; both are untouched otherwise.
    virtual bool FindTunerForProduct(int32_t product, TvStandard standard, int32_t& maker,
                                     int32_t& modelId) = 0;
    // Appends every tuner (model id, model name) without clearing the target.
    virtual void AddAllTuners(ISettingData& target) = 0;
    virtual ~ITunerDataBase() = default;
};

class GTuner_Db : public ITunerDataBase {
  public:
    GTuner_Db();
    GTuner_Db(const GTuner_Db&) = delete;
    GTuner_Db& operator=(const GTuner_Db&) = delete;

    SettingString& MakerList() override { return makers_; }
    SettingString& TunersOfMaker(int32_t maker, TvStandard standard) override;
    SettingString& TunersOfType(uint32_t type, TvStandard standard) override;
    int32_t DefaultTunerOfType(uint32_t type, TvStandard standard) override;
    SettingString* StandardsOfTuner(int32_t modelId) override;
    SettingString& StandardList() override { return standards_; }
    ITunerDevice* TunerById(int32_t modelId) override;
    bool FindTunerForProduct(int32_t product, TvStandard standard, int32_t& maker, int32_t& modelId) override;
    void AddAllTuners(ISettingData& target) override;

  private:
    void BuildStandardList();
    void BuildMakerList();

    SettingString makers_;
    SettingString tunersOfMaker_;
    SettingString tunersOfType_;
    SettingString standards_;
    // Declared last so the tuners go before the lists, as they were made after them.
    std::map<int32_t, std::unique_ptr<ITunerDevice>> devices_;
};

}  // namespace drvsetup
