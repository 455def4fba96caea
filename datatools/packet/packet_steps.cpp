#include "datatools/packet/packet_steps.h"

#include <cstring>

#include "datatools/packet/packet_text_writer.h"
#include "datatools/packet/packet_texts.h"

namespace nubo {
namespace {

namespace texts = packet_texts;

template <std::size_t Size>
void CopyText(char (&member)[Size], std::string_view text) {
  PacketTextWriter(member, Size).Text(text);
}

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
  PacketAddLayer(result, id, name, start, length, summary);
  char value[kPacketValueSize];
  PacketTextWriter(value, sizeof value).Decimal(length).Text(" bytes");
  PacketAddField(result, id, texts::kFieldData.name, start, length, value, summary);
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
  if (result->layerCount >= kPacketMaxLayers) return nullptr;
  PacketLayer& layer = result->layers[result->layerCount++];
  CopyText(layer.id, id);
  CopyText(layer.name, name);
  layer.offset = offset;
  layer.length = length;
  CopyText(layer.summary, summary);
  return &layer;
}

PacketField* PacketAddField(PacketResult* result, std::string_view layer, std::string_view name,
                            std::uint64_t offset, std::uint64_t length, std::string_view value,
                            std::string_view summary) {
  if (result->fieldCount >= kPacketMaxFields) return nullptr;
  PacketField& field = result->fields[result->fieldCount++];
  CopyText(field.layer, layer);
  CopyText(field.name, name);
  field.offset = offset;
  field.length = length;
  CopyText(field.value, value);
  CopyText(field.summary, summary);
  return &field;
}

bool PacketAddWarning(PacketResult* result, std::string_view code, std::string_view message,
                      std::uint64_t offset) {
  if (result->warningCount >= kPacketMaxWarnings) return false;
  PacketWarning& warning = result->warnings[result->warningCount++];
  CopyText(warning.code, code);
  CopyText(warning.message, message);
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
