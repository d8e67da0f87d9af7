#pragma once

// The bus a tuner is driven over. The kit has no transport of its own: the caller supplies one. The
// recording bus keeps every transfer and answers reads from a script, so tuning can be checked byte for
// byte without hardware.

#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace drvsetup {

class TunerBus {
  public:
    virtual uint8_t ReadWord(uint8_t address, int32_t bits, int32_t subaddress, uint32_t& value) = 0;
    // 1 means success; the byte arrives in the lowest byte of `value`.
    virtual uint8_t ReadBytes(uint8_t address, int32_t count, uint32_t& value) = 0;
    virtual uint8_t WriteBytes(uint8_t address, std::span<const uint8_t> bytes) = 0;
    virtual uint8_t WriteSubaddressed(uint8_t address, uint8_t subaddress,
                                      std::span<const uint8_t> bytes) = 0;
    virtual ~TunerBus() = default;
};

struct TunerBusCall {
    enum class Kind { ReadWord, ReadBytes, WriteBytes, WriteSubaddressed };
    Kind kind = Kind::WriteBytes;
    uint8_t address = 0;
    // ReadWord: the width in bits; ReadBytes: the byte count; writes: the number of bytes sent.
    int32_t count = 0;
    // ReadWord and WriteSubaddressed only.
    int32_t subaddress = 0;
    std::vector<uint8_t> bytes;  // what was written

    bool operator==(const TunerBusCall&) const = default;
};

class RecordingTunerBus : public TunerBus {
  public:
    // What a read of `address` delivers, and the result it reports; an unscripted read delivers 0 and
    // reports 1.
    void SetRead(uint8_t address, uint32_t value, uint8_t result = 1);
    // The result every write reports (1 until changed).
    void SetWriteResult(uint8_t result) { writeResult_ = result; }

    uint8_t ReadWord(uint8_t address, int32_t bits, int32_t subaddress, uint32_t& value) override;
    uint8_t ReadBytes(uint8_t address, int32_t count, uint32_t& value) override;
    uint8_t WriteBytes(uint8_t address, std::span<const uint8_t> bytes) override;
    uint8_t WriteSubaddressed(uint8_t address, uint8_t subaddress, std::span<const uint8_t> bytes) override;

    const std::vector<TunerBusCall>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }

  private:
    struct ScriptedRead {
        uint32_t value = 0;
        uint8_t result = 1;
    };
    uint8_t Read(uint8_t address, uint32_t& value) const;

    std::map<uint8_t, ScriptedRead> reads_;
    uint8_t writeResult_ = 1;
    std::vector<TunerBusCall> calls_;
};

}  // namespace drvsetup
