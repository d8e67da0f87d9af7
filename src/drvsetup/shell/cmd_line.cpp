#include "drvsetup/shell/cmd_line.h"

#include <algorithm>

#include "drvsetup/shell/framework_int.h"
#include "drvsetup/shell/text_tools.h"

namespace drvsetup {

namespace {

CmdLineTokenTable& Table() {
    static CmdLineTokenTable table;
    return table;
}

}  // namespace

const CmdLineTokenTable& CmdLineTokens() {
    return Table();
}

void ParseCmdLine(std::string_view text) {
    CmdLineTokenTable& table = Table();
    table = CmdLineTokenTable{};
    std::string_view rest = TrimBlanks(text);
    while (!rest.empty()) {
        size_t space = rest.find(' ');
        std::string_view token = space == std::string_view::npos ? rest : rest.substr(0, space);
        rest = space == std::string_view::npos ? std::string_view() : TrimBlanks(rest.substr(space + 1));
        if (table.count < CmdLineTokenTable::kSlots) {
            table.slots[static_cast<size_t>(table.count)] = std::string(token);
            ++table.count;
        }
    }
}

bool IsSilentCmdLine() {
    for (const std::string& slot : Table().slots) {
        if (slot.empty()) {
            return false;
        }
        if (slot.size() == 2 && slot[0] == '/' && (slot[1] == 's' || slot[1] == 'S')) {
            return true;
        }
    }
    return false;
}

std::string CmdLineTextFromArguments(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        text += argument;
        text += ' ';
    }
    return text;
}

std::optional<int32_t> ProductToken() {
    const CmdLineTokenTable& table = Table();
    if (table.count < 1) {
        return std::nullopt;
    }
    return FrameworkIntOr(table.slots[0], 0);
}

std::optional<size_t> SelectProductByToken(const std::vector<int32_t>& installDriverValues) {
    std::optional<int32_t> product = ProductToken();
    if (!product) {
        return std::nullopt;
    }
    size_t considered = std::min<size_t>(installDriverValues.size(), 10);
    for (size_t i = 0; i < considered; ++i) {
        if (installDriverValues[i] == *product) {
            return i;
        }
    }
    return std::nullopt;
}

void ApplyActionTokens(CmdLineParam& param) {
    const CmdLineTokenTable& table = Table();
    for (size_t i = 1; i < CmdLineTokenTable::kSlots; ++i) {
        int32_t action = FrameworkIntOr(table.slots[i], -1);
        if (action == 1) {
            param.SetAutoInstall(1);
            return;
        }
        if (action == 0) {
            param.SetAutoUninstall(1);
            return;
        }
        if (table.slots[i].empty()) {
            return;
        }
    }
}

}  // namespace drvsetup
