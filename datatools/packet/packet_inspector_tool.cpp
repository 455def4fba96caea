#include "datatools/packet/packet_inspector_tool.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_inspector_texts.h"
#include "datatools/packet/packet_json.h"
#include "datatools/packet/packet_text_input.h"

namespace nubo {

ToolResult InspectPacketHexDump(std::string_view input, std::string_view operation) {
  PacketMode mode = PacketMode::kAuto;
  if (PacketParseMode(operation, &mode) != 0) {
    return ToolResult::Failure(packet_inspector::kBadMode);
  }

  std::vector<std::uint8_t> bytes(PacketHexCapacity(input.size()), 0);
  const char* text = input.data() != nullptr ? input.data() : "";
  const std::int64_t count = PacketParseHex(text, input.size(), bytes.data(), bytes.size());
  if (count < 0) return ToolResult::Failure(packet_inspector::ParseFailureText(count));
  if (static_cast<std::uint64_t>(count) > packet_inspector::kMaxBytes) {
    return ToolResult::Failure(packet_inspector::kTooLarge);
  }

  const auto size = static_cast<std::size_t>(count);
  auto result = std::make_unique<PacketResult>();
  if (PacketInspect(bytes.data(), size, mode, result.get()) != 0) {
    return ToolResult::Failure(packet_inspector::kDecoderFailed);
  }
  return ToolResult::Success(PacketResultToJson(*result, bytes.data(), size));
}

}  // namespace nubo
