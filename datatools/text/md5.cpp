#include "datatools/text/digest_blocks.h"
#include "datatools/text/digests.h"
#include "store/hex_digits.h"

namespace nubo {
namespace {

struct Md5State {
  uint32_t a = 0x67452301u;
  uint32_t b = 0xefcdab89u;
  uint32_t c = 0x98badcfeu;
  uint32_t d = 0x10325476u;
};

[[gnu::always_inline]] inline uint32_t Load32Le(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

[[gnu::always_inline]] inline uint32_t Rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

// The four round steps. The message word, the constant and whatever does
// not need the previous step's result are added first, so that only a few
// operations stand on the critical path from one step to the next.
[[gnu::always_inline]] inline void StepF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d,
                                         uint32_t x, int s, uint32_t k) {
  a += x + k;
  a += d ^ (b & (c ^ d));
  a = Rotl(a, s) + b;
}
[[gnu::always_inline]] inline void StepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d,
                                         uint32_t x, int s, uint32_t k) {
  a += x + k + (c & ~d);
  a += b & d;
  a = Rotl(a, s) + b;
}
[[gnu::always_inline]] inline void StepH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d,
                                         uint32_t x, int s, uint32_t k) {
  a += x + k;
  a += b ^ c ^ d;
  a = Rotl(a, s) + b;
}
[[gnu::always_inline]] inline void StepI(uint32_t& a, uint32_t b, uint32_t c, uint32_t d,
                                         uint32_t x, int s, uint32_t k) {
  a += x + k;
  a += c ^ (b | ~d);
  a = Rotl(a, s) + b;
}

void Md5Transform(Md5State& state, const uint8_t* blocks, uint64_t count) {
  uint32_t a = state.a, b = state.b, c = state.c, d = state.d;
  for (; count > 0; --count, blocks += text_core::kDigestBlockBytes) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Load32Le(blocks + 4 * i);
    const uint32_t aa = a, bb = b, cc = c, dd = d;

    StepF(a, b, c, d, x[0], 7, 0xd76aa478u);
    StepF(d, a, b, c, x[1], 12, 0xe8c7b756u);
    StepF(c, d, a, b, x[2], 17, 0x242070dbu);
    StepF(b, c, d, a, x[3], 22, 0xc1bdceeeu);
    StepF(a, b, c, d, x[4], 7, 0xf57c0fafu);
    StepF(d, a, b, c, x[5], 12, 0x4787c62au);
    StepF(c, d, a, b, x[6], 17, 0xa8304613u);
    StepF(b, c, d, a, x[7], 22, 0xfd469501u);
    StepF(a, b, c, d, x[8], 7, 0x698098d8u);
    StepF(d, a, b, c, x[9], 12, 0x8b44f7afu);
    StepF(c, d, a, b, x[10], 17, 0xffff5bb1u);
    StepF(b, c, d, a, x[11], 22, 0x895cd7beu);
    StepF(a, b, c, d, x[12], 7, 0x6b901122u);
    StepF(d, a, b, c, x[13], 12, 0xfd987193u);
    StepF(c, d, a, b, x[14], 17, 0xa679438eu);
    StepF(b, c, d, a, x[15], 22, 0x49b40821u);

    StepG(a, b, c, d, x[1], 5, 0xf61e2562u);
    StepG(d, a, b, c, x[6], 9, 0xc040b340u);
    StepG(c, d, a, b, x[11], 14, 0x265e5a51u);
    StepG(b, c, d, a, x[0], 20, 0xe9b6c7aau);
    StepG(a, b, c, d, x[5], 5, 0xd62f105du);
    StepG(d, a, b, c, x[10], 9, 0x02441453u);
    StepG(c, d, a, b, x[15], 14, 0xd8a1e681u);
    StepG(b, c, d, a, x[4], 20, 0xe7d3fbc8u);
    StepG(a, b, c, d, x[9], 5, 0x21e1cde6u);
    StepG(d, a, b, c, x[14], 9, 0xc33707d6u);
    StepG(c, d, a, b, x[3], 14, 0xf4d50d87u);
    StepG(b, c, d, a, x[8], 20, 0x455a14edu);
    StepG(a, b, c, d, x[13], 5, 0xa9e3e905u);
    StepG(d, a, b, c, x[2], 9, 0xfcefa3f8u);
    StepG(c, d, a, b, x[7], 14, 0x676f02d9u);
    StepG(b, c, d, a, x[12], 20, 0x8d2a4c8au);

    StepH(a, b, c, d, x[5], 4, 0xfffa3942u);
    StepH(d, a, b, c, x[8], 11, 0x8771f681u);
    StepH(c, d, a, b, x[11], 16, 0x6d9d6122u);
    StepH(b, c, d, a, x[14], 23, 0xfde5380cu);
    StepH(a, b, c, d, x[1], 4, 0xa4beea44u);
    StepH(d, a, b, c, x[4], 11, 0x4bdecfa9u);
    StepH(c, d, a, b, x[7], 16, 0xf6bb4b60u);
    StepH(b, c, d, a, x[10], 23, 0xbebfbc70u);
    StepH(a, b, c, d, x[13], 4, 0x289b7ec6u);
    StepH(d, a, b, c, x[0], 11, 0xeaa127fau);
    StepH(c, d, a, b, x[3], 16, 0xd4ef3085u);
    StepH(b, c, d, a, x[6], 23, 0x04881d05u);
    StepH(a, b, c, d, x[9], 4, 0xd9d4d039u);
    StepH(d, a, b, c, x[12], 11, 0xe6db99e5u);
    StepH(c, d, a, b, x[15], 16, 0x1fa27cf8u);
    StepH(b, c, d, a, x[2], 23, 0xc4ac5665u);

    StepI(a, b, c, d, x[0], 6, 0xf4292244u);
    StepI(d, a, b, c, x[7], 10, 0x432aff97u);
    StepI(c, d, a, b, x[14], 15, 0xab9423a7u);
    StepI(b, c, d, a, x[5], 21, 0xfc93a039u);
    StepI(a, b, c, d, x[12], 6, 0x655b59c3u);
    StepI(d, a, b, c, x[3], 10, 0x8f0ccc92u);
    StepI(c, d, a, b, x[10], 15, 0xffeff47du);
    StepI(b, c, d, a, x[1], 21, 0x85845dd1u);
    StepI(a, b, c, d, x[8], 6, 0x6fa87e4fu);
    StepI(d, a, b, c, x[15], 10, 0xfe2ce6e0u);
    StepI(c, d, a, b, x[6], 15, 0xa3014314u);
    StepI(b, c, d, a, x[13], 21, 0x4e0811a1u);
    StepI(a, b, c, d, x[4], 6, 0xf7537e82u);
    StepI(d, a, b, c, x[11], 10, 0xbd3af235u);
    StepI(c, d, a, b, x[2], 15, 0x2ad7d2bbu);
    StepI(b, c, d, a, x[9], 21, 0xeb86d391u);

    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  state.a = a;
  state.b = b;
  state.c = c;
  state.d = d;
}


}  // namespace

int32_t TextMd5Hex(const uint8_t* data, uint64_t n, char* out, uint64_t capacity) {
  if (data == nullptr || out == nullptr || capacity < kMd5HexLength) return -1;
  Md5State state;
  text_core::DigestMessage(state, data, n, text_core::LengthOrder::kLittleEndian, Md5Transform);
  uint8_t digest[16];
  const uint32_t words[4] = {state.a, state.b, state.c, state.d};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(words[i] >> (8 * j));
  }
  WriteLowerHex(digest, 16, out);
  return static_cast<int32_t>(kMd5HexLength);
}

}  // namespace nubo
