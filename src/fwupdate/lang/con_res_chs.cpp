// ConResChs.dll: Simplified Chinese (简体中文), LANGID 0x0804. The English table translated id for id; the
// printf specifiers and line breaks are those of the English texts.
#include <iterator>

#include "fwupdate/lang/lang_table.h"

namespace fwupdate::lang {

namespace {

constexpr LangString kStrings[] = {
    {1, "在以下任务完成之前，\n请不要中断本程序："},
    {2, "解压文件"},
    {3, "BIOS 更新"},
    {4, "MICOM 更新"},
    {5, "正在准备解压文件，请稍候..."},
    {7, "正在准备更新 BIOS。"},
    {8, "正在准备更新 MICOM。"},
    {9, "文件解压失败。\n\n程序将被终止。"},
    {10, "正在执行以下操作。\n请等待操作完成。"},
    {11, "载入新的 MICOM"},
    {12, "检查 MICOM 之间的兼容性。"},
    {13, "读取现有的 MICOM。"},
    {14, "保存现有的 MICOM。"},
    {15, "更新 MICOM"},
    {16,
     " - 本程序将更新 BIOS 和 MICOM 的闪存 ROM。\n\n - 更新期间，鼠标和键盘将无法正常工作。\n\n - "
     "为确保更新稳定，请退出正在运行的程序。\n\n - 更新完成后，系统将关闭，然后自动重新开机。"},
    {17, "当前 BIOS 版本 : "},
    {18, "新 BIOS 版本   : "},
    {19, "加载驱动程序失败。\n\n请重新启动系统。"},
    {20, "程序将关闭系统，并在几秒钟后重新开机。"},
    {21,
     "要更新的 BIOS/MICOM 型号不同。\n\n请检查程序。\n\n 当前型号（BIOS 部件号）: %s(%s)\n\n     "
     "新型号（BIOS 部件号）: %s(%s)"},
    {22, "磁盘可用空间不足。\n\n   剩余磁盘可用空间：%ldMB\n 所需磁盘可用空间：%dMB"},
    {23, "硬盘受密码保护。\n\n请在 BIOS 设置中解除硬盘的密码保护，然后重试。\n\n程序已终止。"},
    {24, "更新 DMI 信息。"},
    {25, "无效的选项。\n请检查选项。"},
    {26, "自动开机设置失败。"},
    {27, "程序初始化失败。"},
    {28, "BIOS 更新失败。"},
    {29, "MICOM 更新失败。"},
    {30, "无效的 BIOS 文件。"},
    {31, "无效的 MICOM 文件。"},
    {32, "SMI 设置失败。"},
    {33, "创建目录失败。"},
    {34, "未连接交流电源适配器。\n\n更新时必须连接交流电源适配器。"},
    {35, "未安装电池，或电池剩余电量低于 30%%。\n\n请检查电池。"},
    {36, "系统 BIOS 的版本比更新版本新。\n\n 更新将被终止。"},
    {37, "未连接交流电源适配器，并且未安装电池或电池剩余电量低于 30%%。 \n\n请检查适配器和电池。"},
    {38, "警告"},
    {39, "更新完成"},
    {40, "失败 : 设置自动开机"},
    {41, "失败 : 磁盘空间"},
    {42, "严重错误"},
    {43, "失败 : 解压"},
    {44, "失败 : 硬盘密码"},
    {45, "失败 : 加载驱动程序"},
    {46, "失败 : 型号(BIOS 部件号)"},
    {47, "失败 : 更新 BIOS"},
    {48, "失败 : MICOM"},
    {49, "失败 : BIOS 文件"},
    {50, "失败 : MICOM 文件"},
    {51, "失败 : 启用 SMI"},
    {52, "失败 : 目录"},
    {53, "失败 : 电源"},
    {54, "失败 : 无效的选项"},
    {55, "失败 : BIOS 日期"},
};

}  // namespace

extern const LangTable kLanguageTable{"Simplified Chinese", 0x0804, kStrings, std::size(kStrings)};

}  // namespace fwupdate::lang
