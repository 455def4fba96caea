#include <string_view>
#include <utility>

#include "datatools/text/core_limits.h"
#include "datatools/text/generators.h"

namespace nubo {
namespace {

constexpr std::string_view kLowerLetters = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kUpperLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kSymbols = "!@#$%^&*()-_=+[]{};:,.?/";
constexpr size_t kMaxAlphabet = 26 + 26 + 10 + 24;

// Hands out the caller's random bytes in order, each at most once.
class ByteDraw {
 public:
  ByteDraw(const uint8_t* bytes, uint64_t length) : bytes_(bytes), left_(length) {}

  // An unbiased value below range (1..256) by rejection; false when the bytes
  // run out first.
  bool Below(unsigned range, unsigned& value) {
    const unsigned accepted = 256 - 256 % range;  // largest multiple of range
    while (left_ > 0) {
      const unsigned byte = *bytes_++;
      --left_;
      if (byte < accepted) {
        value = byte % range;
        return true;
      }
    }
    return false;
  }

 private:
  const uint8_t* bytes_;
  uint64_t left_;
};

}  // namespace

int32_t TextGeneratePassword(const uint8_t* random, uint64_t randomLength, int64_t length,
                             bool lower, bool upper, bool digits, bool symbols, char* out,
                             uint64_t capacity) {
  if (random == nullptr || out == nullptr || length <= 0) return -1;
  const auto count = static_cast<uint64_t>(length);
  if (count >= text_core::kMaxCount || capacity < count + 1) return -1;

  std::string_view classes[4];
  size_t classCount = 0;
  char alphabet[kMaxAlphabet];
  size_t alphabetSize = 0;
  const std::pair<bool, std::string_view> choices[] = {
      {lower, kLowerLetters}, {upper, kUpperLetters}, {digits, kDigits}, {symbols, kSymbols}};
  for (const auto& [selected, characters] : choices) {
    if (!selected) continue;
    classes[classCount++] = characters;
    for (char c : characters) alphabet[alphabetSize++] = c;
  }
  if (alphabetSize == 0 || count < classCount) return -1;

  ByteDraw draw(random, randomLength);
  const auto exhausted = [out] {
    out[0] = '\0';
    return -2;
  };
  unsigned pick = 0;
  for (size_t i = 0; i < classCount; ++i) {
    if (!draw.Below(static_cast<unsigned>(classes[i].size()), pick)) return exhausted();
    out[i] = classes[i][pick];
  }
  for (uint64_t i = classCount; i < count; ++i) {
    if (!draw.Below(static_cast<unsigned>(alphabetSize), pick)) return exhausted();
    out[i] = alphabet[pick];
  }
  // Fisher-Yates from the end; one byte can only choose among 256 places.
  for (uint64_t i = count - 1; i >= 1; --i) {
    if (i > 255) return exhausted();
    if (!draw.Below(static_cast<unsigned>(i + 1), pick)) return exhausted();
    const char held = out[i];
    out[i] = out[pick];
    out[pick] = held;
  }
  out[count] = '\0';
  return static_cast<int32_t>(count);
}

}  // namespace nubo
