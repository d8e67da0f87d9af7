#pragma once

// The identity of the BIOS the machine runs, read from physical memory: the SMBIOS structures, the
// maker's signature records in the BIOS segment and, where the BIOS offers it, its SMI interface.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fwupdate/bios_identity.h"
#include "fwupdate/hardware_access.h"

namespace fwupdate {

// One SMBIOS structure as the table holds it: its formatted area and its strings, in order.
struct SmbiosStructure {
    uint8_t type = 0;
    std::vector<uint8_t> formatted;
    std::vector<std::string> strings;
    // String n (from 1) of the structure, at most 31 characters; empty when there is none.
    std::string String(size_t n) const;
};

// The first structure of a type in the table that the "_DMI_" entry point of the BIOS segment names.
// The walk stops at the end-of-table structure, and in any case at the end of the table length the
// entry point gives, so a table without an end structure or with a broken one is never overrun.
std::optional<SmbiosStructure> FindSmbiosStructure(HardwareAccess& hardware, uint8_t type);

// Fills the identity through an open driver; signatures and structures that are missing leave their
// fields empty.
void ReadRunningBiosIdentity(HardwareAccess& hardware, BiosIdentity& identity);

// Opens the driver (up to ten attempts), reads the identity and closes it: 0, or kResultNoDriver.
uint32_t ReadRunningBiosIdentity(BiosIdentity& identity);

}  // namespace fwupdate
