#include "datatools/packet/packet_inspector_tool.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_inspector_texts.h"
#include "datatools/packet/packet_json.h"
#include "datatools/packet/packet_text_input.h"

namespace nubo {
namespace {

PacketInspectorOutcome Failure(std::string_view message) {
  PacketInspectorOutcome outcome;
  outcome.message.assign(message);
  return outcome;
}

}  // namespace

PacketInspectorOutcome InspectPacketHexDump(std::string_view input, std::string_view operation) {
  // The mode reader takes a C string: an operation with a NUL inside would
  // otherwise be read only up to that NUL.
  PacketMode mode = PacketMode::kAuto;
  const std::string operationText(operation);
  if (operation.find('\0') != std::string_view::npos ||
      PacketParseMode(operationText.c_str(), &mode) != 0) {
    return Failure(packet_inspector::kBadMode);
  }

  std::vector<std::uint8_t> bytes(PacketHexCapacity(input.size()), 0);
  const char* text = input.data() != nullptr ? input.data() : "";
  const std::int64_t count = PacketParseHex(text, input.size(), bytes.data(), bytes.size());
  if (count < 0) return Failure(packet_inspector::ParseFailureText(count));
  if (static_cast<std::uint64_t>(count) > packet_inspector::kMaxBytes) {
    return Failure(packet_inspector::kTooLarge);
  }

  const auto size = static_cast<std::size_t>(count);
  auto result = std::make_unique<PacketResult>();
  if (PacketInspect(bytes.data(), size, mode, result.get()) != 0) {
    return Failure(packet_inspector::kDecoderFailed);
  }
  PacketInspectorOutcome outcome;
  outcome.success = true;
  outcome.output = PacketResultToJson(*result, bytes.data(), size);
  return outcome;
}

}  // namespace nubo
