#include "datatools/text/digest_blocks.h"
#include "datatools/text/digests.h"
#include "store/hex_digits.h"
#include "datatools/text/sha256_transform.h"

namespace nubo {
namespace text_core {
namespace {

// The round helpers must be inlined into one straight block for the
// compilers to keep the working variables in registers.
[[gnu::always_inline]] inline uint32_t Rotr(uint32_t x, int s) {
  return (x >> s) | (x << (32 - s));
}

[[gnu::always_inline]] inline uint32_t Load32Be(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// Message word I; from 16 on it is expanded in place in a 16-word ring.
template <int I>
[[gnu::always_inline]] inline uint32_t Word(uint32_t w[16]) {
  if constexpr (I < 16) {
    return w[I];
  } else {
    const uint32_t w15 = w[(I - 15) & 15];
    const uint32_t w2 = w[(I - 2) & 15];
    w[I & 15] += (Rotr(w15, 7) ^ Rotr(w15, 18) ^ (w15 >> 3)) + w[(I - 7) & 15] +
                 (Rotr(w2, 17) ^ Rotr(w2, 19) ^ (w2 >> 10));
    return w[I & 15];
  }
}

// One round; the caller rotates the roles of the eight working variables
// instead of moving them.
template <int I>
[[gnu::always_inline]] inline void Round(uint32_t a, uint32_t b, uint32_t c, uint32_t& d,
                                         uint32_t e, uint32_t f, uint32_t g, uint32_t& h,
                                         uint32_t w[16]) {
  const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + (g ^ (e & (f ^ g))) +
                      kRoundConstants[I] + Word<I>(w);
  d += t1;
  h = t1 + (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (c & (a ^ b)));
}

template <int I>
[[gnu::always_inline]] inline void EightRounds(uint32_t& a, uint32_t& b, uint32_t& c,
                                               uint32_t& d, uint32_t& e, uint32_t& f,
                                               uint32_t& g, uint32_t& h, uint32_t w[16]) {
  Round<I>(a, b, c, d, e, f, g, h, w);
  Round<I + 1>(h, a, b, c, d, e, f, g, w);
  Round<I + 2>(g, h, a, b, c, d, e, f, w);
  Round<I + 3>(f, g, h, a, b, c, d, e, w);
  Round<I + 4>(e, f, g, h, a, b, c, d, w);
  Round<I + 5>(d, e, f, g, h, a, b, c, w);
  Round<I + 6>(c, d, e, f, g, h, a, b, w);
  Round<I + 7>(b, c, d, e, f, g, h, a, w);
}

}  // namespace

void Sha256TransformPortable(uint32_t state[8], const uint8_t* blocks, uint64_t count) {
  for (; count > 0; --count, blocks += kDigestBlockBytes) {
    uint32_t w[16];
    for (int t = 0; t < 16; ++t) w[t] = Load32Be(blocks + 4 * t);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    EightRounds<0>(a, b, c, d, e, f, g, h, w);
    EightRounds<8>(a, b, c, d, e, f, g, h, w);
    EightRounds<16>(a, b, c, d, e, f, g, h, w);
    EightRounds<24>(a, b, c, d, e, f, g, h, w);
    EightRounds<32>(a, b, c, d, e, f, g, h, w);
    EightRounds<40>(a, b, c, d, e, f, g, h, w);
    EightRounds<48>(a, b, c, d, e, f, g, h, w);
    EightRounds<56>(a, b, c, d, e, f, g, h, w);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

}  // namespace text_core

int32_t TextSha256Hex(const uint8_t* data, uint64_t n, char* out, uint64_t capacity) {
  if (data == nullptr || out == nullptr || capacity < kSha256HexLength) return -1;
  uint32_t state[8] = {0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au,
                       0x510e527fu, 0x9b05688cu, 0x1f83d9abu, 0x5be0cd19u};
  static const bool hardware = text_core::Sha256HardwareAvailable();
  text_core::DigestMessage(state, data, n, text_core::LengthOrder::kBigEndian,
                           hardware ? text_core::Sha256TransformHardware
                                    : text_core::Sha256TransformPortable);
  uint8_t digest[32];
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(state[i] >> (24 - 8 * j));
  }
  WriteLowerHex(digest, 32, out);
  return static_cast<int32_t>(kSha256HexLength);
}

}  // namespace nubo
