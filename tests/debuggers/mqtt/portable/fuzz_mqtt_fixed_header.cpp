// Any bytes: the fixed-header parser stays within what it is given, and a
// length it decodes encodes and parses back to the same sizes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "debuggers/mqtt/mqtt_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint64_t max = data[0] < 128 ? data[0] : (uint64_t{1} << (data[0] % 40));
  uint64_t packet = 0, header = 0;
  const int result = nubo::MqttParseFixedHeader(data + 1, size - 1, max, &packet, &header);
  if (result < -1 || result > 1) std::abort();
  if (result == -1 || header == 0) {
    if (packet != 0 || header != 0) std::abort();
    return 0;
  }
  if (header < 2 || header > 5 || packet < header || packet > max) std::abort();
  if ((result == 1) != (packet <= size - 1)) std::abort();
  uint8_t again[8];
  nubo::MqttBuffer buffer{again, sizeof again, 0};
  if (!nubo::MqttBeginPacket(&buffer, data[1], packet - header)) std::abort();
  uint64_t packet2 = 0, header2 = 0;
  if (nubo::MqttParseFixedHeader(again, buffer.length, ~0ull, &packet2, &header2) < 0) std::abort();
  if (packet2 - header2 != packet - header || header2 > header) std::abort();
  return 0;
}
