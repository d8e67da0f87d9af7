#include "drvsetup/device/tuner_bus.h"

namespace drvsetup {

void RecordingTunerBus::SetRead(uint8_t address, uint32_t value, uint8_t result) {
    reads_[address] = ScriptedRead{value, result};
}

uint8_t RecordingTunerBus::Read(uint8_t address, uint32_t& value) const {
    auto it = reads_.find(address);
    if (it == reads_.end()) {
        value = 0;
        return 1;
    }
    value = it->second.value;
    return it->second.result;
}

uint8_t RecordingTunerBus::ReadWord(uint8_t address, int32_t bits, int32_t subaddress, uint32_t& value) {
    calls_.push_back(TunerBusCall{TunerBusCall::Kind::ReadWord, address, bits, subaddress, {}});
    return Read(address, value);
}

uint8_t RecordingTunerBus::ReadBytes(uint8_t address, int32_t count, uint32_t& value) {
    calls_.push_back(TunerBusCall{TunerBusCall::Kind::ReadBytes, address, count, 0, {}});
    return Read(address, value);
}

uint8_t RecordingTunerBus::WriteBytes(uint8_t address, std::span<const uint8_t> bytes) {
    calls_.push_back(TunerBusCall{TunerBusCall::Kind::WriteBytes, address, static_cast<int32_t>(bytes.size()),
                                  0, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    return writeResult_;
}

uint8_t RecordingTunerBus::WriteSubaddressed(uint8_t address, uint8_t subaddress,
                                             std::span<const uint8_t> bytes) {
    calls_.push_back(TunerBusCall{TunerBusCall::Kind::WriteSubaddressed, address,
                                  static_cast<int32_t>(bytes.size()), subaddress,
                                  std::vector<uint8_t>(bytes.begin(), bytes.end())});
    return writeResult_;
}

}  // namespace drvsetup
