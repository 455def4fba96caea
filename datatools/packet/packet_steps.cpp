#include "datatools/packet/packet_steps.h"

#include <cstring>

#include "datatools/packet/packet_entries.h"
#include "datatools/packet/packet_text_writer.h"
#include "datatools/packet/packet_texts.h"

namespace nubo {
namespace {

namespace texts = packet_texts;

int WarningStep(std::string_view code) {
  for (std::string_view prefix : texts::kSeverePrefixes) {
    if (code.substr(0, prefix.size()) == prefix) return texts::kStepSevere;
  }
  return texts::kStepMild;
}

void AddDataLayer(PacketResult* result, std::string_view id, std::string_view name,
                  std::uint64_t start, std::uint64_t end, std::string_view summary) {
  if (start >= end) return;
  const std::uint64_t length = end - start;
  packet_detail::NewLayer(result, id, name, start, length, summary);
  PacketField* field = packet_detail::NewField(result, id, texts::kFieldData.name, start, length, summary);
  if (field != nullptr) PacketTextWriter(field->value, sizeof field->value).Decimal(length).Text(" bytes");
}

}  // namespace

void PacketAppendSummary(PacketResult* result, std::string_view name) {
  const void* end = std::memchr(result->summary, '\0', kPacketSummarySize - 1);
  const std::size_t used = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - result->summary)
                                          : kPacketSummarySize - 1;
  PacketTextWriter writer(result->summary + used, kPacketSummarySize - used);
  if (used > 0 && used + texts::kSummarySeparator.size() < kPacketSummarySize) {
    writer.Text(texts::kSummarySeparator);
  }
  writer.Text(name);
}

PacketLayer* PacketAddLayer(PacketResult* result, std::string_view id, std::string_view name,
                            std::uint64_t offset, std::uint64_t length, std::string_view summary) {
  return packet_detail::NewLayer(result, id, name, offset, length, summary);
}

PacketField* PacketAddField(PacketResult* result, std::string_view layer, std::string_view name,
                            std::uint64_t offset, std::uint64_t length, std::string_view value,
                            std::string_view summary) {
  PacketField* field = packet_detail::NewField(result, layer, name, offset, length, summary);
  if (field != nullptr) PacketCopyText(field->value, value);
  return field;
}

bool PacketAddWarning(PacketResult* result, std::string_view code, std::string_view message,
                      std::uint64_t offset) {
  if (result->warningCount >= kPacketMaxWarnings) return false;
  PacketWarning& warning = result->warnings[result->warningCount++];
  PacketCopyText(warning.code, code);
  PacketCopyText(warning.message, message);
  warning.offset = offset;
  const int step = WarningStep(code);
  result->confidence = step >= result->confidence ? 0 : result->confidence - step;
  return true;
}

void PacketAddPayloadLayer(PacketResult* result, std::uint64_t start, std::uint64_t end,
                           std::string_view summary) {
  AddDataLayer(result, texts::kPayloadId, texts::kPayloadName, start, end, summary);
}

void PacketAddTrailingLayer(PacketResult* result, std::uint64_t start, std::uint64_t end,
                            std::string_view summary) {
  AddDataLayer(result, texts::kTrailingId, texts::kTrailingName, start, end, summary);
}

}  // namespace nubo
