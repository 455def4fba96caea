#pragma once

// The Merkle-Damgard framing shared by MD5 and SHA-256: whole 64-byte blocks
// straight from the input, then the final one or two blocks holding the tail,
// the byte 0x80, zeros and the message length in bits.

#include <cstdint>
#include <cstring>

namespace nubo::text_core {

constexpr uint64_t kDigestBlockBytes = 64;

enum class LengthOrder { kLittleEndian, kBigEndian };

// transform(state, blocks, count) runs the compression over count blocks.
template <typename State, typename Transform>
void DigestMessage(State& state, const uint8_t* data, uint64_t n, LengthOrder order,
                   Transform transform) {
  const uint64_t wholeBlocks = n / kDigestBlockBytes;
  if (wholeBlocks > 0) transform(state, data, wholeBlocks);

  const uint64_t tailBytes = n % kDigestBlockBytes;
  uint8_t last[2 * kDigestBlockBytes] = {};
  if (tailBytes > 0) std::memcpy(last, data + wholeBlocks * kDigestBlockBytes, tailBytes);
  last[tailBytes] = 0x80;
  // The length needs 8 bytes after the 0x80: 55 tail bytes still fit one block.
  const uint64_t lastBlocks = tailBytes < kDigestBlockBytes - 8 ? 1 : 2;
  uint8_t* lengthField = last + lastBlocks * kDigestBlockBytes - 8;
  const uint64_t bitLength = n << 3;  // modulo 2^64, as both standards define it
  for (int i = 0; i < 8; ++i) {
    const int shift = order == LengthOrder::kLittleEndian ? 8 * i : 8 * (7 - i);
    lengthField[i] = static_cast<uint8_t>(bitLength >> shift);
  }
  transform(state, last, lastBlocks);
}

}  // namespace nubo::text_core
