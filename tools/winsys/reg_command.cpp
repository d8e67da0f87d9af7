// winsys reg: look at and change the registry of a system root.
//   reg query KEY          the key's values and subkeys, as `reg query` shows them
//   reg export KEY FILE    a .reg file of the key and everything below it
//   reg import FILE        a .reg file applied in one go
// Text is shown as UTF-8 whatever the system's code page, so names and data come out unchanged.

#include <cstdio>
#include <string>

#include "platform/codepage.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "winsys/commands.h"

namespace winsys {

namespace {

int RegUsage() {
    std::fputs("usage: winsys reg query KEY | reg export KEY FILE | reg import FILE\n", stderr);
    return 2;
}

int Failed(const platform::Error& error) {
    std::fprintf(stderr, "winsys: %s\n", error.message.c_str());
    return 1;
}

std::string HexBytes(std::string_view data) {
    std::string out;
    char buffer[4];
    for (char c : data) {
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned char>(c));
        out += buffer;
    }
    return out;
}

std::string ShowData(const platform::RegValue& value) {
    switch (value.type) {
        case platform::kRegSz:
        case platform::kRegExpandSz:
            return platform::DecodeRegString(value.data, platform::kCodePageUtf8);
        case platform::kRegMultiSz: {
            std::string out;
            for (const std::string& item :
                 platform::DecodeRegMultiString(value.data, platform::kCodePageUtf8)) {
                out += (out.empty() ? "" : "\\0") + item;
            }
            return out;
        }
        case platform::kRegDword:
            if (value.data.size() == 4) {
                uint32_t number = 0;
                for (int i = 3; i >= 0; --i) {
                    number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
                }
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "0x%x", number);
                return buffer;
            }
            return HexBytes(value.data);
        default:
            return HexBytes(value.data);
    }
}

std::string ShownPath(const std::string& path) {
    return path.empty() ? "HKEY_LOCAL_MACHINE" : "HKEY_LOCAL_MACHINE\\" + path;
}

int Query(platform::Registry& registry, const std::string& path) {
    platform::Result<platform::RegKey> key = registry.OpenKey(path, false);
    if (!key) {
        return Failed(key.error());
    }
    platform::Result<std::vector<platform::RegValue>> values = key->Values();
    if (!values) {
        return Failed(values.error());
    }
    platform::Result<std::vector<std::string>> subkeys = key->SubkeyNames();
    if (!subkeys) {
        return Failed(subkeys.error());
    }
    std::printf("\n%s\n", ShownPath(key->Path()).c_str());
    for (const platform::RegValue& value : *values) {
        std::printf("    %s    %s    %s\n", value.name.empty() ? "(Default)" : value.name.c_str(),
                    platform::RegTypeName(value.type).c_str(), ShowData(value).c_str());
    }
    std::printf("\n");
    for (const std::string& name : *subkeys) {
        std::printf("%s\n", ShownPath(key->Path().empty() ? name : key->Path() + "\\" + name).c_str());
    }
    return 0;
}

}  // namespace

int RunReg(const std::vector<std::string>& args) {
    if (args.empty()) {
        return RegUsage();
    }
    const std::string& action = args[0];
    if (!((action == "query" && args.size() == 2) || (action == "export" && args.size() == 3) ||
          (action == "import" && args.size() == 2))) {
        return RegUsage();
    }
    platform::Result<platform::Registry*> current = platform::CurrentRegistry();
    if (!current) {
        return Failed(current.error());
    }
    // Paths and names on the command line and on the screen are UTF-8.
    platform::Result<std::unique_ptr<platform::Registry>> registry =
        (*current)->WithCodePage(platform::kCodePageUtf8);
    if (!registry) {
        return Failed(registry.error());
    }
    if (action == "query") {
        return Query(**registry, args[1]);
    }
    if (action == "export") {
        platform::Result<void> exported = platform::ExportRegFileTo(**registry, args[1], args[2]);
        return exported ? 0 : Failed(exported.error());
    }
    platform::Result<void> imported =
        platform::ImportRegFileFrom(**registry, args[1], platform::SystemCodePage());
    return imported ? 0 : Failed(imported.error());
}

}  // namespace winsys
