#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

#include "datatools/text/random_source.h"

namespace nubo {
namespace {

class SystemGenerator final : public RandomSource {
 public:
  bool Fill(uint8_t* out, size_t length) override {
    while (length > 0) {
      const ULONG chunk = static_cast<ULONG>(std::min<size_t>(length, 0x10000000));
      if (!BCRYPT_SUCCESS(
              BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return false;
      }
      out += chunk;
      length -= chunk;
    }
    return true;
  }
};

}  // namespace

RandomSource& SystemRandomSource() {
  static SystemGenerator generator;
  return generator;
}

}  // namespace nubo
