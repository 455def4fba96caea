// Fuzzes the hexadecimal dump reader and the whole inspector tool over it.
// The text lies in a buffer of exactly its size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "datatools/packet/packet_inspector_texts.h"
#include "datatools/packet/packet_inspector_tool.h"
#include "datatools/packet/packet_text_input.h"

namespace {

using namespace nubo;

void Check(bool condition, const char* what) {
  if (!condition) {
    __builtin_printf("invariant broken: %s\n", what);
    std::abort();
  }
}

constexpr const char* kOperations[] = {"auto", "ethernet", "ipv4", "ipv6", "tcp", "udp", "raw", "Raw"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  std::unique_ptr<char[]> text(new char[size]);
  if (size > 0) std::memcpy(text.get(), input, size);

  const std::size_t capacity = PacketHexCapacity(size);
  Check(capacity == size / 2 + 1, "capacity rule");
  std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[capacity]);
  const std::int64_t count = PacketParseHex(text.get(), size, out.get(), capacity);
  Check(count == -2 || count == -4 || (count >= 0 && static_cast<std::size_t>(count) <= size / 2),
        "parse status");
  if (count > 0) {
    // One byte less room fails as full, never with another status.
    std::unique_ptr<std::uint8_t[]> small(new std::uint8_t[count - 1 > 0 ? count - 1 : 1]);
    Check(PacketParseHex(text.get(), size, small.get(), static_cast<std::size_t>(count - 1)) == -3,
          "a full output is reported");
  }

  const char* operation = kOperations[size % 8];
  const PacketInspectorOutcome outcome = InspectPacketHexDump(std::string_view(text.get(), size), operation);
  if (size % 8 == 7) {
    Check(!outcome.success && outcome.message == packet_inspector::kBadMode, "bad mode text");
    return 0;
  }
  if (count == -2) {
    Check(!outcome.success && outcome.message == packet_inspector::kNotHex, "not-hex text");
  } else if (count == -4) {
    Check(!outcome.success && outcome.message == packet_inspector::kOddDigits, "odd-digit text");
  } else if (static_cast<std::size_t>(count) > packet_inspector::kMaxBytes) {
    Check(!outcome.success && outcome.message == packet_inspector::kTooLarge, "size text");
  } else {
    Check(outcome.success && outcome.message.empty(), "success");
    const nlohmann::json json = nlohmann::json::parse(outcome.output);
    Check(json.dump() == outcome.output, "compact JSON in key order");
    Check(json["mode"] == operation, "requested mode");
    Check(json["byteCount"] == count, "byte count");
    for (std::int64_t i = 0; i < count; ++i) {
      Check(json["bytes"][static_cast<std::size_t>(i)] == out[static_cast<std::size_t>(i)], "bytes");
    }
    const int confidence = json["confidence"];
    Check(confidence >= 0 && confidence <= 100, "confidence within 0..100");
  }
  return 0;
}
