// Passwords: any random block, length and class choice; the result holds
// exactly length characters of the chosen alphabet with every chosen class
// present, consumes nothing past the block and writes nothing past length + 1.

#include <cstdint>
#include <cstring>
#include <vector>

#include "datatools/text/generators.h"
#include "tests/datatools/text/fuzz/fuzz_check.h"

namespace {

constexpr const char* kClasses[] = {"abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                                    "0123456789", "!@#$%^&*()-_=+[]{};:,.?/"};

int ClassOf(char c) {
  for (int i = 0; i < 4; ++i) {
    if (std::strchr(kClasses[i], c) != nullptr) return i;
  }
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int64_t length = static_cast<int64_t>(data[0] | ((data[1] & 0x01) << 8)) - 4;  // -4..507
  const bool selected[4] = {(data[2] & 1) != 0, (data[2] & 2) != 0, (data[2] & 4) != 0,
                            (data[2] & 8) != 0};
  const bool shortCapacity = (data[2] & 0x10) != 0;
  // The random block is a heap copy of exactly the remaining bytes.
  std::vector<uint8_t> random(data + 3, data + size);
  std::vector<uint8_t> holder(1);
  const uint8_t* block = random.empty() ? holder.data() : random.data();

  const uint64_t capacity = length > 0 ? static_cast<uint64_t>(length) + (shortCapacity ? 0 : 1) : 1;
  std::vector<char> out(capacity, '#');
  const int32_t status = nubo::TextGeneratePassword(block, random.size(), length, selected[0],
                                                    selected[1], selected[2], selected[3],
                                                    out.data(), capacity);
  int classCount = 0;
  for (bool s : selected) classCount += s ? 1 : 0;
  const bool badArguments = length <= 0 || shortCapacity || classCount == 0 || length < classCount;
  if (badArguments) {
    NUBO_FUZZ_CHECK(status == -1);
    return 0;
  }
  if (status == -2) {
    NUBO_FUZZ_CHECK(out[0] == '\0');
    return 0;
  }
  NUBO_FUZZ_CHECK(length <= 256);  // longer ones cannot be shuffled from single bytes
  NUBO_FUZZ_CHECK(status == length);
  NUBO_FUZZ_CHECK(out[static_cast<size_t>(length)] == '\0');
  bool present[4] = {false, false, false, false};
  for (int64_t i = 0; i < length; ++i) {
    const int cls = ClassOf(out[static_cast<size_t>(i)]);
    NUBO_FUZZ_CHECK(cls >= 0 && selected[cls]);
    present[cls] = true;
  }
  for (int i = 0; i < 4; ++i) NUBO_FUZZ_CHECK(present[i] == selected[i]);
  // The same bytes give the same password.
  std::vector<char> again(capacity, '#');
  NUBO_FUZZ_CHECK(nubo::TextGeneratePassword(block, random.size(), length, selected[0], selected[1],
                                             selected[2], selected[3], again.data(), capacity) ==
                  status);
  NUBO_FUZZ_CHECK(std::memcmp(out.data(), again.data(), capacity) == 0);
  return 0;
}
