// The CRC-32 that frames journal records: the reflected 0xEDB88320 polynomial, initial value
// and final xor 0xFFFFFFFF, so Crc32("123456789") is 0xCBF43926.
#pragma once

#include <cstdint>
#include <string_view>

namespace kelmar {

uint32_t Crc32(std::string_view bytes);

}  // namespace kelmar
