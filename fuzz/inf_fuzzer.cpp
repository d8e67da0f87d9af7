// The INF parser over any bytes, ANSI or UTF-16: the model section lines straight from the bytes, and
// a whole INF file parsed for a 32-bit and a 64-bit system.

#include <cstddef>
#include <cstdint>
#include <string>

#include "drvsetup/shell/os_tools.h"
#include "drvsetup/shell/per_inf_file.h"
#include "fuzz_support.h"

namespace {

void CheckIds(const drvsetup::PerInfFile& inf) {
    for (const drvsetup::tag_HardwareID& id : inf.GetHardwareIds()) {
        if (id.hardwareId.empty() || id.hardwareId.size() > drvsetup::kHardwareIdMaxChars) {
            kit_fuzz::Fail("a hardware identifier of impossible length");
        }
        if (id.busKind != drvsetup::BusPci && id.busKind != drvsetup::BusUsb &&
            id.busKind != drvsetup::BusStream) {
            kit_fuzz::Fail("a hardware identifier of no known bus");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = kit_fuzz::AsText(data, size);
    for (const char* section : {"Models", "Vexa.NTamd64", ""}) {
        for (const std::string& line : drvsetup::ReadInfSectionLines(bytes, section)) {
            drvsetup::tag_HardwareID id;
            (void)drvsetup::ParseHardwareIdLine(line, id);
        }
    }

    const std::filesystem::path path = kit_fuzz::FreshFolder("inf") / "driver.inf";
    if (!kit_fuzz::WriteBytes(path, bytes)) {
        kit_fuzz::Fail("cannot write the INF file");
    }
    for (int32_t code : {drvsetup::OsWinXP32, drvsetup::OsWinXP64}) {
        drvsetup::PerInfFile inf(code, path.string(), "hardware", "service");
        CheckIds(inf);
        std::vector<std::string> list;
        inf.ListHardwareIds(list);
        if (list.size() != inf.GetHardwareIds().size()) {
            kit_fuzz::Fail("the listed identifiers differ from the parsed ones");
        }
    }
    return 0;
}
