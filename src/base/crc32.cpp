// CRC-32 (IEEE 802.3, reflected), computed without a table: each byte's
// table entry is derived on the spot, trading speed for no static data.
#include "base/core.h"

namespace {

const uint32_t POLYNOMIAL = 0x04C11DB7;

uint32_t Reflect(uint32_t value, int bits) {
    uint32_t reflected = 0;
    for (int i = 0; i < bits; i++) {
        if (value & (uint32_t{1} << i)) reflected |= uint32_t{1} << (bits - 1 - i);
    }
    return reflected;
}

uint32_t TableEntry(uint32_t index) {
    uint32_t value = Reflect(index, 8) << 24;
    for (int round = 0; round < 8; round++)
        value = (value & 0x80000000u) ? (value << 1) ^ POLYNOMIAL : value << 1;
    return Reflect(value, 32);
}

} // namespace

uint32_t ComputeCrc32(const void* buffer, int32_t length) {
    CHECK_POINTER(buffer);
    if (length <= 0) return 0;
    auto* bytes = static_cast<const unsigned char*>(buffer);
    uint32_t crc = 0xFFFFFFFFu;
    for (int32_t i = 0; i < length; i++) crc = TableEntry((bytes[i] ^ crc) & 0xFF) ^ (crc >> 8);
    return ~crc;
}
