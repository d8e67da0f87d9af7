// ConResCht.dll: Traditional Chinese (繁體中文), LANGID 0x0404. The English table translated id for id; the
// printf specifiers and line breaks are those of the English texts.
#include <iterator>

#include "fwupdate/lang/lang_table.h"

namespace fwupdate::lang {

namespace {

constexpr LangString kStrings[] = {
    {1, "在下列工作完成之前，\n請勿中斷本程式："},
    {2, "解壓縮檔案"},
    {3, "BIOS 更新"},
    {4, "MICOM 更新"},
    {5, "正在準備解壓縮檔案，請稍候..."},
    {7, "正在準備更新 BIOS。"},
    {8, "正在準備更新 MICOM。"},
    {9, "檔案解壓縮失敗。\n\n程式即將結束。"},
    {10, "正在執行下列作業。\n請等候作業完成。"},
    {11, "載入新的 MICOM"},
    {12, "檢查 MICOM 之間的相容性。"},
    {13, "讀取現有的 MICOM。"},
    {14, "儲存現有的 MICOM。"},
    {15, "更新 MICOM"},
    {16,
     " - 本程式會更新 BIOS 與 MICOM 的快閃 ROM。\n\n - 更新期間，滑鼠與鍵盤將無法正常運作。\n\n - "
     "為確保更新穩定，請結束執行中的程式。\n\n - 更新完成後，系統會關機，然後自動重新開機。"},
    {17, "目前 BIOS 版本 : "},
    {18, "新 BIOS 版本   : "},
    {19, "載入驅動程式失敗。\n\n請重新啟動系統。"},
    {20, "程式將關閉系統，並於數秒後重新開機。"},
    {21,
     "要更新的 BIOS/MICOM 機型不同。\n\n請檢查程式。\n\n 目前機型（BIOS 零件編號）: %s(%s)\n\n     "
     "新機型（BIOS 零件編號）: %s(%s)"},
    {22, "磁碟可用空間不足。\n\n   剩餘磁碟可用空間：%ldMB\n 所需磁碟可用空間：%dMB"},
    {23, "硬碟受密碼保護。\n\n請在 BIOS 設定中解除硬碟的密碼保護，然後再試一次。\n\n程式已結束。"},
    {24, "更新 DMI 資訊。"},
    {25, "無效的選項。\n請檢查選項。"},
    {26, "自動開機設定失敗。"},
    {27, "程式初始化失敗。"},
    {28, "BIOS 更新失敗。"},
    {29, "MICOM 更新失敗。"},
    {30, "無效的 BIOS 檔案。"},
    {31, "無效的 MICOM 檔案。"},
    {32, "SMI 設定失敗。"},
    {33, "建立目錄失敗。"},
    {34, "未連接 AC 變壓器。\n\n更新時必須連接 AC 變壓器。"},
    {35, "未安裝電池，或電池剩餘電量低於 30%%。\n\n請檢查電池。"},
    {36, "系統 BIOS 的版本比更新版本新。\n\n 更新即將結束。"},
    {37, "未連接 AC 變壓器，且未安裝電池或電池剩餘電量低於 30%%。 \n\n請檢查變壓器與電池。"},
    {38, "警告"},
    {39, "更新完成"},
    {40, "失敗 : 設定自動開機"},
    {41, "失敗 : 磁碟空間"},
    {42, "嚴重錯誤"},
    {43, "失敗 : 解壓縮"},
    {44, "失敗 : 硬碟密碼"},
    {45, "失敗 : 載入驅動程式"},
    {46, "失敗 : 機型(BIOS 零件編號)"},
    {47, "失敗 : 更新 BIOS"},
    {48, "失敗 : MICOM"},
    {49, "失敗 : BIOS 檔案"},
    {50, "失敗 : MICOM 檔案"},
    {51, "失敗 : 啟用 SMI"},
    {52, "失敗 : 目錄"},
    {53, "失敗 : 電源"},
    {54, "失敗 : 無效的選項"},
    {55, "失敗 : BIOS 日期"},
};

}  // namespace

extern const LangTable kLanguageTable{"Traditional Chinese", 0x0404, kStrings, std::size(kStrings)};

}  // namespace fwupdate::lang
