#include <cstdio>
#include <string_view>

#include "platform/number_text.h"
#include "platform/system_root.h"
#include "winsys/commands.h"

namespace winsys {

namespace {

// Decimal, or hexadecimal after "0x", within 32 bits.
bool ParseNumber(std::string_view text, unsigned& value) {
    uint64_t wide = 0;
    if (!platform::ParseUnsigned(text, wide) || wide > 0xFFFFFFFFu) {
        return false;
    }
    value = static_cast<unsigned>(wide);
    return true;
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty())
            out += separator;
        out += item;
    }
    return out;
}

}  // namespace

void SelectRoot(const std::string& root) {
    platform::UseSystemRoot(root);
}

int RunInit(const std::vector<std::string>& args) {
    std::string dir;
    std::string os;
    unsigned lcid = 0, langid = 0, codepage = 0;
    bool haveLcid = false, haveLangid = false, haveCodepage = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto number = [&](unsigned& value, bool& have) {
            if (i + 1 >= args.size() || !ParseNumber(args[i + 1], value)) {
                std::fprintf(stderr, "winsys init: %s needs a number\n", a.c_str());
                return false;
            }
            have = true;
            ++i;
            return true;
        };
        if (a == "--os") {
            if (i + 1 >= args.size()) {
                std::fputs("winsys init: --os needs a name\n", stderr);
                return 2;
            }
            os = args[++i];
        } else if (a == "--lcid") {
            if (!number(lcid, haveLcid))
                return 2;
        } else if (a == "--langid") {
            if (!number(langid, haveLangid))
                return 2;
        } else if (a == "--codepage") {
            if (!number(codepage, haveCodepage))
                return 2;
        } else if (dir.empty() && !a.starts_with("--")) {
            dir = a;
        } else {
            std::fprintf(stderr, "winsys init: unexpected argument '%s'\n", a.c_str());
            return 2;
        }
    }
    if (dir.empty()) {
        dir = platform::CurrentSystemRoot().string();
    }
    if (os.empty()) {
        os = "xp";
    }
    auto config = platform::PresetConfig(os);
    if (!config) {
        std::fprintf(stderr, "winsys init: unknown system '%s' (one of: %s)\n", os.c_str(),
                     Join(platform::PresetNames(), ", ").c_str());
        return 2;
    }
    if (haveLcid)
        config->userDefaultLcid = lcid;
    if (haveLangid)
        config->systemDefaultLangId = langid;
    if (haveCodepage)
        config->ansiCodePage = codepage;
    platform::Result<void> made = platform::InitSystemRoot(dir, *config);
    if (!made) {
        std::fprintf(stderr, "winsys init: %s\n", made.error().message.c_str());
        return 1;
    }
    std::printf("created system root %s (%s)\n", dir.c_str(), os.c_str());
    return 0;
}

int RunShow(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fputs("winsys show: takes no arguments\n", stderr);
        return 2;
    }
    std::filesystem::path root = platform::CurrentSystemRoot();
    const platform::SystemConfig& c = platform::CurrentSystemConfig();
    std::printf("root                 %s\n", root.c_str());
    std::printf("system               %s\n", c.name.c_str());
    std::printf("version              platform %u, %u.%u build %u, \"%s\"\n", c.platformId, c.major, c.minor,
                c.build, c.servicePack.c_str());
    std::printf("version records      extended %s, basic %s\n", c.extendedVersionQuery ? "yes" : "no",
                c.basicVersionQuery ? "yes" : "no");
    std::printf("processor            %s (%u)\n", c.processorArchitecture == 9 ? "x64" : "x86",
                c.processorArchitecture);
    std::printf("GetNativeSystemInfo  %s\n", c.nativeSystemInfo ? "yes" : "no");
    std::printf("WOW64 redirection    %s\n", c.wow64Redirection ? "yes" : "no");
    std::printf("user LCID            %u (0x%04x)\n", c.userDefaultLcid, c.userDefaultLcid);
    std::printf("system LANGID        %u (0x%04x)\n", c.systemDefaultLangId, c.systemDefaultLangId);
    std::printf("ANSI code page       %u\n", c.ansiCodePage);
    for (const auto& [name, value] : c.environment) {
        std::printf("environment          %s=%s\n", name.c_str(), value.c_str());
    }
    std::printf("open process token   %s\n", c.openProcessToken ? "yes" : "no");
    std::printf("privileges           %s\n", Join(c.privileges, " ").c_str());
    std::printf("Windows folder       %s\n", platform::WindowsFolder().c_str());
    std::printf("registry             %s\n", platform::RegistryDatabase().c_str());
    return 0;
}

}  // namespace winsys
