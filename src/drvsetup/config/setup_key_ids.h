#pragma once

// Identifiers of the setup keys that code addresses by name. The key table holds them all; these are
// the ones the programs' logic looks at.

#include <cstdint>

namespace drvsetup::key {

inline constexpr int32_t VideoSource = 9880;
inline constexpr int32_t TunerModal = 9905;
inline constexpr int32_t AirChSys = 9907;
inline constexpr int32_t CatvChSys = 9908;
inline constexpr int32_t OemProductName = 9933;
inline constexpr int32_t mpeg2VideoDecoderGuid = 10020;
inline constexpr int32_t Mpeg2AudioDecoder = 10021;
inline constexpr int32_t Mpeg2Splitter = 10022;
inline constexpr int32_t V_HardwareSubID = 10024;
inline constexpr int32_t V_HardwareID = 10025;
inline constexpr int32_t bInstallDrvSelected = 10026;
inline constexpr int32_t bApSettingSelected = 10027;
inline constexpr int32_t Db_Selected = 10035;
inline constexpr int32_t DbHw_Selected = 10036;
inline constexpr int32_t hwVidPidDescription = 10045;
inline constexpr int32_t oemDescription = 10046;
inline constexpr int32_t MainFormCaption = 10048;
inline constexpr int32_t ProductBoxCaption = 10050;
inline constexpr int32_t IinstallButtonName = 10051;
inline constexpr int32_t CmdLineParameter = 10052;
inline constexpr int32_t UnIinstallButtonName = 10053;
inline constexpr int32_t ExitButtonName = 10054;
inline constexpr int32_t System32FileFlagFileName = 100630;
inline constexpr int32_t ShortCutSimIR_ApName = 10075;
inline constexpr int32_t Ap0 = 10083;
inline constexpr int32_t Ap0Param = 10090;
inline constexpr int32_t UnAp0 = 10100;
inline constexpr int32_t UnAp0Param = 10107;
inline constexpr int32_t bEnableType = 10200;
inline constexpr int32_t setupItemID = 10201;
inline constexpr int32_t InstallDriver = 10210;
inline constexpr int32_t WdmDllName = 9840;
inline constexpr int32_t hwSubSystemId = 10295;

}  // namespace drvsetup::key
