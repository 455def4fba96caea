#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo {

// Where the text tools take their random bytes from. The program uses the
// system's preferred cryptographic generator; tests supply their own bytes.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Fills all length bytes; false when the generator fails.
  virtual bool Fill(uint8_t* out, size_t length) = 0;
};

// The system's preferred cryptographic generator.
RandomSource& SystemRandomSource();

}  // namespace nubo
