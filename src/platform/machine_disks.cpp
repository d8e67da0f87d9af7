// The physical drives of the simulated notebook as their disk driver answers the SMART requests.
#include <algorithm>

#include "platform/machine.h"

namespace platform {

namespace {

struct Disk {
    bool present = false;
    bool packet = false;
    bool fixed = false;
    bool removable = false;
    bool security = false;
};

Disk ParseDisk(const std::string& text) {
    Disk disk;
    if (text == "none")
        return disk;
    for (size_t start = 0; start <= text.size();) {
        size_t comma = std::min(text.find(',', start), text.size());
        std::string word = text.substr(start, comma - start);
        if (word == "ata" || word == "atapi") {
            disk.present = true;
            disk.packet = word == "atapi";
        }
        disk.fixed |= word == "fixed";
        disk.removable |= word == "removable";
        disk.security |= word == "security";
        start = comma + 1;
    }
    return disk;
}

// Identify strings hold two characters per word, the first in the high byte, blank padded.
void PutIdentifyText(std::vector<uint8_t>& data, size_t firstWord, size_t words, const std::string& text) {
    for (size_t i = 0; i < words * 2; ++i) {
        char c = i < text.size() ? text[i] : ' ';
        data[firstWord * 2 + (i ^ 1)] = static_cast<uint8_t>(c);
    }
}

void PutIdentifyWord(std::vector<uint8_t>& data, size_t word, uint16_t value) {
    data[word * 2] = static_cast<uint8_t>(value);
    data[word * 2 + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

uint8_t Machine::DiskDeviceMap(unsigned drive) const {
    const std::string* texts[] = {&settings_.disk0, &settings_.disk1, &settings_.disk2, &settings_.disk3};
    if (drive > 3)
        return 0;
    Disk disk = ParseDisk(*texts[drive]);
    if (!disk.present)
        return 0;
    return static_cast<uint8_t>((1u << drive) | (disk.packet ? 1u << (4 + drive) : 0));
}

std::optional<std::vector<uint8_t>> Machine::DiskIdentify(unsigned drive, uint8_t command) const {
    const std::string* texts[] = {&settings_.disk0, &settings_.disk1, &settings_.disk2, &settings_.disk3};
    if (drive > 3)
        return std::nullopt;
    Disk disk = ParseDisk(*texts[drive]);
    // A drive aborts the identify command of the other kind.
    if (!disk.present || command != (disk.packet ? 0xA1 : 0xEC))
        return std::nullopt;
    std::vector<uint8_t> data(512, 0);
    uint16_t general = 0;
    if (disk.packet)
        general = 0x85C0;  // packet device, CD-ROM command set
    if (disk.fixed)
        general |= 0x0040;
    if (disk.removable)
        general |= 0x0080;
    PutIdentifyWord(data, 0, general);
    PutIdentifyText(data, 10, 10, "SIMDISK000" + std::to_string(drive));
    PutIdentifyText(data, 23, 4, "1.00");
    PutIdentifyText(data, 27, 20, disk.packet ? "Simulated optical drive" : "Simulated hard disk");
    // Security: supported on ATA drives, enabled when set.
    if (!disk.packet)
        PutIdentifyWord(data, 128, static_cast<uint16_t>(0x0001 | (disk.security ? 0x0002 : 0)));
    return data;
}

}  // namespace platform
