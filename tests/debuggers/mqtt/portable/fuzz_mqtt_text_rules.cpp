// Any text: the UTF-8, topic-name and topic-filter rules agree with each
// other, and a valid text is written as a length-prefixed string unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "debuggers/mqtt/mqtt_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* c = text.c_str();
  const size_t length = std::strlen(c);
  uint64_t measured = 0;
  const int utf8 = nubo::MqttIsValidUtf8(c, &measured);
  if (utf8 && measured != length) std::abort();
  const bool wild = std::strpbrk(c, "+#") != nullptr;
  const int name = nubo::MqttIsValidTopicName(c);
  const int filter = nubo::MqttIsValidTopicFilter(c);
  if (name != (utf8 && length > 0 && !wild)) std::abort();
  if ((filter && !utf8) || (name && !filter)) std::abort();
  if (filter && std::strstr(c, "#") != nullptr && std::strchr(c, '#') != c + length - 1) std::abort();
  std::vector<uint8_t> out(length + 2);
  nubo::MqttBuffer buffer{out.data(), out.size(), 0};
  if (nubo::MqttWriteString(&buffer, c, 1) != utf8) std::abort();
  if (utf8 && (buffer.length != length + 2 || std::memcmp(out.data() + 2, c, length) != 0)) std::abort();
  return 0;
}
