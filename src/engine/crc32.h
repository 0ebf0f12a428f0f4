#pragma once
#include <cstddef>
#include <cstdint>

namespace kbx {

// The file processor's CRC-32 register: reflected polynomial 0xEDB88320, starting at 0 and never
// inverted (so "abc" gives 0xCA6598D0, not the archive tools' 0x352441C2).
uint32_t CrcUpdate(uint32_t crc, const void *data, size_t length);

} // namespace kbx
