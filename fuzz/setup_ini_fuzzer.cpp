// The setup INI line reader over any bytes, and the setup INI loader over the same bytes as the
// kit's "drvInstall.ini".

#include <cstddef>
#include <cstdint>
#include <string>

#include "drvsetup/config/setup_ini_lines.h"
#include "drvsetup/config/vexa_ap_ini.h"
#include "fuzz_support.h"
#include "platform/paths.h"

namespace {

// Only this many sections are looked into, so a file of thousands of headers stays a fast input.
constexpr size_t kSectionsLooked = 64;

void CheckLines(std::string_view bytes) {
    const drvsetup::SetupIniLines lines = drvsetup::SetupIniLines::FromBytes(bytes);
    const std::vector<std::string> names = lines.SectionNames();
    for (size_t i = 0; i < names.size() && i < kSectionsLooked; ++i) {
        // A listed name need not be found again: "key=[x]" lists as "ey=[x", and no line holds
        // "[ey=[x]".
        const std::string& name = names[i];
        if (!lines.FindSectionLine(name) && !lines.SectionBody(name).empty()) {
            kit_fuzz::Fail("a section that is not found has a body");
        }
        for (const std::string& line : lines.SectionBody(name)) {
            if (line.find_first_of("[]") != std::string::npos) {
                kit_fuzz::Fail("a section body holds a bracket line");
            }
        }
        for (const auto& [key, value] : lines.SectionEntries(name)) {
            std::optional<std::string> found = lines.SectionValue(name, key);
            if (!found || *found != value) {
                kit_fuzz::Fail("an entry reads back differently by key");
            }
        }
    }
    for (const std::string& line : lines.Lines()) {
        (void)drvsetup::SplitEntry(line);
    }
}

void CheckLoader(std::string_view bytes) {
    const std::filesystem::path kit = kit_fuzz::FreshFolder("kit");
    if (!kit_fuzz::WriteBytes(kit / "drvInstall.ini", bytes)) {
        kit_fuzz::Fail("cannot write the INI file");
    }
    platform::SetExecutablePath((kit / "drvsetup").string());
    drvsetup::VexaApIni ini(1);
    if (ini.Selected() == nullptr || ini.RecordCount() == 0) {
        kit_fuzz::Fail("the loader ends without a selected record");
    }
    std::vector<drvsetup::IVexaSetting*> records = ini.Records();
    ini.SelectByName(records.back()->GetName());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = kit_fuzz::AsText(data, size);
    CheckLines(bytes);
    CheckLoader(bytes);
    return 0;
}
