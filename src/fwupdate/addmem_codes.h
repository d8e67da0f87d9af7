#pragma once

// The requests of the hardware-access driver "AddMem.sys" (device type 0x22, functions 0x80D to
// 0x814, buffered transfer, any access), shared by the driver and its client. Every request starts
// with an 8-byte little-endian record: the 32-bit port and the value, or the 64-bit physical address.

#include <cstddef>
#include <cstdint>

namespace fwupdate::addmem {

inline constexpr uint32_t kWritePortByte = 0x222034;
inline constexpr uint32_t kReadPortByte = 0x222038;
inline constexpr uint32_t kWritePortWord = 0x22203C;
inline constexpr uint32_t kReadPortWord = 0x222040;
inline constexpr uint32_t kWritePortDword = 0x222044;
inline constexpr uint32_t kReadPortDword = 0x222048;
inline constexpr uint32_t kReadMemory = 0x22204C;
inline constexpr uint32_t kWriteMemory = 0x222050;

inline constexpr size_t kRecordSize = 8;

}  // namespace fwupdate::addmem
