#include "datatools/text/sha256_transform.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define NUBO_SHA256_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace nubo::text_core {

#if defined(NUBO_SHA256_X86)

bool Sha256HardwareAvailable() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool ssse3 = (ecx & (1u << 9)) != 0;
  const bool sse41 = (ecx & (1u << 19)) != 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  const bool sha = (ebx & (1u << 29)) != 0;
  return ssse3 && sse41 && sha;
}

// The state lives in two registers as ABEF and CDGH; each instruction pair
// runs four rounds while the message schedule for the next group is built.
__attribute__((target("sha,sse4.1,ssse3"))) void Sha256TransformHardware(uint32_t state[8],
                                                                        const uint8_t* blocks,
                                                                        uint64_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
  __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
  tmp = _mm_shuffle_epi32(tmp, 0xB1);                    // CDAB
  state1 = _mm_shuffle_epi32(state1, 0x1B);              // EFGH
  __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);      // ABEF
  state1 = _mm_blend_epi16(state1, tmp, 0xF0);           // CDGH

  for (; count > 0; --count, blocks += 64) {
    const __m128i savedAbef = state0;
    const __m128i savedCdgh = state1;
    __m128i m[4];
    for (int i = 0; i < 4; ++i) {
      m[i] = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byteSwap);
    }
    for (int g = 0; g < 16; ++g) {
      const __m128i current = m[g & 3];
      __m128i words = _mm_add_epi32(
          current, _mm_load_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * g])));
      state1 = _mm_sha256rnds2_epu32(state1, state0, words);
      if (g >= 3 && g <= 14) {
        // Next group: W[t-16] + s0(W[t-15]) was prepared two groups ago.
        __m128i& next = m[(g + 1) & 3];
        next = _mm_add_epi32(next, _mm_alignr_epi8(current, m[(g + 3) & 3], 4));
        next = _mm_sha256msg2_epu32(next, current);
      }
      words = _mm_shuffle_epi32(words, 0x0E);
      state0 = _mm_sha256rnds2_epu32(state0, state1, words);
      if (g >= 1 && g <= 12) {
        __m128i& previous = m[(g + 3) & 3];
        previous = _mm_sha256msg1_epu32(previous, current);
      }
    }
    state0 = _mm_add_epi32(state0, savedAbef);
    state1 = _mm_add_epi32(state1, savedCdgh);
  }

  tmp = _mm_shuffle_epi32(state0, 0x1B);                 // FEBA
  state1 = _mm_shuffle_epi32(state1, 0xB1);              // DCHG
  state0 = _mm_blend_epi16(tmp, state1, 0xF0);           // DCBA
  state1 = _mm_alignr_epi8(state1, tmp, 8);              // ABEF
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), state0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), state1);
}

#else

bool Sha256HardwareAvailable() { return false; }

void Sha256TransformHardware(uint32_t state[8], const uint8_t* blocks, uint64_t count) {
  Sha256TransformPortable(state, blocks, count);
}

#endif

}  // namespace nubo::text_core
