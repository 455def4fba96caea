#include <cstring>

#include "datatools/text/generators.h"
#include "store/hex_digits.h"

namespace nubo {

int32_t TextFormatUuid(const uint8_t bytes[16], char* out, uint64_t capacity) {
  if (bytes == nullptr || out == nullptr || capacity < kUuidTextCapacity) return -1;
  // Groups of 4, 2, 2, 2 and 6 bytes.
  constexpr unsigned kGroups[] = {4, 2, 2, 2, 6};
  const uint8_t* in = bytes;
  char* o = out;
  for (unsigned group = 0; group < 5; ++group) {
    if (group > 0) *o++ = '-';
    WriteLowerHex(in, kGroups[group], o);
    in += kGroups[group];
    o += 2 * kGroups[group];
  }
  *o = '\0';
  return 36;
}

int32_t TextFormatUuidV4(const uint8_t random[16], char* out, uint64_t capacity) {
  if (random == nullptr) return -1;
  uint8_t bytes[16];
  std::memcpy(bytes, random, 16);
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  return TextFormatUuid(bytes, out, capacity);
}

int32_t TextFormatUuidV7(uint64_t unixMilliseconds, const uint8_t random[10], char* out,
                         uint64_t capacity) {
  if (random == nullptr) return -1;
  uint8_t bytes[16];
  for (int i = 0; i < 6; ++i) bytes[i] = static_cast<uint8_t>(unixMilliseconds >> (40 - 8 * i));
  bytes[6] = static_cast<uint8_t>((random[0] & 0x0F) | 0x70);
  bytes[7] = random[1];
  bytes[8] = static_cast<uint8_t>((random[2] & 0x3F) | 0x80);
  std::memcpy(bytes + 9, random + 3, 7);
  return TextFormatUuid(bytes, out, capacity);
}

}  // namespace nubo
