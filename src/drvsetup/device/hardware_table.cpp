#include "drvsetup/device/product_tables.h"

namespace drvsetup {

namespace {

// The family's own vendor ids, one from each registry. USB variants differ by device id; PCI cards of
// one product share vendor and device and differ by subsystem, whose device half puts the OEM index
// in the top digit.
constexpr uint32_t kUsb = 0x2B7A0000u;
constexpr uint32_t kPci = 0x1B7A0000u;

// Shorthands for the input sets that recur across the family.
constexpr uint8_t kAvSvhs = kHwAv1 | kHwSvhs1;
constexpr uint8_t kAllAnalog = kHwFm | kHwAv1 | kHwAv2 | kHwSvhs1 | kHwSvhs2;
constexpr uint8_t kBothAudio = kHwSoundCardAudio | kHwUsbPciAudio;

// Entry names are the model code and the OEM name. Flag bytes mirror HasInput and the audio
// defaults of the product; the EEPROM byte mirrors EepromCheckDefault with the entry's position in
// its product group as the variant.
constexpr HardwareEntry kHardwareTable[kHardwareTableCount] = {
    {2, "QM200_DEFAULT", 111, kUsb | 0x0111, 0, kHwTuner, kAvSvhs, 0, 0},
    {1, "QM200_IO_DATA", 111, kUsb | 0x1111, 0, kHwTuner, kAvSvhs, 0, 0},
    {2, "QM200Pro_DEFAULT", 112, kUsb | 0x0112, 0, kHwTuner, kAvSvhs, 0, 0},
    {3, "QM200Pro_BUFFALO", 112, kUsb | 0x3112, 0, kHwTuner, kAvSvhs, 0, 0},
    {2, "QM200_PCI_DEFAULT", 222, kPci | 0x0222, kPci | 0x2222, kHwTuner, kAvSvhs, 0, 0},
    {2, "KV150_DEFAULT", 150, kPci | 0x0150, kPci | 0x2150, kHwTuner, kAvSvhs, 0, 0},
    {9, "KV150_BestData", 150, kPci | 0x0150, kPci | 0x9150, kHwTuner, kAvSvhs, 0, 0},
    {2, "KV160_DEFAULT", 160, kPci | 0x0160, kPci | 0x2160, kHwTuner, kAvSvhs, 0, 0},
    {9, "KV160_BestData", 160, kPci | 0x0160, kPci | 0x9160, kHwTuner, kAvSvhs, 0, 0},
    {2, "QM800_DEFAULT", 800, kPci | 0x0800, kPci | 0x2800, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {1, "QM800_IO_DATA", 800, kPci | 0x0800, kPci | 0x1800, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {3, "QM800_BUFFALO", 800, kPci | 0x0800, kPci | 0x3800, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "KV600_DEFAULT", 600, kPci | 0x0600, kPci | 0x2600, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {5, "KV600_TERRATEC", 600, kPci | 0x0600, kPci | 0x5600, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "QM600_DEFAULT", 608, kPci | 0x0608, kPci | 0x2608, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "QM680_DEFAULT", 680, kPci | 0x0680, kPci | 0x2680, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {11, "QM680_MITAC", 680, kPci | 0x0680, kPci | 0xB680, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "QM835_DEFAULT", 835, kPci | 0x0835, kPci | 0x2835, 0, kAvSvhs, kHwEepromCheck, 0},
    {13, "QM835_HP", 835, kPci | 0x0835, kPci | 0xD835, 0, kAvSvhs, 0, 0},
    {2, "RX680_DEFAULT", 6801, kPci | 0x6801, kPci | 0x2801, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {14, "RX680_PINNACLE", 6801, kPci | 0x6801, kPci | 0xE801, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "RX660_DEFAULT", 6601, kPci | 0x6601, kPci | 0x2601, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "QM101_DEFAULT", 101, kUsb | 0x0101, 0, kBothAudio | kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {1, "QM101_IO_DATA", 101, kUsb | 0x1101, 0, kBothAudio | kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {3, "QM101_BUFFALO", 101, kUsb | 0x3101, 0, kBothAudio | kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "KV880_DEFAULT", 880, kPci | 0x0880, kPci | 0x2880, kHwTuner, kAvSvhs, 0, 0},
    {2, "QTxxx_DEFAULT", 850, kUsb | 0x0850, 0, kBothAudio | kHwTuner, kAvSvhs, 0, 0},
    {7, "QTxxx_SBV21", 850, kUsb | 0x7850, 0, kBothAudio | kHwTuner, kAvSvhs, 0, 0},
    {2, "NV_VGA_DEFAULT", 855, kUsb | 0x0855, 0, kBothAudio | kHwTuner, kAvSvhs, 0, 0},
    {2, "KC602_DEFAULT", 602, kPci | 0x0602, kPci | 0x2602, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {9, "KC602_BestData", 602, kPci | 0x0602, kPci | 0x9602, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "QM618_DEFAULT", 618, kPci | 0x0618, kPci | 0x2618, kHwTuner, kAvSvhs, 0, 0},
    {2, "QM660_DEFAULT", 660, kPci | 0x0660, kPci | 0x2660, kHwTuner, kAvSvhs, 0, 0},
    {13, "QM660_HP", 660, kPci | 0x0660, kPci | 0xD660, kHwTuner, kAvSvhs, 0, 0},
    {2, "QM400_DEFAULT", 400, kUsb | 0x0400, 0, kHwTuner, kAvSvhs, 0, 0},
    {2, "RX300_DEFAULT", 301, kUsb | 0x0301, 0, kHwDvbt, 0, kHwEepromCheck, 0},
    {5, "RX300_TERRATEC", 301, kUsb | 0x5301, 0, kHwDvbt, 0, kHwEepromCheck, 0},
    {2, "ZD300D_DEFAULT", 302, kUsb | 0x0302, 0, kHwDvbt, 0, 0, 0},
    {2, "QT88x_DEFAULT", 881, kUsb | 0x0881, 0, kBothAudio | kHwTuner, kHwFm | kAvSvhs, kHwEepromCheck, 0},
    {7, "QT88x_SBV21", 881, kUsb | 0x7881, 0, kBothAudio | kHwTuner, kHwFm | kAvSvhs, kHwEepromCheck, 0},
    {2, "QM300_DEFAULT", 3001, kUsb | 0x3001, 0, kHwUsbPciAudio | kHwDvbt, kAvSvhs, kHwEepromCheck, 0},
    {1, "QM300_IO_DATA", 3001, kUsb | 0x3A01, 0, kHwUsbPciAudio | kHwDvbt, kAvSvhs, kHwEepromCheck, 0},
    {2, "QM700_DEFAULT", 700, kUsb | 0x0700, 0, kBothAudio | kHwTuner | kHwDvbt, kHwFm | kAvSvhs,
     kHwEepromCheck, 0},
    {3, "QM700_BUFFALO", 700, kUsb | 0x3700, 0, kBothAudio | kHwTuner | kHwDvbt, kHwFm | kAvSvhs,
     kHwEepromCheck, 0},
    {11, "QM700_MITAC", 700, kUsb | 0xB700, 0, kBothAudio | kHwTuner | kHwDvbt, kHwFm | kAvSvhs,
     kHwEepromCheck, 0},
    {2, "RX701_DEFAULT", 701, kUsb | 0x0701, 0, kBothAudio | kHwTuner | kHwDvbt, kAvSvhs, kHwEepromCheck, 0},
    {14, "RX701_PINNACLE", 701, kUsb | 0xE701, 0, kBothAudio | kHwTuner | kHwDvbt, kAvSvhs, kHwEepromCheck,
     0},
    {2, "ZD720_DEFAULT", 720, kUsb | 0x0720, 0, kHwTuner | kHwDvbt, kAvSvhs, kHwEepromCheck, 0},
    {5, "ZD720_TERRATEC", 720, kUsb | 0x5720, 0, kHwTuner | kHwDvbt, kAvSvhs, kHwEepromCheck, 0},
    {2, "QM718_DEFAULT", 718, kUsb | 0x0718, 0, kHwTuner | kHwDvbt, kAllAnalog, kHwEepromCheck, 0},
    {3, "QM718_BUFFALO", 718, kUsb | 0x3718, 0, kHwTuner | kHwDvbt, kAllAnalog, kHwEepromCheck, 0},
    {1, "QM718_IO_DATA", 718, kUsb | 0x1718, 0, kHwTuner | kHwDvbt, kAllAnalog, kHwEepromCheck, 0},
    {2, "QM670_DEFAULT", 670, kUsb | 0x0670, 0, kHwTuner, kAvSvhs, kHwEepromCheck, 0},
    {2, "ZD330_DEFAULT", 330, kUsb | 0x0330, 0, kHwDvbt, 0, kHwEepromCheck, 0},
    {5, "ZD330_TERRATEC", 330, kUsb | 0x5330, 0, kHwDvbt, 0, kHwEepromCheck, 0},
    {2, "QM655_DEFAULT", 655, kUsb | 0x0655, 0, kHwUsbPciAudio | kHwTuner | kHwDvbt, kHwFm | kAvSvhs,
     kHwEepromCheck, 0},
    {13, "QM655_HP", 655, kUsb | 0xD655, 0, kHwUsbPciAudio | kHwTuner | kHwDvbt, kHwFm | kAvSvhs,
     kHwEepromCheck, 0},
    {2, "ZD770_DEFAULT", 770, kUsb | 0x0770, 0, kHwDvbt, 0, 0, 0},
    {14, "ZD770_PINNACLE", 770, kUsb | 0xE770, 0, kHwDvbt, 0, 0, 0},
    {2, "ZD870_DEFAULT", 870, kUsb | 0x0870, 0, kHwDvbt, 0, 0, 0},
    {14, "ZD870_PINNACLE", 870, kUsb | 0xE870, 0, kHwDvbt, 0, 0, 0},
    {2, "ZD370_DEFAULT", 370, kUsb | 0x0370, 0, kHwDvbt, 0, 0, 0},
    {2, "QM310_DEFAULT", 310, kUsb | 0x0310, 0, kHwDvbt, 0, 0, 0},
    {1, "QM310_IO_DATA", 310, kUsb | 0x1310, 0, kHwDvbt, 0, 0, 0},
};

}  // namespace

const HardwareEntry* HardwareTable(int32_t& count) {
    count = kHardwareTableCount;
    return kHardwareTable;
}

}  // namespace drvsetup
