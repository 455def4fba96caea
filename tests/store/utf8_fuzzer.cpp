#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/utf8.h"

// Repaired text is always well-formed, repairing it again changes nothing,
// and well-formed input comes back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string repaired = nubo::RepairUtf8(input);
  if (!nubo::IsValidUtf8(repaired)) std::abort();
  if (nubo::RepairUtf8(repaired) != repaired) std::abort();
  if (nubo::IsValidUtf8(input) && repaired != input) std::abort();
  if (repaired.size() > 3 * size) std::abort();
  return 0;
}
