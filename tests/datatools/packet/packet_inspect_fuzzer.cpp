// Fuzzes PacketInspect in every mode (and one invalid mode). The first input
// byte picks the mode; the rest is copied into a buffer of exactly its size,
// so any read past the end is caught by AddressSanitizer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "datatools/packet/packet_decoder.h"

namespace {

using namespace nubo;

[[noreturn]] void Fail(const char* what) {
  __builtin_printf("invariant broken: %s\n", what);
  std::abort();
}

void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

template <std::size_t Size>
void CheckTerminated(const char (&text)[Size], const char* what) {
  Check(std::memchr(text, '\0', Size) != nullptr, what);
}

int StepOf(const char* code) {
  const std::string_view text(code);
  return text.rfind("invalid-", 0) == 0 || text.rfind("truncated-", 0) == 0 ? 30 : 10;
}

// The start value of the confidence, as detection chose it.
int StartConfidence(PacketMode mode, const PacketResult& result) {
  switch (mode) {
    case PacketMode::kRaw: return 0;
    case PacketMode::kAuto: {
      if (result.layerCount == 0) return 20;
      const std::string_view first(result.layers[0].id);
      if (first == "ethernet") return 98;
      if (first == "ipv4" || first == "ipv6") return 88;
      return 20;
    }
    default: return 65;
  }
}

bool IsLayerId(std::string_view id) {
  for (std::string_view known : {"ethernet", "vlan", "arp", "ipv4", "ipv6", "tcp", "udp", "icmp",
                                 "icmpv6", "payload", "trailing"}) {
    if (id == known) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  if (size == 0) return 0;
  const auto mode = static_cast<PacketMode>(input[0] & 7u);
  const std::size_t length = size - 1;
  std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[length]);
  if (length > 0) std::memcpy(data.get(), input + 1, length);

  auto result = std::make_unique<PacketResult>();
  std::memset(result.get(), 0xA5, sizeof(PacketResult));  // no NUL anywhere to begin with
  const int status = PacketInspect(data.get(), length, mode, result.get());
  if (static_cast<std::uint32_t>(mode) > kPacketModeLast) {
    Check(status == -2, "an unknown mode is refused");
    return 0;
  }
  Check(status == 0, "inspection succeeds");
  Check(result->inputLength == length, "input length stored");
  Check(result->mode == mode, "mode stored");
  CheckTerminated(result->summary, "summary terminated");
  Check(result->summary[0] != '\0', "summary set");
  Check(result->confidence >= 0 && result->confidence <= 100, "confidence within 0..100");
  Check(result->fieldCount <= kPacketMaxFields, "field count within cap");
  Check(result->layerCount <= kPacketMaxLayers, "layer count within cap");
  Check(result->warningCount <= kPacketMaxWarnings, "warning count within cap");

  for (std::uint64_t i = 0; i < result->layerCount; ++i) {
    const PacketLayer& layer = result->layers[i];
    CheckTerminated(layer.id, "layer id terminated");
    CheckTerminated(layer.name, "layer name terminated");
    CheckTerminated(layer.summary, "layer summary terminated");
    Check(IsLayerId(layer.id), "layer id known");
    Check(layer.offset <= length && layer.length <= length - layer.offset, "layer within input");
  }
  for (std::uint64_t i = 0; i < result->fieldCount; ++i) {
    const PacketField& field = result->fields[i];
    CheckTerminated(field.layer, "field layer terminated");
    CheckTerminated(field.name, "field name terminated");
    CheckTerminated(field.value, "field value terminated");
    CheckTerminated(field.summary, "field summary terminated");
    Check(IsLayerId(field.layer), "field layer known");
    Check(field.offset <= length && field.length <= length - field.offset, "field within input");
  }
  int expected = StartConfidence(mode, *result);
  for (std::uint64_t i = 0; i < result->warningCount; ++i) {
    const PacketWarning& warning = result->warnings[i];
    CheckTerminated(warning.code, "warning code terminated");
    CheckTerminated(warning.message, "warning message terminated");
    Check(warning.offset <= length, "warning within input");
    const int step = StepOf(warning.code);
    expected = step >= expected ? 0 : expected - step;
  }
  Check(result->confidence == expected, "confidence follows the warnings");
  return 0;
}
